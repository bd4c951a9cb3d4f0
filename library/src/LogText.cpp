#include "LogText.h"

#include <QTime>

namespace velmo {

QString LogText::hexPairs(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString LogText::hexPairs(const char *bytes, int length)
{
    if (bytes == nullptr || length <= 0)
        return QString();
    return hexPairs(QByteArray::fromRawData(bytes, length));
}

QString LogText::clockTime()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString LogText::clockSeconds()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}

} // namespace velmo

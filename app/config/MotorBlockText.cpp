#include "MotorBlockText.h"

#include <cmath>
#include <cstring>
#include <limits>

QString MotorBlockText::fieldText(const char *field, int size)
{
    return QString::fromLatin1(field, int(qstrnlen(field, uint(size))));
}

bool MotorBlockText::latin1Bytes(const QString &text, QByteArray &bytes)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    bytes = text.toLatin1();
    return true;
}

bool MotorBlockText::toTextField(const QString &text, char *field, int size)
{
    QByteArray bytes;
    if (!latin1Bytes(text, bytes) || bytes.size() > size)
        return false;
    std::memset(field, 0, size_t(size));
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
    return true;
}

bool MotorBlockText::toFiniteDouble(const QString &text, double &value)
{
    bool ok = false;
    const double parsed = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool MotorBlockText::toInt16(const QString &text, int16_t &value)
{
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok, 10);
    if (!ok || parsed < std::numeric_limits<int16_t>::min() || parsed > std::numeric_limits<int16_t>::max())
        return false;
    value = int16_t(parsed);
    return true;
}

bool MotorBlockText::toUInt32(const QString &text, uint32_t &value)
{
    bool ok = false;
    const uint parsed = text.trimmed().toUInt(&ok, 10);
    if (!ok)
        return false;
    value = uint32_t(parsed);
    return true;
}

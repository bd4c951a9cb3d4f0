#pragma once

#include <QByteArray>
#include <QString>

namespace velmo {

// Text forms shared by the library's log lines.
class LogText
{
public:
    // "aa 55 01 00": bytes as lower-case hexadecimal pairs separated by spaces.
    static QString hexPairs(const QByteArray &bytes);
    static QString hexPairs(const char *bytes, int length);
    // Wall-clock time as "hh:mm:ss.zzz".
    static QString clockTime();
    // Wall-clock time as "hh:mm:ss".
    static QString clockSeconds();
};

} // namespace velmo

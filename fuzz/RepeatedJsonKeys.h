#pragma once

#include <QByteArray>

// Qt 5.15's JSON parser leaks the earlier value of a key repeated in one
// object when that value is an object or an array (QJsonDocument::fromJson
// alone shows it). The harnesses that read JSON pause leak detection for
// such texts, so that the reports left are velmo's own.
class RepeatedJsonKeys
{
public:
    // True when some object of the text may name a key twice. Errs on the
    // side of true: keys with escapes count as repeated.
    static bool mayOccur(const QByteArray &text);
};

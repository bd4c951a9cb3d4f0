#include "ResultCodes.h"

namespace {

QString withCode(const QString &text, int code)
{
    return QStringLiteral("%1 (code %2)").arg(text).arg(code);
}

} // namespace

QString ResultCodes::describe(int code)
{
    switch (code) {
    case -1:
        return withCode(QStringLiteral("the request was not sent (controller not open or write incomplete)"), code);
    case -2:
        return withCode(QStringLiteral("no valid reply from the controller"), code);
    case -3:
        return withCode(QStringLiteral("reply buffer too small"), code);
    case -100:
        return withCode(QStringLiteral("no record given"), code);
    default:
        return withCode(QStringLiteral("unexpected result"), code);
    }
}

QString ResultCodes::describeOpen(int code)
{
    switch (code) {
    case -1:
        return withCode(QStringLiteral("the controller could not be opened"), code);
    case -2:
        return withCode(QStringLiteral("the device id is not registered"), code);
    default:
        return describe(code);
    }
}

#include "AppLogCategories.h"

namespace {
QtMsgType threshold()
{
    const QByteArray value = qgetenv("VELMO_TRACE");
    return value.isEmpty() || value == "0" ? QtInfoMsg : QtDebugMsg;
}
} // namespace

const QLoggingCategory &lcService()
{
    static const QLoggingCategory category("velmo.service", threshold());
    return category;
}

const QLoggingCategory &lcApp()
{
    static const QLoggingCategory category("velmo.app", threshold());
    return category;
}

#include "LogCategories.h"

namespace velmo {

QtMsgType traceThreshold()
{
    const QByteArray value = qgetenv("VELMO_TRACE");
    return value.isEmpty() || value == "0" ? QtInfoMsg : QtDebugMsg;
}

const QLoggingCategory &lcUsb()
{
    static const QLoggingCategory category("velmo.usb", traceThreshold());
    return category;
}

const QLoggingCategory &lcExchange()
{
    static const QLoggingCategory category("velmo.exchange", traceThreshold());
    return category;
}

} // namespace velmo

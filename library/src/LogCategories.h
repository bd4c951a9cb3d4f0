#pragma once

#include <QLoggingCategory>

namespace velmo {

// The library's logging categories. Debug lines (the wire trace and the
// controller's set-up chatter) are off unless VELMO_TRACE is set to a value
// other than 0, or QT_LOGGING_RULES enables them ("velmo.*.debug=true");
// warnings are always on.
//   velmo.usb       bus, open/close, reader thread, bytes received
//   velmo.exchange  requests sent, replies filed and validated, exports
const QLoggingCategory &lcUsb();
const QLoggingCategory &lcExchange();

// QtDebugMsg when VELMO_TRACE asks for the trace, else QtInfoMsg.
QtMsgType traceThreshold();

} // namespace velmo

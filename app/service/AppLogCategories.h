#pragma once

#include <QLoggingCategory>

// The program's logging categories. Like the library's (velmo.usb,
// velmo.exchange), their debug lines are off unless VELMO_TRACE is set to a
// value other than 0 or QT_LOGGING_RULES enables them.
//   velmo.service  the device service: connection, polling, heartbeat, hot-plug
//   velmo.app      windows, panels, dialogs and the stage catalogue
const QLoggingCategory &lcService();
const QLoggingCategory &lcApp();

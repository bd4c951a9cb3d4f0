// GLib and umockdev headers in one place. They are included as system headers
// (see CMakeLists.txt) and with Qt's keywords off, since GIO uses "signals" as
// a member name.
#ifndef VELMO_USBFS_UMOCKDEVINCLUDES_H
#define VELMO_USBFS_UMOCKDEVINCLUDES_H

#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <umockdev.h>

#endif

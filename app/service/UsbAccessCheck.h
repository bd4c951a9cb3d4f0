#pragma once

#include <QList>
#include <QString>
#include <functional>

// Finds velmo controllers that are on the USB bus but whose device node the
// user may not open. libusb enumerates from sysfs, which anyone may read, so
// such a controller is listed but fails to open; this tells the two apart and
// names the node, so the user can be told to install the udev rule.
//
// Reads <sysfsRoot>/<entry>/{idVendor,idProduct,busnum,devnum} and checks
// <deviceRoot>/<bus>/<dev> (both three digits). Only Linux has such a tree;
// elsewhere nothing is reported.
class UsbAccessCheck
{
public:
    struct BlockedController
    {
        int id = 0;   // device id as the library numbers it (port path digits)
        QString node; // the device node the user cannot read and write
    };

    // Whether the user may read and write the node. Replaceable so that a
    // test running as root, for whom access() always succeeds, can still see
    // a refusal.
    using AccessProbe = std::function<bool(const QString &node)>;

    explicit UsbAccessCheck(const QString &sysfsRoot = QStringLiteral("/sys/bus/usb/devices"),
                            const QString &deviceRoot = QStringLiteral("/dev/bus/usb"));

    QString sysfsRoot() const { return m_sysfsRoot; }
    QString deviceRoot() const { return m_deviceRoot; }

    // An empty probe restores the default, canReadWrite().
    void setAccessProbe(AccessProbe probe);

    // Controllers (vendor 4306, product 5745) whose node exists but may not
    // be read and written, in the order of their sysfs entries. A missing or
    // unreadable tree gives an empty list.
    QList<BlockedController> inaccessibleControllers() const;

    // The library's device id of a sysfs device entry: the port path after
    // the bus read as digits, "1-4" -> 14, "3-1.2" -> 12. 0 for root hubs
    // ("usb1"), interfaces ("1-4:1.0") and anything else malformed.
    static int deviceIdFromEntryName(const QString &name);

    // access(R_OK | W_OK) on the node; false off Linux.
    static bool canReadWrite(const QString &node);

private:
    QString m_sysfsRoot;
    QString m_deviceRoot;
    AccessProbe m_probe;
};

// The emulated USB tree of one scenario in a umockdev testbed: a root hub per
// bus, the hubs on the way to every device (listed or not, as the kernel
// would show them), one record per controller with a usbfs handler behind
// its node, and the other devices. Plugging goes through here so that sysfs,
// /dev, the uevents and the model stay in step. Main thread only.
#ifndef VELMO_USBFS_USBFSTESTBED_H
#define VELMO_USBFS_USBFSTESTBED_H

#include "UmockdevIncludes.h"
#include "UsbfsHandler.h"
#include "VirtualBus.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class UsbfsTestbed
{
public:
    explicit UsbfsTestbed(VirtualBus &bus);
    ~UsbfsTestbed();
    UsbfsTestbed(const UsbfsTestbed &) = delete;
    UsbfsTestbed &operator=(const UsbfsTestbed &) = delete;

    // Creates the testbed and fills it from the bus. False with a message when
    // umockdev refuses.
    bool build(std::string *problem);

    std::string rootDir() const;

    // Both return an empty string on success, else what went wrong.
    std::string setPlugged(int deviceId, bool plugged);

    UsbfsHandler *handler(int deviceId) const;

    // Name in sysfs for a device on `bus` at `ports` ("usb1", "1-1", "1-1.4").
    static std::string sysName(int bus, const std::vector<int> &ports);

private:
    struct Placed {
        std::string sysPath; // as umockdev returns it, "/sys/devices/..."
        std::string devnode;
    };

    bool addDevice(const VirtualBus::DeviceEntry &entry, Placed *placed, std::string *problem);
    bool attach(const std::string &devnode, UsbfsHandler *handler, std::string *problem);
    static std::vector<VirtualBus::DeviceEntry> missingHubs(const std::vector<VirtualBus::DeviceEntry> &devices);
    static std::string descriptorHex(const VirtualBus::DeviceEntry &entry);
    static std::string devnodeOf(int bus, int address);
    static std::string key(int bus, const std::vector<int> &ports);

    VirtualBus &m_bus;
    UMockdevTestbed *m_testbed = nullptr;
    std::map<std::string, Placed> m_placed; // by key(bus, ports)
    std::map<int, std::unique_ptr<UsbfsHandler>> m_handlers;
};

#endif

#include "UsbfsTestbed.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

namespace {

std::string hexBytes(const std::vector<int> &bytes)
{
    std::string text;
    char pair[3];
    for (int byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte & 0xFF);
        text += pair;
    }
    return text;
}

void appendWord(std::vector<int> *bytes, int value)
{
    bytes->push_back(value & 0xFF);
    bytes->push_back((value >> 8) & 0xFF);
}

std::string hex4(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

std::string decimal3(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

int deviceIdOf(const std::vector<int> &ports)
{
    std::string digits;
    for (int port : ports)
        digits += std::to_string(port);
    return digits.empty() || digits.size() > 9 ? 0 : std::stoi(digits);
}

} // namespace

UsbfsTestbed::UsbfsTestbed(VirtualBus &bus) : m_bus(bus) {}

UsbfsTestbed::~UsbfsTestbed()
{
    m_handlers.clear();
    if (m_testbed != nullptr)
        g_object_unref(m_testbed); // removes the testbed directory
}

std::string UsbfsTestbed::rootDir() const
{
    if (m_testbed == nullptr)
        return {};
    gchar *dir = umockdev_testbed_get_root_dir(m_testbed);
    std::string text = dir != nullptr ? dir : "";
    g_free(dir);
    return text;
}

std::string UsbfsTestbed::sysName(int bus, const std::vector<int> &ports)
{
    if (ports.empty())
        return "usb" + std::to_string(bus);
    std::string name = std::to_string(bus) + "-";
    for (std::size_t i = 0; i < ports.size(); ++i)
        name += (i ? "." : "") + std::to_string(ports[i]);
    return name;
}

std::string UsbfsTestbed::key(int bus, const std::vector<int> &ports)
{
    return sysName(bus, ports);
}

std::string UsbfsTestbed::devnodeOf(int bus, int address)
{
    return "/dev/bus/usb/" + decimal3(bus) + "/" + decimal3(address);
}

std::string UsbfsTestbed::descriptorHex(const VirtualBus::DeviceEntry &entry)
{
    const bool rootHub = entry.portPath.empty();
    const bool hub = entry.deviceClass == 9;
    std::vector<int> bytes = {18, 1, 0x00, 0x02, entry.deviceClass, 0, hub ? 1 : 0, 64};
    appendWord(&bytes, entry.vendorId);
    appendWord(&bytes, entry.productId);
    appendWord(&bytes, rootHub ? 0x0601 : 0x0100);
    bytes.insert(bytes.end(), {0, 0, 0, 1});

    std::vector<int> endpoints;
    int interfaceClass = entry.deviceClass;
    if (entry.controller) {
        interfaceClass = 0xFF;
        std::vector<int> addresses = {0x01, 0x81};
        if (entry.extraEndpoints)
            addresses.insert(addresses.end(), {0x02, 0x82});
        for (int address : addresses)
            endpoints.insert(endpoints.end(), {7, 5, address, 2, 0x00, 0x02, 0}); // bulk, 512 bytes
    } else if (hub) {
        endpoints.insert(endpoints.end(), {7, 5, 0x81, 3, 0x04, 0x00, 12}); // status change, interrupt
    }
    const int total = 9 + 9 + int(endpoints.size());
    std::vector<int> config = {9, 2};
    appendWord(&config, total);
    config.insert(config.end(), {1, 1, 0, hub ? 0xE0 : 0x80, 50});
    config.insert(config.end(), {9, 4, 0, 0, int(endpoints.size() / 7), interfaceClass, 0, 0, 0});
    config.insert(config.end(), endpoints.begin(), endpoints.end());
    bytes.insert(bytes.end(), config.begin(), config.end());
    return hexBytes(bytes);
}

bool UsbfsTestbed::addDevice(const VirtualBus::DeviceEntry &entry, Placed *placed, std::string *problem)
{
    const std::string name = sysName(entry.bus, entry.portPath);
    std::string parentPath = "/devices";
    if (!entry.portPath.empty()) {
        std::vector<int> up(entry.portPath.begin(), entry.portPath.end() - 1);
        auto parent = m_placed.find(key(entry.bus, up));
        if (parent == m_placed.end()) {
            *problem = "no parent hub for " + name;
            return false;
        }
        parentPath = parent->second.sysPath.substr(4); // without "/sys"
    }
    const std::string devnode = devnodeOf(entry.bus, entry.address);
    const std::string descriptors = descriptorHex(entry);
    std::string devpath;
    for (std::size_t i = 0; i < entry.portPath.size(); ++i)
        devpath += (i ? "." : "") + std::to_string(entry.portPath[i]);
    if (devpath.empty())
        devpath = "0";

    std::ostringstream record;
    record << "P: " << parentPath << "/" << name << "\n"
           << "N: " << devnode.substr(5) << "=" << descriptors << "\n"
           << "E: DEVNAME=" << devnode << "\n"
           << "E: DEVTYPE=usb_device\n"
           << "E: DRIVER=usb\n"
           << "E: SUBSYSTEM=usb\n"
           << "E: BUSNUM=" << decimal3(entry.bus) << "\n"
           << "E: DEVNUM=" << decimal3(entry.address) << "\n"
           << "E: PRODUCT=" << std::hex << entry.vendorId << "/" << entry.productId << "/100" << std::dec << "\n"
           << "A: busnum=" << entry.bus << "\\n\n"
           << "A: devnum=" << entry.address << "\\n\n"
           << "A: devpath=" << devpath << "\\n\n"
           << "A: speed=480\\n\n"
           << "A: bConfigurationValue=1\\n\n"
           << "A: bNumConfigurations=1\\n\n"
           << "A: bDeviceClass=" << hex4(entry.deviceClass).substr(2) << "\\n\n"
           << "A: idVendor=" << hex4(entry.vendorId) << "\\n\n"
           << "A: idProduct=" << hex4(entry.productId) << "\\n\n"
           << "H: descriptors=" << descriptors << "\n";

    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, record.str().c_str(), &error)) {
        *problem = "cannot add " + name + ": " + (error != nullptr ? error->message : "unknown error");
        if (error != nullptr)
            g_error_free(error);
        return false;
    }
    placed->sysPath = "/sys" + parentPath + "/" + name;
    placed->devnode = devnode;
    m_placed[key(entry.bus, entry.portPath)] = *placed;
    return true;
}

std::vector<VirtualBus::DeviceEntry> UsbfsTestbed::missingHubs(const std::vector<VirtualBus::DeviceEntry> &devices)
{
    // A device at 1-1.4 needs the hub 1-1 in sysfs, or libusb cannot build
    // its port path; scenarios often leave such hubs out.
    std::set<std::pair<int, std::vector<int>>> present;
    for (const VirtualBus::DeviceEntry &entry : devices)
        present.insert({entry.bus, entry.portPath});
    std::set<std::pair<int, std::vector<int>>> needed;
    for (const VirtualBus::DeviceEntry &entry : devices) {
        for (std::size_t length = 0; length < entry.portPath.size(); ++length) {
            std::vector<int> up(entry.portPath.begin(), entry.portPath.begin() + long(length));
            if (!present.count({entry.bus, up}))
                needed.insert({entry.bus, up});
        }
    }
    std::vector<VirtualBus::DeviceEntry> hubs;
    std::map<int, int> nextAddress; // counting down from the top keeps clear of the model's addresses
    for (const auto &place : needed) {
        VirtualBus::DeviceEntry hub;
        hub.bus = place.first;
        hub.portPath = place.second;
        hub.deviceClass = 9;
        if (hub.portPath.empty()) {
            hub.address = 1;
            hub.vendorId = 0x1D6B; // Linux Foundation root hub
            hub.productId = 0x0002;
        } else {
            auto slot = nextAddress.emplace(hub.bus, 127).first;
            hub.address = slot->second--;
            hub.vendorId = 0x05E3; // a common USB 2.0 hub
            hub.productId = 0x0608;
        }
        hubs.push_back(hub);
    }
    return hubs;
}

bool UsbfsTestbed::build(std::string *problem)
{
    m_testbed = umockdev_testbed_new();
    if (m_testbed == nullptr) {
        *problem = "umockdev_testbed_new failed";
        return false;
    }
    std::vector<VirtualBus::DeviceEntry> devices = m_bus.devices();
    const std::vector<VirtualBus::DeviceEntry> hubs = missingHubs(devices);
    devices.insert(devices.end(), hubs.begin(), hubs.end());
    // Shallow before deep, so every record finds its parent.
    std::stable_sort(devices.begin(), devices.end(),
                     [](const VirtualBus::DeviceEntry &a, const VirtualBus::DeviceEntry &b) {
                         return a.portPath.size() < b.portPath.size();
                     });
    std::set<int> seenIds;
    for (const VirtualBus::DeviceEntry &entry : devices) {
        if (m_placed.count(key(entry.bus, entry.portPath))) {
            *problem = "two devices at " + sysName(entry.bus, entry.portPath);
            return false;
        }
        if (entry.controller) {
            const int id = deviceIdOf(entry.portPath);
            if (!seenIds.insert(id).second) {
                *problem = "two controllers with device id " + std::to_string(id);
                return false;
            }
            auto handler = std::make_unique<UsbfsHandler>(m_bus, id);
            const std::string devnode = devnodeOf(entry.bus, entry.address);
            if (!attach(devnode, handler.get(), problem))
                return false;
            m_handlers[id] = std::move(handler);
        }
        Placed placed;
        if (!addDevice(entry, &placed, problem))
            return false;
    }
    return true;
}

bool UsbfsTestbed::attach(const std::string &devnode, UsbfsHandler *handler, std::string *problem)
{
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_testbed, devnode.c_str(), handler->ioctlBase(), &error)) {
        *problem = "cannot attach the usbfs handler to " + devnode + ": "
            + (error != nullptr ? error->message : "unknown error");
        if (error != nullptr)
            g_error_free(error);
        return false;
    }
    handler->plugAt(devnode);
    return true;
}

UsbfsHandler *UsbfsTestbed::handler(int deviceId) const
{
    auto it = m_handlers.find(deviceId);
    return it == m_handlers.end() ? nullptr : it->second.get();
}

std::string UsbfsTestbed::setPlugged(int deviceId, bool plugged)
{
    std::vector<int> ports;
    int busNumber = 0;
    if (m_bus.withController(deviceId, [&](ControllerModel &c) {
            ports = c.portPath();
            busNumber = c.bus();
        }) != 0)
        return "no controller with id " + std::to_string(deviceId);
    const std::string where = key(busNumber, ports);
    const bool present = m_placed.count(where) != 0;
    if (plugged == present)
        return {};

    if (!plugged) {
        const Placed placed = m_placed[where];
        m_bus.setPlugged(deviceId, false);
        if (UsbfsHandler *h = handler(deviceId))
            h->unplug();
        // The uevent is built from the sysfs record, so it goes out first.
        umockdev_testbed_uevent(m_testbed, placed.sysPath.c_str(), "remove");
        umockdev_testbed_remove_device(m_testbed, placed.sysPath.c_str());
        m_placed.erase(where);
        return {};
    }

    m_bus.setPlugged(deviceId, true);
    for (const VirtualBus::DeviceEntry &entry : m_bus.devices()) {
        if (!entry.controller || entry.bus != busNumber || entry.portPath != ports)
            continue;
        std::unique_ptr<UsbfsHandler> &slot = m_handlers[deviceId];
        if (!slot)
            slot = std::make_unique<UsbfsHandler>(m_bus, deviceId);
        std::string problem;
        if (!attach(devnodeOf(entry.bus, entry.address), slot.get(), &problem))
            return problem;
        Placed placed;
        if (!addDevice(entry, &placed, &problem))
            return problem;
        umockdev_testbed_uevent(m_testbed, placed.sysPath.c_str(), "add");
        return {};
    }
    return "the re-plugged controller is not on the bus";
}

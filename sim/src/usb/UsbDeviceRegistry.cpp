#include "UsbDeviceRegistry.h"

UsbDeviceRegistry &UsbDeviceRegistry::instance()
{
    // Never destroyed, like the bus: devices may be released during exit.
    static UsbDeviceRegistry *registry = new UsbDeviceRegistry;
    return *registry;
}

std::vector<libusb_device *> UsbDeviceRegistry::currentDevices()
{
    const std::vector<VirtualBus::DeviceEntry> entries = VirtualBus::instance().devices();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::map<std::uint64_t, libusb_device *> present;
    std::vector<libusb_device *> list;
    for (const VirtualBus::DeviceEntry &entry : entries) {
        libusb_device *device = nullptr;
        const auto known = m_devices.find(entry.key);
        if (known != m_devices.end()) {
            device = known->second;
            m_devices.erase(known);
        } else {
            device = new libusb_device;
            device->entry = entry;
        }
        present.emplace(entry.key, device);
        list.push_back(ref(device));
    }
    // Whatever is left has gone from the bus: drop the registry's reference.
    for (const auto &gone : m_devices)
        unref(gone.second);
    m_devices.swap(present);
    return list;
}

libusb_device *UsbDeviceRegistry::ref(libusb_device *device)
{
    device->references.fetch_add(1, std::memory_order_relaxed);
    return device;
}

void UsbDeviceRegistry::unref(libusb_device *device)
{
    if (device->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete device;
}

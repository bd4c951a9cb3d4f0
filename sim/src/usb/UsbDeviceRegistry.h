// Keeps one libusb_device per device on the virtual bus, so that repeated
// device lists hand out the same objects for as long as a device stays
// plugged, as libusb does.
#ifndef VELMO_SIM_USBDEVICEREGISTRY_H
#define VELMO_SIM_USBDEVICEREGISTRY_H

#include "LibusbObjects.h"

#include <map>
#include <mutex>
#include <vector>

class UsbDeviceRegistry
{
public:
    static UsbDeviceRegistry &instance();

    // The devices now on the bus, each with one reference added for the caller.
    std::vector<libusb_device *> currentDevices();

    static libusb_device *ref(libusb_device *device);
    static void unref(libusb_device *device);

private:
    std::mutex m_mutex;
    std::map<std::uint64_t, libusb_device *> m_devices;
};

#endif

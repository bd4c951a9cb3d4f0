// The objects behind libusb's opaque handle types, as this front end keeps them.
#ifndef VELMO_SIM_LIBUSBOBJECTS_H
#define VELMO_SIM_LIBUSBOBJECTS_H

#include "VirtualBus.h"

#include <atomic>

struct libusb_context {
    int logLevel = 0;
};

// Reference-counted like libusb's own: the device list holds a reference per
// device, every open handle holds one, the registry keeps one while the
// device is on the bus.
struct libusb_device {
    std::atomic<int> references{1};
    VirtualBus::DeviceEntry entry;
};

struct libusb_device_handle {
    libusb_device *device = nullptr;
    VirtualBus::Session session;
    int configuration = 1;
};

#endif

#pragma once

#include <QtGlobal>

struct libusb_device;

namespace velmo {

// The process-wide libusb session and the enumeration of controllers.
class UsbBus
{
public:
    // Initialises libusb's default context on first use; later calls do
    // nothing. The context is never torn down.
    static bool start();

    // Device id of a USB device: its port-number path written as decimal
    // digits and read as a number (root port 1, hub port 4 gives 14);
    // 0 when the path is empty or the number does not fit an int.
    static int deviceIdOf(libusb_device *device);
    static int deviceIdFromPorts(const quint8 *ports, int count);

    // Writes the ids of the devices with this vendor and product id into
    // ids (at most capacity of them) and returns how many were found.
    static int enumerate(quint16 vendorId, quint16 productId, int *ids, int capacity);
};

} // namespace velmo

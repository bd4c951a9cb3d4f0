#include "UsbBus.h"
#include "LogCategories.h"

#include <QMutex>
#include <QMutexLocker>
#include <libusb.h>

namespace velmo {

namespace {
QMutex startMutex;
int startCount = 0;
} // namespace

bool UsbBus::start()
{
    QMutexLocker lock(&startMutex);
    if (startCount != 0)
        return true;
    const int rc = libusb_init(nullptr);
    if (rc != LIBUSB_SUCCESS) {
        qCWarning(lcUsb).noquote() << QStringLiteral("libusb_init 失败: ") + QString::fromLatin1(libusb_error_name(rc));
        return false;
    }
    startCount = 1;
    return true;
}

int UsbBus::deviceIdFromPorts(const quint8 *ports, int count)
{
    if (ports == nullptr || count <= 0)
        return 0;
    QString digits;
    for (int i = 0; i < count; ++i)
        digits += QString::number(ports[i]);
    bool ok = false;
    const int id = digits.toInt(&ok);
    return ok ? id : 0;
}

int UsbBus::deviceIdOf(libusb_device *device)
{
    quint8 ports[10] = {};
    const int count = libusb_get_port_numbers(device, ports, int(sizeof ports));
    return deviceIdFromPorts(ports, count);
}

int UsbBus::enumerate(quint16 vendorId, quint16 productId, int *ids, int capacity)
{
    start();
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0 || list == nullptr) {
        qCWarning(lcUsb).noquote() << QStringLiteral("libusb_get_device_list 失败");
        return 0;
    }
    int found = 0;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) {
            qCWarning(lcUsb).noquote() << "failed to get device descriptor";
            continue;
        }
        if (descriptor.idVendor != vendorId || descriptor.idProduct != productId)
            continue;
        if (ids != nullptr && found < capacity)
            ids[found] = deviceIdOf(list[i]);
        ++found;
    }
    libusb_free_device_list(list, 1);
    return found;
}

} // namespace velmo

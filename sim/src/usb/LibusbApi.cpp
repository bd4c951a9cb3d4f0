// The libusb-1.0 functions a host uses to find, open and talk to USB devices,
// served from the virtual bus. Signatures, constants and error codes are
// those of the real libusb.h.
#pragma GCC visibility push(default)
#include <libusb.h>
#pragma GCC visibility pop

#include "ConfigDescriptorFactory.h"
#include "ControlSocket.h"
#include "LibusbObjects.h"
#include "TransferEvents.h"
#include "UsbDeviceRegistry.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

int toLibusb(VirtualBus::Result result)
{
    switch (result) {
    case VirtualBus::Result::Ok: return LIBUSB_SUCCESS;
    case VirtualBus::Result::Timeout: return LIBUSB_ERROR_TIMEOUT;
    case VirtualBus::Result::NoDevice: return LIBUSB_ERROR_NO_DEVICE;
    case VirtualBus::Result::Pipe: return LIBUSB_ERROR_PIPE;
    case VirtualBus::Result::Busy: return LIBUSB_ERROR_BUSY;
    case VirtualBus::Result::NotFound: return LIBUSB_ERROR_NOT_FOUND;
    case VirtualBus::Result::Access: return LIBUSB_ERROR_ACCESS;
    case VirtualBus::Result::InvalidParam: return LIBUSB_ERROR_INVALID_PARAM;
    case VirtualBus::Result::Io: return LIBUSB_ERROR_IO;
    }
    return LIBUSB_ERROR_OTHER;
}

VirtualBus &bus()
{
    return VirtualBus::instance();
}

// libusb_handle_events() and libusb_handle_events_completed() wait this long at most.
constexpr std::chrono::seconds DefaultEventWait{60};

// The latest time an event handling call with this time-out may return;
// false for a negative time-out.
bool eventDeadline(const timeval *tv, TransferEvents::Clock::time_point *deadline)
{
    if (tv == nullptr || tv->tv_sec < 0 || tv->tv_usec < 0)
        return false;
    *deadline = TransferEvents::Clock::now() + std::chrono::seconds(tv->tv_sec)
                + std::chrono::microseconds(tv->tv_usec);
    return true;
}

const libusb_version Version = {1, 0, 26, 11724, "", "velmo virtual bus"};

int copyString(const char *text, unsigned char *data, int length)
{
    const int size = static_cast<int>(std::strlen(text));
    const int copied = size < length - 1 ? size : length - 1;
    std::memcpy(data, text, static_cast<std::size_t>(copied));
    data[copied] = 0;
    return copied;
}

} // namespace

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context **ctx)
{
    bus(); // loads the scenario on first use
    ControlSocket::startFromEnvironment();
    if (ctx != nullptr) {
        *ctx = new (std::nothrow) libusb_context;
        if (*ctx == nullptr)
            return LIBUSB_ERROR_NO_MEM;
    }
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context *ctx)
{
    delete ctx; // the default context (null) lives for the whole process
}

void LIBUSB_CALL libusb_set_debug(libusb_context *ctx, int level)
{
    if (ctx != nullptr)
        ctx->logLevel = level;
}

int LIBUSB_CALL libusb_set_option(libusb_context *ctx, enum libusb_option option, ...)
{
    int result = LIBUSB_SUCCESS;
    va_list arguments;
    va_start(arguments, option);
    switch (option) {
    case LIBUSB_OPTION_LOG_LEVEL: {
        const int level = va_arg(arguments, int);
        if (level < LIBUSB_LOG_LEVEL_NONE || level > LIBUSB_LOG_LEVEL_DEBUG)
            result = LIBUSB_ERROR_INVALID_PARAM;
        else if (ctx != nullptr)
            ctx->logLevel = level;
        break;
    }
    case LIBUSB_OPTION_USE_USBDK:
    case LIBUSB_OPTION_NO_DEVICE_DISCOVERY:
        break;
    default:
        result = LIBUSB_ERROR_INVALID_PARAM;
        break;
    }
    va_end(arguments);
    return result;
}

const struct libusb_version *LIBUSB_CALL libusb_get_version(void)
{
    return &Version;
}

int LIBUSB_CALL libusb_has_capability(uint32_t capability)
{
    return capability == LIBUSB_CAP_HAS_CAPABILITY ? 1 : 0;
}

int LIBUSB_CALL libusb_setlocale(const char *locale)
{
    return locale == nullptr ? LIBUSB_ERROR_INVALID_PARAM : LIBUSB_SUCCESS;
}

const char *LIBUSB_CALL libusb_error_name(int errcode)
{
    switch (errcode) {
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED: return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM: return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
    case LIBUSB_ERROR_OTHER: return "LIBUSB_ERROR_OTHER";
    case LIBUSB_TRANSFER_ERROR: return "LIBUSB_TRANSFER_ERROR";
    case LIBUSB_TRANSFER_TIMED_OUT: return "LIBUSB_TRANSFER_TIMED_OUT";
    case LIBUSB_TRANSFER_CANCELLED: return "LIBUSB_TRANSFER_CANCELLED";
    case LIBUSB_TRANSFER_STALL: return "LIBUSB_TRANSFER_STALL";
    case LIBUSB_TRANSFER_NO_DEVICE: return "LIBUSB_TRANSFER_NO_DEVICE";
    case LIBUSB_TRANSFER_OVERFLOW: return "LIBUSB_TRANSFER_OVERFLOW";
    case 0: return "LIBUSB_SUCCESS / LIBUSB_TRANSFER_COMPLETED";
    default: return "**UNKNOWN**";
    }
}

const char *LIBUSB_CALL libusb_strerror(int errcode)
{
    switch (errcode) {
    case LIBUSB_SUCCESS: return "Success";
    case LIBUSB_ERROR_IO: return "Input/Output Error";
    case LIBUSB_ERROR_INVALID_PARAM: return "Invalid parameter";
    case LIBUSB_ERROR_ACCESS: return "Access denied (insufficient permissions)";
    case LIBUSB_ERROR_NO_DEVICE: return "No such device (it may have been disconnected)";
    case LIBUSB_ERROR_NOT_FOUND: return "Entity not found";
    case LIBUSB_ERROR_BUSY: return "Resource busy";
    case LIBUSB_ERROR_TIMEOUT: return "Operation timed out";
    case LIBUSB_ERROR_OVERFLOW: return "Overflow";
    case LIBUSB_ERROR_PIPE: return "Pipe error";
    case LIBUSB_ERROR_INTERRUPTED: return "System call interrupted (perhaps due to signal)";
    case LIBUSB_ERROR_NO_MEM: return "Insufficient memory";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "Operation not supported or unimplemented on this platform";
    default: return "Other error";
    }
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context *ctx, libusb_device ***list)
{
    (void)ctx;
    if (list == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    const std::vector<libusb_device *> devices = UsbDeviceRegistry::instance().currentDevices();
    auto **array = new (std::nothrow) libusb_device *[devices.size() + 1];
    if (array == nullptr) {
        for (libusb_device *device : devices)
            UsbDeviceRegistry::unref(device);
        return LIBUSB_ERROR_NO_MEM;
    }
    for (std::size_t i = 0; i < devices.size(); ++i)
        array[i] = devices[i];
    array[devices.size()] = nullptr;
    *list = array;
    return static_cast<ssize_t>(devices.size());
}

void LIBUSB_CALL libusb_free_device_list(libusb_device **list, int unref_devices)
{
    if (list == nullptr)
        return;
    if (unref_devices) {
        for (libusb_device **device = list; *device != nullptr; ++device)
            UsbDeviceRegistry::unref(*device);
    }
    delete[] list;
}

libusb_device *LIBUSB_CALL libusb_ref_device(libusb_device *dev)
{
    return dev == nullptr ? nullptr : UsbDeviceRegistry::ref(dev);
}

void LIBUSB_CALL libusb_unref_device(libusb_device *dev)
{
    if (dev != nullptr)
        UsbDeviceRegistry::unref(dev);
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device *dev)
{
    return dev == nullptr ? 0 : static_cast<uint8_t>(dev->entry.bus);
}

uint8_t LIBUSB_CALL libusb_get_port_number(libusb_device *dev)
{
    if (dev == nullptr || dev->entry.portPath.empty())
        return 0;
    return static_cast<uint8_t>(dev->entry.portPath.back());
}

int LIBUSB_CALL libusb_get_port_numbers(libusb_device *dev, uint8_t *port_numbers, int port_numbers_len)
{
    if (dev == nullptr || port_numbers_len <= 0 || port_numbers == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    const std::vector<int> &path = dev->entry.portPath;
    if (static_cast<int>(path.size()) > port_numbers_len)
        return LIBUSB_ERROR_OVERFLOW;
    for (std::size_t i = 0; i < path.size(); ++i)
        port_numbers[i] = static_cast<uint8_t>(path[i]);
    return static_cast<int>(path.size());
}

libusb_device *LIBUSB_CALL libusb_get_parent(libusb_device *dev)
{
    (void)dev;
    return nullptr; // the virtual bus keeps no topology beyond port paths
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device *dev)
{
    return dev == nullptr ? 0 : static_cast<uint8_t>(dev->entry.address);
}

int LIBUSB_CALL libusb_get_device_speed(libusb_device *dev)
{
    return dev == nullptr ? LIBUSB_SPEED_UNKNOWN : LIBUSB_SPEED_HIGH;
}

int LIBUSB_CALL libusb_get_max_packet_size(libusb_device *dev, unsigned char endpoint)
{
    if (dev == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    libusb_config_descriptor *config = ConfigDescriptorFactory::create(dev->entry);
    int size = LIBUSB_ERROR_NOT_FOUND;
    const libusb_interface_descriptor &setting = config->interface[0].altsetting[0];
    for (int i = 0; i < setting.bNumEndpoints; ++i) {
        if (setting.endpoint[i].bEndpointAddress == endpoint)
            size = setting.endpoint[i].wMaxPacketSize;
    }
    ConfigDescriptorFactory::destroy(config);
    return size;
}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device *dev, struct libusb_device_descriptor *desc)
{
    if (dev == nullptr || desc == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    *desc = ConfigDescriptorFactory::deviceDescriptor(dev->entry);
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_get_config_descriptor(libusb_device *dev, uint8_t config_index,
                                             struct libusb_config_descriptor **config)
{
    if (dev == nullptr || config == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (config_index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    *config = ConfigDescriptorFactory::create(dev->entry);
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_get_active_config_descriptor(libusb_device *dev, struct libusb_config_descriptor **config)
{
    return libusb_get_config_descriptor(dev, 0, config);
}

int LIBUSB_CALL libusb_get_config_descriptor_by_value(libusb_device *dev, uint8_t bConfigurationValue,
                                                      struct libusb_config_descriptor **config)
{
    if (bConfigurationValue != 1)
        return dev == nullptr || config == nullptr ? LIBUSB_ERROR_INVALID_PARAM : LIBUSB_ERROR_NOT_FOUND;
    return libusb_get_config_descriptor(dev, 0, config);
}

void LIBUSB_CALL libusb_free_config_descriptor(struct libusb_config_descriptor *config)
{
    if (config != nullptr)
        ConfigDescriptorFactory::destroy(config);
}

int LIBUSB_CALL libusb_open(libusb_device *dev, libusb_device_handle **dev_handle)
{
    if (dev == nullptr || dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    auto *handle = new (std::nothrow) libusb_device_handle;
    if (handle == nullptr)
        return LIBUSB_ERROR_NO_MEM;
    const int result = toLibusb(bus().open(dev->entry.key, &handle->session));
    if (result != LIBUSB_SUCCESS) {
        delete handle;
        return result;
    }
    handle->device = UsbDeviceRegistry::ref(dev);
    *dev_handle = handle;
    return LIBUSB_SUCCESS;
}

libusb_device_handle *LIBUSB_CALL libusb_open_device_with_vid_pid(libusb_context *ctx, uint16_t vendor_id,
                                                                  uint16_t product_id)
{
    libusb_device **list = nullptr;
    if (libusb_get_device_list(ctx, &list) < 0)
        return nullptr;
    libusb_device_handle *handle = nullptr;
    for (libusb_device **device = list; *device != nullptr; ++device) {
        if ((*device)->entry.vendorId == vendor_id && (*device)->entry.productId == product_id) {
            if (libusb_open(*device, &handle) != LIBUSB_SUCCESS)
                handle = nullptr;
            break;
        }
    }
    libusb_free_device_list(list, 1);
    return handle;
}

void LIBUSB_CALL libusb_close(libusb_device_handle *dev_handle)
{
    if (dev_handle == nullptr)
        return;
    bus().close(&dev_handle->session);
    UsbDeviceRegistry::unref(dev_handle->device);
    delete dev_handle;
}

libusb_device *LIBUSB_CALL libusb_get_device(libusb_device_handle *dev_handle)
{
    return dev_handle == nullptr ? nullptr : dev_handle->device;
}

int LIBUSB_CALL libusb_get_configuration(libusb_device_handle *dev, int *config)
{
    if (dev == nullptr || config == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    *config = dev->configuration;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_set_configuration(libusb_device_handle *dev_handle, int configuration)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (configuration != 1 && configuration != -1)
        return LIBUSB_ERROR_NOT_FOUND;
    dev_handle->configuration = configuration == 1 ? 1 : 0;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle *dev_handle, int interface_number)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return toLibusb(bus().claimInterface(&dev_handle->session, interface_number));
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle *dev_handle, int interface_number)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return toLibusb(bus().releaseInterface(&dev_handle->session, interface_number));
}

int LIBUSB_CALL libusb_set_interface_alt_setting(libusb_device_handle *dev_handle, int interface_number,
                                                 int alternate_setting)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return interface_number == 0 && alternate_setting == 0 ? LIBUSB_SUCCESS : LIBUSB_ERROR_NOT_FOUND;
}

int LIBUSB_CALL libusb_kernel_driver_active(libusb_device_handle *dev_handle, int interface_number)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    bool active = false;
    const int result = toLibusb(bus().kernelDriverActive(dev_handle->session, interface_number, &active));
    return result != LIBUSB_SUCCESS ? result : (active ? 1 : 0);
}

int LIBUSB_CALL libusb_detach_kernel_driver(libusb_device_handle *dev_handle, int interface_number)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return toLibusb(bus().setKernelDriver(dev_handle->session, interface_number, false));
}

int LIBUSB_CALL libusb_attach_kernel_driver(libusb_device_handle *dev_handle, int interface_number)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return toLibusb(bus().setKernelDriver(dev_handle->session, interface_number, true));
}

int LIBUSB_CALL libusb_set_auto_detach_kernel_driver(libusb_device_handle *dev_handle, int enable)
{
    (void)enable;
    return dev_handle == nullptr ? LIBUSB_ERROR_INVALID_PARAM : LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_clear_halt(libusb_device_handle *dev_handle, unsigned char endpoint)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return toLibusb(bus().clearHalt(dev_handle->session, endpoint));
}

int LIBUSB_CALL libusb_reset_device(libusb_device_handle *dev_handle)
{
    if (dev_handle == nullptr)
        return LIBUSB_ERROR_INVALID_PARAM;
    return LIBUSB_SUCCESS; // nothing to reset: the virtual device never wedges
}

int LIBUSB_CALL libusb_bulk_transfer(libusb_device_handle *dev_handle, unsigned char endpoint, unsigned char *data,
                                     int length, int *actual_length, unsigned int timeout)
{
    int transferred = 0;
    int result = LIBUSB_ERROR_INVALID_PARAM;
    if (dev_handle != nullptr) {
        if (endpoint & LIBUSB_ENDPOINT_IN)
            result = toLibusb(bus().bulkIn(dev_handle->session, endpoint, data, length, timeout, &transferred));
        else
            result = toLibusb(bus().bulkOut(dev_handle->session, endpoint, data, length, &transferred));
    }
    if (actual_length != nullptr)
        *actual_length = transferred;
    return result;
}

struct libusb_transfer *LIBUSB_CALL libusb_alloc_transfer(int iso_packets)
{
    if (iso_packets < 0)
        return nullptr;
    const std::size_t size = sizeof(libusb_transfer)
                             + sizeof(libusb_iso_packet_descriptor) * static_cast<std::size_t>(iso_packets);
    return static_cast<libusb_transfer *>(std::calloc(1, size));
}

void LIBUSB_CALL libusb_free_transfer(struct libusb_transfer *transfer)
{
    if (transfer == nullptr)
        return;
    TransferEvents::instance().forget(transfer);
    if ((transfer->flags & LIBUSB_TRANSFER_FREE_BUFFER) && transfer->buffer != nullptr)
        std::free(transfer->buffer);
    std::free(transfer);
}

int LIBUSB_CALL libusb_submit_transfer(struct libusb_transfer *transfer)
{
    return TransferEvents::instance().submit(transfer);
}

int LIBUSB_CALL libusb_cancel_transfer(struct libusb_transfer *transfer)
{
    return TransferEvents::instance().cancel(transfer);
}

int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context *ctx, struct timeval *tv, int *completed)
{
    (void)ctx;
    TransferEvents::Clock::time_point deadline;
    if (!eventDeadline(tv, &deadline))
        return LIBUSB_ERROR_INVALID_PARAM;
    return TransferEvents::instance().handle(deadline, completed);
}

int LIBUSB_CALL libusb_handle_events_timeout(libusb_context *ctx, struct timeval *tv)
{
    return libusb_handle_events_timeout_completed(ctx, tv, nullptr);
}

int LIBUSB_CALL libusb_handle_events_completed(libusb_context *ctx, int *completed)
{
    (void)ctx;
    return TransferEvents::instance().handle(TransferEvents::Clock::now() + DefaultEventWait, completed);
}

int LIBUSB_CALL libusb_handle_events(libusb_context *ctx)
{
    return libusb_handle_events_completed(ctx, nullptr);
}

void LIBUSB_CALL libusb_interrupt_event_handler(libusb_context *ctx)
{
    (void)ctx;
    TransferEvents::instance().interrupt();
}

int LIBUSB_CALL libusb_interrupt_transfer(libusb_device_handle *dev_handle, unsigned char endpoint,
                                          unsigned char *data, int length, int *actual_length, unsigned int timeout)
{
    (void)endpoint;
    (void)data;
    (void)length;
    (void)timeout;
    if (actual_length != nullptr)
        *actual_length = 0;
    return dev_handle == nullptr ? LIBUSB_ERROR_INVALID_PARAM : LIBUSB_ERROR_NOT_SUPPORTED;
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle *dev_handle, uint8_t request_type, uint8_t bRequest,
                                        uint16_t wValue, uint16_t wIndex, unsigned char *data, uint16_t wLength,
                                        unsigned int timeout)
{
    (void)request_type;
    (void)bRequest;
    (void)wValue;
    (void)wIndex;
    (void)data;
    (void)wLength;
    (void)timeout;
    // The controller answers no control requests beyond the standard ones libusb serves itself.
    return dev_handle == nullptr ? LIBUSB_ERROR_INVALID_PARAM : LIBUSB_ERROR_PIPE;
}

int LIBUSB_CALL libusb_get_string_descriptor_ascii(libusb_device_handle *dev_handle, uint8_t desc_index,
                                                   unsigned char *data, int length)
{
    if (dev_handle == nullptr || data == nullptr || length <= 0)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (!dev_handle->device->entry.controller)
        return LIBUSB_ERROR_PIPE;
    switch (desc_index) {
    case 1: return copyString("Velmo", data, length);
    case 2: return copyString("Velmo stepper motor controller", data, length);
    case 3: {
        char serial[64];
        std::snprintf(serial, sizeof serial, "%03d-%d", dev_handle->device->entry.bus,
                      static_cast<int>(dev_handle->device->entry.key));
        return copyString(serial, data, length);
    }
    default: return LIBUSB_ERROR_PIPE;
    }
}

} // extern "C"

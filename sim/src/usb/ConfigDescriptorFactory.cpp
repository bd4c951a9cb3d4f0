#include "ConfigDescriptorFactory.h"

namespace {

constexpr int MaxEndpoints = 4;

// The config descriptor comes first so that its address is the block's.
struct DescriptorBlock {
    libusb_config_descriptor config;
    libusb_interface interface;
    libusb_interface_descriptor setting;
    libusb_endpoint_descriptor endpoints[MaxEndpoints];
};

libusb_endpoint_descriptor endpoint(std::uint8_t address, std::uint8_t type, std::uint16_t packetSize,
                                    std::uint8_t interval)
{
    libusb_endpoint_descriptor descriptor{};
    descriptor.bLength = LIBUSB_DT_ENDPOINT_SIZE;
    descriptor.bDescriptorType = LIBUSB_DT_ENDPOINT;
    descriptor.bEndpointAddress = address;
    descriptor.bmAttributes = type;
    descriptor.wMaxPacketSize = packetSize;
    descriptor.bInterval = interval;
    return descriptor;
}

} // namespace

libusb_config_descriptor *ConfigDescriptorFactory::create(const VirtualBus::DeviceEntry &entry)
{
    auto *block = new DescriptorBlock{};
    libusb_interface_descriptor &setting = block->setting;
    setting.bLength = LIBUSB_DT_INTERFACE_SIZE;
    setting.bDescriptorType = LIBUSB_DT_INTERFACE;
    setting.bInterfaceNumber = 0;
    setting.bAlternateSetting = 0;
    int count = 0;
    if (entry.controller) {
        setting.bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
        block->endpoints[count++] = endpoint(0x01, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
        block->endpoints[count++] = endpoint(0x81, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
        if (entry.extraEndpoints) {
            // Listed last, so a host that keeps the last bulk endpoint of each direction uses these.
            block->endpoints[count++] = endpoint(0x02, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
            block->endpoints[count++] = endpoint(0x82, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
        }
    } else if (entry.deviceClass == LIBUSB_CLASS_HUB) {
        setting.bInterfaceClass = LIBUSB_CLASS_HUB;
        block->endpoints[count++] = endpoint(0x81, LIBUSB_TRANSFER_TYPE_INTERRUPT, 1, 12);
    } else {
        setting.bInterfaceClass = LIBUSB_CLASS_HID;
        block->endpoints[count++] = endpoint(0x81, LIBUSB_TRANSFER_TYPE_INTERRUPT, 8, 10);
    }
    setting.bNumEndpoints = static_cast<std::uint8_t>(count);
    setting.endpoint = block->endpoints;

    block->interface.altsetting = &block->setting;
    block->interface.num_altsetting = 1;

    libusb_config_descriptor &config = block->config;
    config.bLength = LIBUSB_DT_CONFIG_SIZE;
    config.bDescriptorType = LIBUSB_DT_CONFIG;
    config.wTotalLength = static_cast<std::uint16_t>(LIBUSB_DT_CONFIG_SIZE + LIBUSB_DT_INTERFACE_SIZE
                                                     + count * LIBUSB_DT_ENDPOINT_SIZE);
    config.bNumInterfaces = 1;
    config.bConfigurationValue = 1;
    config.bmAttributes = 0x80;
    config.MaxPower = 50; // 100 mA
    config.interface = &block->interface;
    return &block->config;
}

void ConfigDescriptorFactory::destroy(libusb_config_descriptor *config)
{
    delete reinterpret_cast<DescriptorBlock *>(config);
}

libusb_device_descriptor ConfigDescriptorFactory::deviceDescriptor(const VirtualBus::DeviceEntry &entry)
{
    libusb_device_descriptor descriptor{};
    descriptor.bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor.bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor.bcdUSB = 0x0200;
    descriptor.bDeviceClass = static_cast<std::uint8_t>(entry.deviceClass);
    descriptor.bMaxPacketSize0 = 64;
    descriptor.idVendor = static_cast<std::uint16_t>(entry.vendorId);
    descriptor.idProduct = static_cast<std::uint16_t>(entry.productId);
    descriptor.bcdDevice = 0x0100;
    if (entry.controller) {
        descriptor.iManufacturer = 1;
        descriptor.iProduct = 2;
        descriptor.iSerialNumber = 3;
    }
    descriptor.bNumConfigurations = 1;
    return descriptor;
}

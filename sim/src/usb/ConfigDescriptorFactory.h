// Builds the configuration descriptor of a virtual device in one heap block,
// so that libusb_free_config_descriptor can release it in one go.
#ifndef VELMO_SIM_CONFIGDESCRIPTORFACTORY_H
#define VELMO_SIM_CONFIGDESCRIPTORFACTORY_H

#include "VirtualBus.h"

#include <libusb.h>

class ConfigDescriptorFactory
{
public:
    static libusb_config_descriptor *create(const VirtualBus::DeviceEntry &entry);
    static void destroy(libusb_config_descriptor *config);
    static libusb_device_descriptor deviceDescriptor(const VirtualBus::DeviceEntry &entry);
};

#endif

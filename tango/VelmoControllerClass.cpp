#include "VelmoControllerClass.h"

#include "DeviceAttr.h"
#include "VelmoController.h"

namespace velmotango {

VelmoControllerClass *VelmoControllerClass::s_instance = nullptr;

VelmoControllerClass::VelmoControllerClass(std::string &name) : Tango::DeviceClass(name)
{
}

VelmoControllerClass *VelmoControllerClass::init(const char *name)
{
    if (!s_instance) {
        std::string className(name);
        s_instance = new VelmoControllerClass(className);
    }
    return s_instance;
}

void VelmoControllerClass::command_factory()
{
    // State, Status and Init come from Tango; Init reopens the controller.
}

void VelmoControllerClass::attribute_factory(std::vector<Tango::Attr *> &attributes)
{
    using Attr = DeviceAttr<VelmoController>;
    attributes.push_back(new Attr("SerialNumber", Tango::DEV_STRING, &VelmoController::readSerialNumber, nullptr,
                                  "Serial number the controller reports"));
    attributes.push_back(
        new Attr("Model", Tango::DEV_STRING, &VelmoController::readModel, nullptr, "Controller model name"));
    attributes.push_back(
        new Attr("Firmware", Tango::DEV_STRING, &VelmoController::readFirmware, nullptr, "Firmware version"));
    attributes.push_back(
        new Attr("AxisCount", Tango::DEV_LONG, &VelmoController::readAxisCount, nullptr, "Number of axes"));
    attributes.push_back(new Attr("DeviceId", Tango::DEV_LONG, &VelmoController::readDeviceId, nullptr,
                                  "The library's device id (the USB port path as digits)"));
}

void VelmoControllerClass::device_factory(const Tango::DevVarStringArray *names)
{
    for (CORBA::ULong i = 0; i < names->length(); ++i) {
        std::string name((*names)[i].in());
        auto *device = new VelmoController(this, name);
        device_list.push_back(device);
        if (Tango::Util::_UseDb && !Tango::Util::_FileDb)
            export_device(device);
        else
            export_device(device, device->get_name().c_str());
    }
}

} // namespace velmotango

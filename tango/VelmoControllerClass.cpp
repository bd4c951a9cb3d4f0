#include "VelmoControllerClass.h"

#include "DeviceAttr.h"

namespace velmotango {

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

} // namespace velmotango

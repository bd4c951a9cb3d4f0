#include "VelmoAxisClass.h"

#include "DeviceAttr.h"
#include "VelmoAxis.h"

namespace velmotango {

VelmoAxisClass *VelmoAxisClass::s_instance = nullptr;

VelmoAxisClass::VelmoAxisClass(std::string &name) : Tango::DeviceClass(name)
{
}

VelmoAxisClass *VelmoAxisClass::init(const char *name)
{
    if (!s_instance) {
        std::string className(name);
        s_instance = new VelmoAxisClass(className);
    }
    return s_instance;
}

VelmoAxisClass *VelmoAxisClass::instance()
{
    return s_instance;
}

void VelmoAxisClass::command_factory()
{
    using Command = DeviceCommand<VelmoAxis>;
    command_list.push_back(new Command("Stop", &VelmoAxis::stop, "Stops the axis at its acceleration"));
    command_list.push_back(
        new Command("Abort", &VelmoAxis::abort, "Halts the axis at once by disabling its motor (Enable to resume)"));
    command_list.push_back(new Command("Home", &VelmoAxis::homeAxis, "Runs the axis to its home switch"));
    command_list.push_back(
        new Command("JogPositive", &VelmoAxis::jogPositive, "One jog sequence of StepSize in the positive direction"));
    command_list.push_back(
        new Command("JogNegative", &VelmoAxis::jogNegative, "One jog sequence of StepSize in the negative direction"));
    command_list.push_back(
        new Command("DrivePositive", &VelmoAxis::drivePositive, "Drives in the positive direction until Stop"));
    command_list.push_back(
        new Command("DriveNegative", &VelmoAxis::driveNegative, "Drives in the negative direction until Stop"));
    command_list.push_back(new Command("Enable", &VelmoAxis::enable, "Enables the motor"));
    command_list.push_back(new Command("Disable", &VelmoAxis::disable, "Disables the motor"));
}

void VelmoAxisClass::attribute_factory(std::vector<Tango::Attr *> &attributes)
{
    using Attr = DeviceAttr<VelmoAxis>;
    attributes.push_back(new Attr("Position", Tango::DEV_DOUBLE, &VelmoAxis::readPosition, &VelmoAxis::writePosition,
                                  "Current position (read from the controller); writing starts an absolute move"));
    attributes.push_back(new Attr("Velocity", Tango::DEV_DOUBLE, &VelmoAxis::readVelocity, &VelmoAxis::writeVelocity,
                                  "Motion speed, in the unit per second"));
    attributes.push_back(new Attr("Acceleration", Tango::DEV_DOUBLE, &VelmoAxis::readAcceleration,
                                  &VelmoAxis::writeAcceleration, "Motion acceleration, in the unit per second squared"));
    attributes.push_back(new Attr("StepSize", Tango::DEV_DOUBLE, &VelmoAxis::readStepSize, &VelmoAxis::writeStepSize,
                                  "Displacement of one jog step"));
    attributes.push_back(
        new Attr("Unit", Tango::DEV_STRING, &VelmoAxis::readUnit, nullptr, "Unit of the axis: mm or deg"));
    attributes.push_back(new Attr("NegativeLimit", Tango::DEV_BOOLEAN, &VelmoAxis::readNegativeLimit, nullptr,
                                  "The negative limit switch is reached"));
    attributes.push_back(new Attr("PositiveLimit", Tango::DEV_BOOLEAN, &VelmoAxis::readPositiveLimit, nullptr,
                                  "The positive limit switch is reached"));
    attributes.push_back(new Attr("NegativeLimitSensorFault", Tango::DEV_BOOLEAN,
                                  &VelmoAxis::readNegativeLimitSensorFault, nullptr,
                                  "The negative limit sensor has failed"));
    attributes.push_back(new Attr("PositiveLimitSensorFault", Tango::DEV_BOOLEAN,
                                  &VelmoAxis::readPositiveLimitSensorFault, nullptr,
                                  "The positive limit sensor has failed"));
    attributes.push_back(new Attr("HomeSensorFault", Tango::DEV_BOOLEAN, &VelmoAxis::readHomeSensorFault, nullptr,
                                  "The home sensor has failed"));
    attributes.push_back(
        new Attr("Homed", Tango::DEV_BOOLEAN, &VelmoAxis::readHomed, nullptr, "The axis has been homed"));
    attributes.push_back(
        new Attr("Enabled", Tango::DEV_BOOLEAN, &VelmoAxis::readEnabled, nullptr, "The motor is enabled"));
}

void VelmoAxisClass::device_factory(const Tango::DevVarStringArray *names)
{
    for (CORBA::ULong i = 0; i < names->length(); ++i) {
        std::string name((*names)[i].in());
        auto *device = new VelmoAxis(this, name);
        device_list.push_back(device);
        if (Tango::Util::_UseDb && !Tango::Util::_FileDb)
            export_device(device);
        else
            export_device(device, device->get_name().c_str());
    }
}

} // namespace velmotango

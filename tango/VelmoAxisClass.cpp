#include "VelmoAxisClass.h"

#include "DeviceAttr.h"

namespace velmotango {

namespace {

// A read-only boolean for one flag of the axis's running state.
class AxisFlagAttr : public Tango::Attr
{
public:
    using Flag = uint16_t MotorStageState::*;

    AxisFlagAttr(const char *name, Flag flag, const char *description)
        : Tango::Attr(name, Tango::DEV_BOOLEAN, Tango::READ), m_flag(flag)
    {
        Tango::UserDefaultAttrProp properties;
        properties.set_description(description);
        set_default_properties(properties);
    }

    void read(Tango::DeviceImpl *device, Tango::Attribute &attribute) override
    {
        static_cast<VelmoAxis *>(device)->readFlag(attribute, m_flag);
    }

private:
    Flag m_flag;
};

} // namespace

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
    using Flag = AxisFlagAttr;
    attributes.push_back(new Flag("NegativeLimit", &MotorStageState::isLeftLimit, "The negative limit switch is reached"));
    attributes.push_back(
        new Flag("PositiveLimit", &MotorStageState::isRightLimit, "The positive limit switch is reached"));
    attributes.push_back(new Flag("NegativeLimitSensorFault", &MotorStageState::isNegLimitFault,
                                  "The negative limit sensor has failed"));
    attributes.push_back(new Flag("PositiveLimitSensorFault", &MotorStageState::isPosLimitFault,
                                  "The positive limit sensor has failed"));
    attributes.push_back(new Flag("HomeSensorFault", &MotorStageState::isHomeFault, "The home sensor has failed"));
    attributes.push_back(new Flag("Homed", &MotorStageState::isHome, "The axis has been homed"));
    attributes.push_back(new Flag("Enabled", &MotorStageState::isEnable, "The motor is enabled"));
}

} // namespace velmotango

#include "AxisRules.h"

#include <cmath>
#include <sstream>

namespace velmotango {

namespace {

std::string number(double value)
{
    std::ostringstream text;
    text.precision(10);
    text << value;
    return text.str();
}

} // namespace

std::string AxisRules::unitName(int unitType)
{
    return unitType == 1 ? "deg" : "mm";
}

AxisVerdict AxisRules::judge(const AxisSnapshot &snapshot, const std::string &axisName, const StageLimits &limits)
{
    AxisVerdict verdict;
    if (!snapshot.valid) {
        verdict.state = snapshot.controllerLost ? Tango::FAULT : Tango::UNKNOWN;
        verdict.status = axisName + ": " + snapshot.failure;
        return verdict;
    }
    const MotorStageState &s = snapshot.state;
    const std::string unit = unitName(limits.unitType);
    const std::string where = " at " + number(snapshot.position) + " " + unit;

    std::string faults;
    if (s.isNegLimitFault)
        faults += "negative limit sensor failure; ";
    if (s.isHomeFault)
        faults += "home sensor failure; ";
    if (s.isPosLimitFault)
        faults += "positive limit sensor failure; ";
    if (!faults.empty()) {
        faults.resize(faults.size() - 2);
        verdict.state = Tango::FAULT;
        verdict.status = axisName + ": " + faults + where;
        return verdict;
    }
    if (s.isStop == 0 || s.currentJog != 0) {
        verdict.state = Tango::MOVING;
        verdict.status = axisName + ": moving" + where;
        if (s.currentJog != 0)
            verdict.status += " (jog step " + std::to_string(s.currentJog) + ")";
        return verdict;
    }
    if (s.isLeftLimit || s.isRightLimit) {
        verdict.state = Tango::ALARM;
        verdict.status = axisName + ": on the " + std::string(s.isLeftLimit ? "negative" : "positive")
            + " limit switch" + where + "; move it away in the other direction";
        return verdict;
    }
    if (s.isEnable == 0) {
        verdict.state = Tango::OFF;
        verdict.status = axisName + ": motor disabled" + where + " (run Enable)";
        return verdict;
    }
    verdict.state = Tango::ON;
    verdict.status = axisName + ": at rest" + where + (s.isHome ? ", homed" : ", not homed");
    return verdict;
}

std::string AxisRules::refuseTarget(double position, const StageLimits &limits)
{
    if (!std::isfinite(position))
        return "the position must be a finite number";
    if (!limits.hasTravel())
        return "the stage's travel is unknown (its ID chip holds none), so no absolute move is safe: set the axis "
               "device's MinPosition and MaxPosition properties";
    if (position < limits.minPosition || position > limits.maxPosition) {
        const std::string unit = unitName(limits.unitType);
        return "position " + number(position) + " " + unit + " is outside the travel of " + limits.model + " ("
            + number(limits.minPosition) + " to " + number(limits.maxPosition) + " " + unit + ")";
    }
    return std::string();
}

std::string AxisRules::refuseSpeed(double speed, const StageLimits &limits)
{
    if (!std::isfinite(speed) || speed <= 0.0)
        return "the velocity must be a number above 0";
    if (limits.maxSpeed > 0.0 && speed > limits.maxSpeed)
        return "velocity " + number(speed) + " is above the stage's maximum of " + number(limits.maxSpeed) + " "
            + unitName(limits.unitType) + "/s";
    return std::string();
}

std::string AxisRules::refuseAcceleration(double acceleration, const StageLimits &limits)
{
    if (!std::isfinite(acceleration) || acceleration <= 0.0)
        return "the acceleration must be a number above 0";
    if (limits.maxAcceleration > 0.0 && acceleration > limits.maxAcceleration)
        return "acceleration " + number(acceleration) + " is above the stage's maximum of "
            + number(limits.maxAcceleration) + " " + unitName(limits.unitType) + "/s²";
    return std::string();
}

std::string AxisRules::refuseStepSize(double step, const StageLimits &limits)
{
    if (!std::isfinite(step) || step <= 0.0)
        return "the step size must be a number above 0";
    if (limits.hasTravel() && step > limits.maxPosition - limits.minPosition)
        return "step size " + number(step) + " " + unitName(limits.unitType) + " is longer than the stage's travel";
    return std::string();
}

} // namespace velmotango

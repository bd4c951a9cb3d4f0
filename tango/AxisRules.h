// The rules an axis device applies, free of Tango's server machinery: which
// Tango state a poll result means, its status text, and which values may be
// sent to the controller at all.
#pragma once

#include "AxisSnapshot.h"

#include <tango.h>

#include <string>

namespace velmotango {

// What the axis's motor parameter block says about its stage.
struct StageLimits
{
    std::string model;
    double minPosition = 0.0;
    double maxPosition = 0.0; // no travel check unless maxPosition > minPosition
    double maxSpeed = 0.0;    // no limit unless above 0
    double maxAcceleration = 0.0;
    int unitType = 0;         // 0 mm, 1 degrees

    bool hasTravel() const { return maxPosition > minPosition; }
};

struct AxisVerdict
{
    Tango::DevState state = Tango::UNKNOWN;
    std::string status;
};

class AxisRules
{
public:
    static std::string unitName(int unitType);

    // ON at rest, OFF with the motor disabled, MOVING, ALARM on a limit
    // switch, FAULT on a failed sensor or a lost controller.
    static AxisVerdict judge(const AxisSnapshot &snapshot, const std::string &axisName, const StageLimits &limits);

    // Each returns an empty text when the value may be sent, else why not.
    static std::string refuseTarget(double position, const StageLimits &limits);
    static std::string refuseSpeed(double speed, const StageLimits &limits);
    static std::string refuseAcceleration(double acceleration, const StageLimits &limits);
    static std::string refuseStepSize(double step, const StageLimits &limits);
};

} // namespace velmotango

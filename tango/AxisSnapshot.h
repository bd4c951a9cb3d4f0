// What one poll of an axis found: its position and running state, or why
// they could not be read.
#pragma once

#include "velmoLibrary.h"

#include <string>

namespace velmotango {

struct AxisSnapshot
{
    int axis = 0;
    bool valid = false;        // position and state were both read
    bool controllerLost = false;
    std::string failure;       // why the read failed (empty when valid)
    double position = 0.0;
    MotorStageState state{};
};

} // namespace velmotango

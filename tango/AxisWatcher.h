// Receives the poll results of one axis from its controller's poll thread.
#pragma once

#include "AxisSnapshot.h"

namespace velmotango {

class AxisWatcher
{
public:
    virtual ~AxisWatcher() = default;
    // Called on the poll thread with no controller lock held.
    virtual void axisPolled(const AxisSnapshot &snapshot) = 0;
};

} // namespace velmotango

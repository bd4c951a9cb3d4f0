// Hands poll results from a controller's poll thread to one axis device,
// under the device's Tango monitor so that a push never races a client's read
// of the same attribute.
#pragma once

#include "AxisWatcher.h"

#include <condition_variable>
#include <mutex>

namespace velmotango {

class VelmoAxis;

class AxisEventPusher : public AxisWatcher
{
public:
    void axisPolled(const AxisSnapshot &snapshot) override;

    void attach(VelmoAxis *device);
    // No delivery starts after this; one already waiting for the monitor
    // finds the pusher detached and leaves the device alone.
    void detach();
    // Returns once no delivery is running (before the device is destroyed).
    void waitIdle();

private:
    bool attached();

    std::mutex m_mutex;
    std::condition_variable m_idle;
    VelmoAxis *m_device = nullptr;
    int m_deliveries = 0;
};

} // namespace velmotango

#include "AxisEventPusher.h"

#include "VelmoAxis.h"

namespace velmotango {

void AxisEventPusher::attach(VelmoAxis *device)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_device = device;
}

void AxisEventPusher::axisPolled(const AxisSnapshot &snapshot)
{
    VelmoAxis *device = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_device)
            return;
        device = m_device;
        ++m_deliveries;
    }
    // The server keeps Tango's default serialisation (one monitor per
    // device), so the device monitor is the lock client calls run under.
    Tango::TangoMonitor &monitor = device->get_dev_monitor();
    try {
        monitor.get_monitor();
        try {
            if (attached())
                device->publish(snapshot);
        } catch (const Tango::DevFailed &) {
            // A push that failed (no subscriber yet, event system busy) is
            // replaced by the next poll's.
        }
        monitor.rel_monitor();
    } catch (const Tango::DevFailed &) {
        // The monitor was not free in time (a long client call); the next
        // poll publishes again.
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_deliveries;
    }
    m_idle.notify_all();
}

bool AxisEventPusher::attached()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_device != nullptr;
}

void AxisEventPusher::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_device = nullptr;
}

void AxisEventPusher::waitIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_deliveries == 0; });
}

} // namespace velmotango

// The C control API of the virtual controller (velmoSim.h).
#include "velmoSim.h"

#include "TransferEvents.h"
#include "VirtualBus.h"

extern "C" {

int vsim_load_scenario(const char *json)
{
    return VirtualBus::instance().load(json);
}

int vsim_controller_count(void)
{
    return VirtualBus::instance().controllerCount();
}

int vsim_set_plugged(int dev_id, int plugged)
{
    return VirtualBus::instance().setPlugged(dev_id, plugged != 0);
}

int vsim_fail_open(int dev_id, int times)
{
    return VirtualBus::instance().failOpen(dev_id, times);
}

int vsim_fail_claim(int dev_id, int on)
{
    return VirtualBus::instance().failClaim(dev_id, on != 0);
}

int vsim_stall_in_once(int dev_id)
{
    return VirtualBus::instance().stallInOnce(dev_id);
}

int vsim_set_fault(int dev_id, vsim_fault fault, int code, int count)
{
    return VirtualBus::instance().setFault(dev_id, static_cast<int>(fault), code, count);
}

int vsim_set_latency_us(int dev_id, int microseconds)
{
    return VirtualBus::instance().setLatencyUs(dev_id, microseconds);
}

int vsim_push_in_bytes(int dev_id, const unsigned char *bytes, int length)
{
    return VirtualBus::instance().pushInBytes(dev_id, bytes, length);
}

int vsim_written_count(int dev_id)
{
    return VirtualBus::instance().writtenCount(dev_id);
}

int vsim_written_frame(int dev_id, int index, unsigned char *buf, int cap)
{
    return VirtualBus::instance().writtenFrame(dev_id, index, buf, cap);
}

int vsim_clear_written(int dev_id)
{
    return VirtualBus::instance().clearWritten(dev_id);
}

int vsim_overlapping_requests(int dev_id)
{
    return VirtualBus::instance().overlappingRequests(dev_id);
}

int vsim_open_count(int dev_id)
{
    return VirtualBus::instance().openCount(dev_id);
}

int vsim_open_handles(int dev_id)
{
    return VirtualBus::instance().openHandles(dev_id);
}

int vsim_set_sensor_faults(int dev_id, int axis, int negative_limit, int home, int positive_limit)
{
    return VirtualBus::instance().setSensorFaults(dev_id, axis, negative_limit != 0, home != 0, positive_limit != 0);
}

int vsim_set_axis_position(int dev_id, int axis, double position)
{
    return VirtualBus::instance().setAxisPosition(dev_id, axis, position);
}

unsigned long long vsim_event_handling_returns(void)
{
    return TransferEvents::instance().returns();
}

} // extern "C"

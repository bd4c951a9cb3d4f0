#pragma once

#include "velmoLibrary.h"
#include "velmoSim.h"

#include <cstdio>

// Loads the default virtual bus, sets the controller's reply latency
// (latencyUs < 0 keeps the default) and opens it through the library; says
// what went wrong, under the benchmark's name, when it cannot.
inline bool openVirtualController(const char *bench, int deviceId, int latencyUs = -1)
{
    if (vsim_load_scenario(nullptr) != VSIM_OK
        || (latencyUs >= 0 && vsim_set_latency_us(deviceId, latencyUs) != VSIM_OK)) {
        std::fprintf(stderr, "%s: virtual controller not available\n", bench);
        return false;
    }
    addDev(deviceId);
    if (openKXDevice(deviceId) != 0) {
        std::fprintf(stderr, "%s: openKXDevice failed\n", bench);
        return false;
    }
    return true;
}

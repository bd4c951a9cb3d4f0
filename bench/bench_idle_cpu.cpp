// Processor time an open controller costs while nothing is asked of it: one
// controller opened through the library on the virtual controller and left
// idle for 10 s, process CPU time over wall time (percent of one core).
#include "velmoLibrary.h"
#include "VirtualControllerSetup.h"
#include "velmoSim.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

int main()
{
    constexpr int kDeviceId = 14;
    constexpr auto kIdle = std::chrono::seconds(10);

    if (!openVirtualController("bench_idle_cpu", kDeviceId))
        return 1;
    // One exchange first, so the reader is known to be up and settled.
    setSpeed(kDeviceId, 0, 2.0);
    const bool answered = getSpeed(kDeviceId, 0) == 2.0;

    using Clock = std::chrono::steady_clock;
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(kIdle);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    removeDev(kDeviceId);

    std::printf("idle-cpu: %.3f\n", 100.0 * cpu / wall);
    if (!answered) {
        std::fprintf(stderr, "bench_idle_cpu: the controller did not answer\n");
        return 1;
    }
    return 0;
}

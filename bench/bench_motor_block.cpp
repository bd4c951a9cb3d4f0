// Time of the whole motor parameter block of one axis through the library
// against the virtual controller (reply latency 0.25 ms): getMotorParams is
// 23 exchanges, setMotorParams 24 (the fields and the closing write).
#include "velmoLibrary.h"
#include "VirtualControllerSetup.h"
#include "velmoSim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    constexpr int kRounds = 50;
    constexpr int kDeviceId = 14;
    constexpr int kAxis = 0;

    if (!openVirtualController("bench_motor_block", kDeviceId, 250))
        return 1;

    using Clock = std::chrono::steady_clock;
    auto millisSince = [](Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    std::vector<double> reads;
    std::vector<double> writes;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        MotorParams params{};
        auto start = Clock::now();
        if (getMotorParams(kDeviceId, kAxis, &params) != 0)
            ++failures;
        reads.push_back(millisSince(start));

        start = Clock::now();
        if (setMotorParams(kDeviceId, kAxis, params) != 0)
            ++failures;
        writes.push_back(millisSince(start));
    }
    removeDev(kDeviceId);

    std::printf("motor-block: read=%.3f write=%.3f\n", median(reads), median(writes));
    if (failures != 0) {
        std::fprintf(stderr, "bench_motor_block: %d block transfers failed\n", failures);
        return 1;
    }
    return 0;
}

// Time of one request/reply exchange through the library against the
// virtual controller (reply latency 0.25 ms): 2,000 getSpeed calls.
#include "velmoLibrary.h"
#include "VirtualControllerSetup.h"
#include "velmoSim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    constexpr int kExchanges = 2000;
    constexpr int kDeviceId = 14;

    if (!openVirtualController("bench_exchange", kDeviceId, 250))
        return 1;
    setSpeed(kDeviceId, 0, 2.0);

    using Clock = std::chrono::steady_clock;
    std::vector<double> millis;
    millis.reserve(kExchanges);
    int failures = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kExchanges; ++i) {
        const auto before = Clock::now();
        if (getSpeed(kDeviceId, 0) != 2.0)
            ++failures;
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    removeDev(kDeviceId);

    std::sort(millis.begin(), millis.end());
    auto percentile = [&millis](double p) { return millis[std::size_t(p * double(millis.size() - 1))]; };
    std::printf("exchange: p50=%.3f p99=%.3f max=%.3f rate=%.0f\n", percentile(0.50), percentile(0.99),
                millis.back(), kExchanges / seconds);
    if (failures != 0) {
        std::fprintf(stderr, "bench_exchange: %d exchanges failed\n", failures);
        return 1;
    }
    return 0;
}

// Time from emitting signal_stopMotor to the stop frame arriving at the
// controller, with the device service driven as the program drives it:
// three axes polled for position and state every 100 ms. Once against a
// healthy virtual controller and once against one that stopped answering.
#include "SerialComDev.h"
#include "velmoSim.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDeviceId = 14;
constexpr int kAxes = 3;

// Watches the frames the host writes and notes when each stop frame arrives.
class StopFrameWatcher
{
public:
    void start()
    {
        m_running = true;
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_running = false;
        m_thread.join();
    }
    void stopEmitted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_emitted.push_back(Clock::now());
    }
    std::vector<double> takeLatencies()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<double> out;
        out.swap(m_latencies);
        m_emitted.clear();
        return out;
    }

private:
    void run()
    {
        int seen = vsim_written_count(kDeviceId);
        while (m_running) {
            const int count = vsim_written_count(kDeviceId);
            for (; seen < count; ++seen) {
                unsigned char frame[64];
                if (vsim_written_frame(kDeviceId, seen, frame, int(sizeof frame)) < 4)
                    continue;
                if ((frame[2] | (frame[3] << 8)) != 0x0002)
                    continue;
                const auto now = Clock::now();
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_emitted.empty()) {
                    m_latencies.push_back(std::chrono::duration<double, std::milli>(now - m_emitted.front()).count());
                    m_emitted.pop_front();
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

    std::atomic<bool> m_running{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::deque<Clock::time_point> m_emitted;
    std::vector<double> m_latencies;
};

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
    int samples = 0;
};

Figures summarise(std::vector<double> values)
{
    Figures f;
    if (values.empty())
        return f;
    std::sort(values.begin(), values.end());
    auto at = [&values](double p) { return values[std::size_t(p * double(values.size() - 1))]; };
    f.p50 = at(0.50);
    f.p99 = at(0.99);
    f.max = values.back();
    f.samples = int(values.size());
    return f;
}

// Runs the polling for `stops` stop commands spaced `spacingMs` apart.
std::vector<double> runPhase(SerialComDev *service, StopFrameWatcher &watcher, int stops, int spacingMs,
                             int *peakQueue)
{
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, [service, peakQueue] {
        for (int axis = 0; axis < kAxes; ++axis) {
            emit service->signal_getCurrentPos(axis);
            emit service->signal_getDevState(axis);
        }
        *peakQueue = std::max(*peakQueue, service->pendingPollCount());
    });
    poll.start();

    int sent = 0;
    QTimer stopper;
    stopper.setInterval(spacingMs);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (sent == stops) {
            stopper.stop();
            QTimer::singleShot(1000, QCoreApplication::instance(), &QCoreApplication::quit);
            return;
        }
        watcher.stopEmitted();
        emit service->signal_stopMotor(sent % kAxes);
        ++sent;
    });
    // Let the polling settle into its rhythm before the first stop.
    QTimer::singleShot(350, &stopper, qOverload<>(&QTimer::start));
    QCoreApplication::exec();
    poll.stop();
    return watcher.takeLatencies();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The silent controller times out on purpose: its warnings would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("velmo.*.warning=false"));
    if (vsim_load_scenario(nullptr) != VSIM_OK) {
        std::fprintf(stderr, "bench_stop_latency: virtual controller not available\n");
        return 1;
    }
    SerialComDev *service = SerialComDev::instance();
    if (service->openDevice(kDeviceId) != kDeviceId) {
        std::fprintf(stderr, "bench_stop_latency: cannot open controller %d\n", kDeviceId);
        return 1;
    }
    StopFrameWatcher watcher;
    watcher.start();

    int healthyPeak = 0;
    const Figures healthy = summarise(runPhase(service, watcher, 300, 37, &healthyPeak));
    std::printf("stop-latency healthy: p50=%.3f p99=%.3f max=%.3f\n", healthy.p50, healthy.p99, healthy.max);
    std::fflush(stdout);

    vsim_set_fault(kDeviceId, VSIM_FAULT_NO_REPLY, 0, -1);
    int silentPeak = 0;
    const Figures silent = summarise(runPhase(service, watcher, 40, 430, &silentPeak));
    std::printf("stop-latency silent: p50=%.3f p99=%.3f max=%.3f peak-queue=%d\n", silent.p50, silent.p99, silent.max,
                silentPeak);

    watcher.stop();
    vsim_set_fault(kDeviceId, VSIM_FAULT_NONE, 0, 0);
    service->closeDevice();
    SerialComDev::shutdown();
    if (healthy.samples != 300 || silent.samples != 40) {
        std::fprintf(stderr, "bench_stop_latency: missing stop frames (%d, %d)\n", healthy.samples, silent.samples);
        return 1;
    }
    return 0;
}

// velmo-tango against the virtual controller: what a client's Position read
// through the server costs next to the library call it makes, and how many
// Position change events a client receives per second while an axis moves.
//   tango: read-position p50=… p99=… library-p50=… library-p99=… added-p50=…
//   tango: event-rate=…/s
#include "TangoServerProcess.h"
#include "VirtualControllerSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <tango.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDeviceId = 14;
constexpr int kReads = 2000;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * double(values.size() - 1))];
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

class PositionCounter : public Tango::CallBack
{
public:
    void push_event(Tango::EventData *event) override
    {
        if (!event->err)
            ++count;
    }
    std::atomic<int> count{0};
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);

    // The library call itself, in this process, on its own virtual controller.
    if (!openVirtualController("tango", kDeviceId))
        return 1;
    std::vector<double> library;
    for (int i = 0; i < kReads; ++i) {
        int status = 0;
        const auto start = std::chrono::steady_clock::now();
        getCurrentPos(kDeviceId, 0, &status);
        library.push_back(millisecondsSince(start));
        if (status != 0) {
            std::fprintf(stderr, "tango: getCurrentPos failed (%d)\n", status);
            return 1;
        }
    }
    closeKXDevice(kDeviceId);
    removeDev(kDeviceId);

    // The same read through the server, from a client on this host.
    TangoServerProcess server(QStringLiteral(R"({"timeScale": 1})"));
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "tango: %s\n", qPrintable(error));
        return 1;
    }
    try {
        std::string url = server.url("velmo/VM-0001/0");
        Tango::DeviceProxy axis(url);
        for (int i = 0; i < 100; ++i)
            axis.read_attribute("Position");
        std::vector<double> through;
        for (int i = 0; i < kReads; ++i) {
            const auto start = std::chrono::steady_clock::now();
            Tango::DeviceAttribute value = axis.read_attribute("Position");
            double position = 0.0;
            value >> position;
            through.push_back(millisecondsSince(start));
        }
        const double throughP50 = percentile(through, 0.50);
        const double libraryP50 = percentile(library, 0.50);
        std::printf("tango: read-position p50=%.3f p99=%.3f library-p50=%.3f library-p99=%.3f added-p50=%.3f ms\n",
                    throughP50, percentile(through, 0.99), libraryP50, percentile(library, 0.99),
                    throughP50 - libraryP50);

        // Events while the axis runs 10 -> 40 mm at 5 mm/s (6 s).
        PositionCounter counter;
        const int subscription = axis.subscribe_event("Position", Tango::CHANGE_EVENT, &counter);
        QThread::msleep(300);
        Tango::DeviceAttribute speed("Velocity", 5.0);
        axis.write_attribute(speed);
        Tango::DeviceAttribute target("Position", 40.0);
        counter.count = 0;
        axis.write_attribute(target);
        QElapsedTimer moving;
        moving.start();
        QThread::msleep(3000);
        const int events = counter.count.load();
        const double seconds = double(moving.elapsed()) / 1000.0;
        axis.command_inout("Stop");
        axis.unsubscribe_event(subscription);
        std::printf("tango: event-rate=%.0f/s (%d Position events in %.1f s of motion)\n", events / seconds, events,
                    seconds);
    } catch (const Tango::DevFailed &failure) {
        Tango::Except::print_exception(failure);
        return 1;
    }
    server.stop();
    return 0;
}

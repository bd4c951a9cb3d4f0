// What three open motion charts cost the GUI thread. Three axes are fed a
// simulated motion every 100 ms, as the panels' polling feeds them: moves
// back and forth with rests in between. Measured in phases of equal length:
// no chart open (the base), three charts following the last minute, and
// three charts showing everything of a day's recording. Prints the process
// CPU time over wall time of each phase, what the charts add to the base,
// and the longest gap between the ticks of a 5 ms timer (GUI-thread stall).
//
//   bench_motion_chart [--seconds <per phase, default 10>] [--idle]
//
// --idle feeds axes at rest (the everyday case). Under Xvfb the windows can
// be looked at while it runs.
#include "AppResources.h"
#include "MotionChartWindow.h"
#include "MotionTrace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kAxes = 3;
constexpr int kPollMs = 100;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

MotorStageState stateOf(bool running, bool limit)
{
    MotorStageState state{};
    state.isCanRun = 1;
    state.isEnable = 1;
    state.isStop = running ? 0 : 1;
    state.isRightLimit = limit ? 1 : 0;
    return state;
}

// An axis that rests 1 s, moves 3 s to the far end (touching the positive
// limit every third trip), rests 1 s and moves 3 s back.
class SimulatedAxis
{
public:
    SimulatedAxis(MotionTrace *trace, double phaseSeconds, bool idle)
        : m_trace(trace), m_phase(phaseSeconds), m_idle(idle)
    {
    }

    void read(qint64 msecs)
    {
        const double t = double(msecs) / 1000.0 + m_phase;
        const double cycle = std::fmod(t, 8.0);
        const int trip = int(t / 8.0);
        double position = 0;
        bool running = false;
        if (m_idle) {
            position = 12.5;
        } else if (cycle < 1) {
            position = 0;
        } else if (cycle < 4) {
            position = 50 * smooth((cycle - 1) / 3);
            running = true;
        } else if (cycle < 5) {
            position = 50;
        } else {
            position = 50 * (1 - smooth((cycle - 5) / 3));
            running = true;
        }
        if (running && !m_wasRunning)
            m_trace->setTarget(cycle < 4 ? 50 : 0);
        m_wasRunning = running;
        const bool limit = !m_idle && cycle >= 4 && cycle < 5 && trip % 3 == 0;
        m_trace->addPosition(msecs, position);
        m_trace->addState(msecs, stateOf(running, limit));
    }

private:
    static double smooth(double x) { return x * x * (3 - 2 * x); }

    MotionTrace *m_trace;
    double m_phase;
    bool m_idle;
    bool m_wasRunning = false;
};

struct PhaseFigures {
    double cpuShare = 0;
    double longestGapMs = 0;
    int redraws = 0;
};

// Runs the event loop for seconds while the feed goes on; 5 ms ticks watch
// for stalls.
PhaseFigures runPhase(int seconds, const std::vector<std::unique_ptr<MotionChartWindow>> &charts)
{
    int redrawsBefore = 0;
    for (const auto &chart : charts)
        redrawsBefore += chart->redrawCount();

    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    watch.setInterval(5);
    QElapsedTimer sinceTick;
    double longestGap = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.start();
    });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);

    const double cpuStart = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    watch.start();
    loop.exec();
    watch.stop();

    PhaseFigures figures;
    figures.cpuShare = (processCpuSeconds() - cpuStart) / (double(wall.nsecsElapsed()) / 1e9);
    figures.longestGapMs = longestGap;
    for (const auto &chart : charts)
        figures.redraws += chart->redrawCount();
    figures.redraws -= redrawsBefore;
    return figures;
}

void print(const char *name, const PhaseFigures &figures, const PhaseFigures *base)
{
    std::printf("%-34s CPU %6.2f %% of a core", name, figures.cpuShare * 100);
    if (base != nullptr)
        std::printf("  (charts add %5.2f %%)", (figures.cpuShare - base->cpuShare) * 100);
    std::printf("  longest stall %6.1f ms  redraws %d\n", figures.longestGapMs, figures.redraws);
    std::fflush(stdout); // shown as it comes when the output goes to a file
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Length of each phase."),
                                           QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption idleOption(QStringLiteral("idle"), QStringLiteral("Feed axes at rest."));
    parser.addOptions({secondsOption, idleOption});
    parser.process(app);
    const int seconds = std::max(1, parser.value(secondsOption).toInt());
    const bool idle = parser.isSet(idleOption);

    AppResources::init();
    AppResources::applyProgramLook();

    std::vector<std::unique_ptr<MotionTrace>> traces;
    std::vector<std::unique_ptr<SimulatedAxis>> axes;
    for (int axis = 0; axis < kAxes; ++axis) {
        traces.push_back(std::make_unique<MotionTrace>());
        axes.push_back(std::make_unique<SimulatedAxis>(traces.back().get(), axis * 2.7, idle));
    }

    // Each axis read every 100 ms on its own timer, as each panel polls.
    std::vector<std::unique_ptr<QTimer>> feeds;
    for (int axis = 0; axis < kAxes; ++axis) {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(kPollMs);
        SimulatedAxis *simulated = axes[size_t(axis)].get();
        QObject::connect(timer.get(), &QTimer::timeout,
                         [simulated] { simulated->read(QDateTime::currentMSecsSinceEpoch()); });
        timer->start();
        feeds.push_back(std::move(timer));
    }

    std::printf("three axes fed every %d ms (%s), %d s per phase\n", kPollMs, idle ? "at rest" : "moving", seconds);
    const PhaseFigures base = runPhase(seconds, {});
    print("no chart open", base, nullptr);

    std::vector<std::unique_ptr<MotionChartWindow>> charts;
    for (int axis = 0; axis < kAxes; ++axis) {
        auto chart = std::make_unique<MotionChartWindow>(traces[size_t(axis)].get());
        chart->setAxisName(QStringLiteral("Axis%1").arg(axis + 1));
        chart->resize(900, 520);
        chart->move(10 + (axis % 2) * 950, 10 + (axis / 2) * 540);
        chart->setTimeWindow(MotionChartWindow::TimeWindow::OneMinute);
        chart->show();
        charts.push_back(std::move(chart));
    }
    const PhaseFigures minute = runPhase(seconds, charts);
    print("three charts, last minute", minute, &base);

    // A day of readings behind each trace (reduced to its bound), everything shown.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int axis = 0; axis < kAxes; ++axis) {
        MotionTrace &trace = *traces[size_t(axis)];
        trace.clear();
        SimulatedAxis day(&trace, axis * 2.7, idle);
        for (qint64 t = now - 86400000; t < now; t += kPollMs)
            day.read(t);
        charts[size_t(axis)]->setTimeWindow(MotionChartWindow::TimeWindow::Everything);
    }
    const PhaseFigures everything = runPhase(seconds, charts);
    print("three charts, a day, everything", everything, &base);
    std::printf("samples held per trace: %d (bound %d)\n", traces[0]->sampleCount(),
                MotionTrace::kRecentSamples + MotionTrace::kBucketSamples + MotionTrace::kArchiveSamples);
    std::printf("target: charts add at most 2 %% of a core, no stall above 50 ms\n");
    return 0;
}

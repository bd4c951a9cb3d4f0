// scan, run and move run in-process against the virtual controller, which
// records every frame the library writes: the order of the targets, that a
// refused target never reaches the controller, a failure in the middle and
// that Ctrl-C sends the stop.

#include "CommandError.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Output.h"

#include "SimHarness.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>

#include <unistd.h>

using namespace simharness;

namespace {

constexpr int kStartMove = 0x0001;
constexpr int kStop = 0x0002;
constexpr int kSetTargetPos = 0x0007;
constexpr int kSetSpeed = 0x0009;
constexpr int kRunningState = 0x0024;

// Request frames: 55 AA, code, length, then the axis (2 bytes) and the value.
double frameValue(const QByteArray &frame)
{
    double value = 0.0;
    if (frame.size() >= 16)
        std::memcpy(&value, frame.constData() + 8, sizeof value); // little-endian, as on x86 and ARM
    return value;
}

QList<int> codes(const QList<QByteArray> &frames)
{
    QList<int> result;
    for (const QByteArray &frame : frames)
        result.append(quint8(frame.at(2)) | (quint8(frame.at(3)) << 8));
    return result;
}

// Targets written with setTargetPos, in order.
QList<double> writtenTargets()
{
    QList<double> targets;
    for (const QByteArray &frame : writtenFrames(kDefaultId)) {
        if ((quint8(frame.at(2)) | (quint8(frame.at(3)) << 8)) == kSetTargetPos)
            targets.append(frameValue(frame));
    }
    return targets;
}

// Runs one velmoctl command line in-process; the error it ended with, if any.
std::optional<CommandError> velmoctl(const QStringList &arguments)
{
    try {
        const CommandRequest request = CommandLine::parse(arguments);
        Output output(false);
        Commands(request, output).run();
    } catch (const CommandError &error) {
        return error;
    }
    return std::nullopt;
}

// Polls the axis (up to 5 s) until it reports stopped.
bool waitUntilStopped(int axis)
{
    OpenController controller;
    for (int waited = 0; waited < 5000; waited += 10) {
        MotorStageState state{};
        if (getRuningState(controller.id(), axis, &state) == 0 && state.isStop)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

double currentPosition(int axis)
{
    OpenController controller;
    int status = -1;
    const double position = getCurrentPos(controller.id(), axis, &status);
    return status == 0 ? position : -1e9;
}

// Waits (up to 10 s) until the controller has received `count` frames of `code`.
bool waitForFrames(int code, int count)
{
    for (int waited = 0; waited < 10000; waited += 2) {
        if (writtenCodes(kDefaultId).count(code) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

} // namespace

class TestVelmoctlScan : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void scanVisitsPointsInOrder();
    void runVisitsFilePoints();
    void refusedTargetsNeverReachTheController_data();
    void refusedTargetsNeverReachTheController();
    void unknownTravelNeedsOverride();
    void failureInTheMiddle();
    void interruptStopsTheAxis_data();
    void interruptStopsTheAxis();

private:
    QTemporaryDir m_dir;
};

void TestVelmoctlScan::init()
{
    QVERIFY(m_dir.isValid());
    // Axis 0 is the 0..50 mm stage at 10 mm; ten model seconds per second.
    QCOMPARE(vsim_load_scenario(R"({"timeScale": 10})"), VSIM_OK);
    vsim_clear_written(kDefaultId);
}

void TestVelmoctlScan::scanVisitsPointsInOrder()
{
    QVERIFY(!velmoctl({QStringLiteral("scan"), QStringLiteral("12"), QStringLiteral("10"), QStringLiteral("-0.5"),
                       QStringLiteral("--repeat"), QStringLiteral("2")}));

    const QList<double> once{12, 11.5, 11, 10.5, 10};
    QCOMPARE(writtenTargets(), once + once);
    // Each target is started, and the axis is seen stopped before the next one.
    const QList<int> written = writtenCodes(kDefaultId);
    int from = 0;
    for (int point = 0; point < 10; ++point) {
        const int target = written.indexOf(kSetTargetPos, from);
        const int start = written.indexOf(kStartMove, target);
        const int next = written.indexOf(kSetTargetPos, start);
        QVERIFY2(target >= 0 && start > target, qPrintable(QStringLiteral("point %1").arg(point)));
        QVERIFY2(written.mid(start, next < 0 ? -1 : next - start).contains(kRunningState),
                 qPrintable(QStringLiteral("no state read after point %1").arg(point)));
        from = start;
    }
    QVERIFY(!written.contains(kStop));
    QCOMPARE(currentPosition(0), 10.0);
}

void TestVelmoctlScan::runVisitsFilePoints()
{
    const QString path = m_dir.filePath(QStringLiteral("points.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("axis,position,speed,dwell\n0,20,8,\n1,100,,300\n0,5,,\n");
    file.close();

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!velmoctl({QStringLiteral("run"), path}));
    QVERIFY(clock.elapsed() >= 300); // the dwell at the second point

    QCOMPARE(writtenTargets(), (QList<double>{20, 100, 5}));
    // Only the first point sets a speed, before its move.
    const QList<QByteArray> frames = writtenFrames(kDefaultId);
    const QList<int> written = codes(frames);
    QCOMPARE(written.count(kSetSpeed), 1);
    QCOMPARE(frameValue(frames.at(written.indexOf(kSetSpeed))), 8.0);
    QVERIFY(written.indexOf(kSetSpeed) < written.indexOf(kStartMove));
    QCOMPARE(currentPosition(0), 5.0);
    QCOMPARE(currentPosition(1), 100.0);
}

void TestVelmoctlScan::refusedTargetsNeverReachTheController_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("scan past the end") << QStringList{QStringLiteral("scan"), QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("10")}
                                       << QStringLiteral("point 3: 60.000 mm is outside the travel of controller 14 axis 0 (0.000 mm to 50.000 mm)");
    QTest::newRow("scan below the start") << QStringList{QStringLiteral("scan"), QStringLiteral("-1"), QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("--speed"), QStringLiteral("3")}
                                          << QStringLiteral("point 0: -1.000 mm is outside");
    QTest::newRow("move") << QStringList{QStringLiteral("move"), QStringLiteral("50.001"), QStringLiteral("--speed"), QStringLiteral("3")}
                          << QStringLiteral("target: 50.001 mm is outside");
    QTest::newRow("relative move") << QStringList{QStringLiteral("move"), QStringLiteral("-10.5"), QStringLiteral("--relative")}
                                   << QStringLiteral("destination: -0.500 mm is outside");
    QTest::newRow("rotation stage") << QStringList{QStringLiteral("move"), QStringLiteral("361"), QStringLiteral("--axis"), QStringLiteral("1")}
                                    << QStringLiteral("target: 361.000\u00b0 is outside the travel of controller 14 axis 1 (0.000\u00b0 to 360.000\u00b0)");
}

void TestVelmoctlScan::refusedTargetsNeverReachTheController()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const std::optional<CommandError> error = velmoctl(arguments);
    QVERIFY(error);
    QCOMPARE(error->status(), CommandError::UsageError);
    QVERIFY2(error->message().contains(message), qPrintable(error->message()));

    // Reading the travel is all that happened: no target, speed or start.
    const QList<int> written = writtenCodes(kDefaultId);
    QVERIFY(!written.isEmpty());
    for (int code : {kSetTargetPos, kStartMove, kSetSpeed, 0x000D /* setRelativeDisp */})
        QVERIFY2(!written.contains(code), qPrintable(QString::number(code, 16)));

    // A run file with one bad line among good ones moves nothing either.
    vsim_clear_written(kDefaultId);
    const QString path = m_dir.filePath(QStringLiteral("points.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"([{"axis": 1, "position": 10}, {"axis": 0, "position": 51}])");
    file.close();
    const std::optional<CommandError> fileError = velmoctl({QStringLiteral("run"), path});
    QVERIFY(fileError);
    QVERIFY2(fileError->message().contains(QStringLiteral("points.json: entry 2: 51.000 mm is outside")),
             qPrintable(fileError->message()));
    QVERIFY(!writtenCodes(kDefaultId).contains(kStartMove));
}

void TestVelmoctlScan::unknownTravelNeedsOverride()
{
    // Axis 2 has no stage: its block is blank.
    std::optional<CommandError> error = velmoctl({QStringLiteral("scan"), QStringLiteral("0"), QStringLiteral("1"),
                                                  QStringLiteral("1"), QStringLiteral("--axis"), QStringLiteral("2")});
    QVERIFY(error);
    QCOMPARE(error->status(), CommandError::UsageError);
    QVERIFY2(error->message().contains(QStringLiteral("travel of controller 14 axis 2 is unknown")), qPrintable(error->message()));
    QVERIFY2(error->message().contains(QStringLiteral("--no-travel-check")), qPrintable(error->message()));
    QVERIFY(!writtenCodes(kDefaultId).contains(kStartMove));

    QVERIFY(!velmoctl({QStringLiteral("scan"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1"),
                       QStringLiteral("--axis"), QStringLiteral("2"), QStringLiteral("--no-travel-check")}));
    QCOMPARE(writtenTargets(), (QList<double>{0, 1}));

    // A block that cannot be read: the library's code, and the way out.
    vsim_clear_written(kDefaultId);
    QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_NO_REPLY, 0, -1), VSIM_OK);
    error = velmoctl({QStringLiteral("move"), QStringLiteral("5")});
    QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_NONE, 0, 0), VSIM_OK);
    QVERIFY(error);
    QCOMPARE(error->status(), CommandError::Failure);
    QVERIFY(error->libraryCode().has_value() && *error->libraryCode() < 0);
    QVERIFY(!writtenCodes(kDefaultId).contains(kStartMove));
}

void TestVelmoctlScan::failureInTheMiddle()
{
    // Once the second move has started, the controller refuses the next start.
    std::thread saboteur([] {
        if (waitForFrames(kStartMove, 2))
            vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, kStartMove, -1);
    });
    const std::optional<CommandError> error = velmoctl({QStringLiteral("scan"), QStringLiteral("10"),
                                                        QStringLiteral("14"), QStringLiteral("1"),
                                                        QStringLiteral("--dwell"), QStringLiteral("400")});
    saboteur.join();
    vsim_set_fault(kDefaultId, VSIM_FAULT_NONE, 0, 0);

    QVERIFY(error);
    QCOMPARE(error->status(), CommandError::Failure);
    QCOMPARE(error->libraryCode(), std::optional<int>(-2));
    QVERIFY2(error->message().startsWith(QStringLiteral("startMove failed on controller 14 axis 0")), qPrintable(error->message()));
    QVERIFY2(error->message().endsWith(QStringLiteral("; stop sent to axis 0")), qPrintable(error->message()));
    // The third target was sent and its start refused; the virtual controller
    // still started it, as a real one may when only the reply is lost. The
    // stop follows at once, and nothing else moves.
    QCOMPARE(writtenTargets(), (QList<double>{10, 11, 12}));
    const QList<int> written = writtenCodes(kDefaultId);
    QCOMPARE(written.count(kStartMove), 3);
    QCOMPARE(written.lastIndexOf(kStop), written.lastIndexOf(kStartMove) + 1);
    QVERIFY(waitUntilStopped(0));
    const double position = currentPosition(0);
    QVERIFY2(position >= 11.0 && position < 12.0, qPrintable(QString::number(position)));
}

void TestVelmoctlScan::interruptStopsTheAxis_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("startsBeforeSignal");

    // 10 mm at 1 mm/s: ten model seconds, one second here.
    QTest::newRow("while moving") << QStringList{QStringLiteral("scan"), QStringLiteral("20"), QStringLiteral("40"),
                                                 QStringLiteral("10"), QStringLiteral("--speed"), QStringLiteral("1")}
                                  << 1;
    // The first point is where the axis stands; then a long dwell.
    QTest::newRow("while dwelling") << QStringList{QStringLiteral("scan"), QStringLiteral("10"), QStringLiteral("20"),
                                                   QStringLiteral("10"), QStringLiteral("--dwell"), QStringLiteral("20000")}
                                    << 1;
}

void TestVelmoctlScan::interruptStopsTheAxis()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, startsBeforeSignal);

    // The scan holds its Ctrl-C guard from before the first start to its end.
    std::atomic<bool> sent{false};
    std::thread ctrlC([&] {
        if (!waitForFrames(kStartMove, startsBeforeSignal))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sent = ::kill(::getpid(), SIGINT) == 0;
    });
    QElapsedTimer clock;
    clock.start();
    const std::optional<CommandError> error = velmoctl(arguments);
    ctrlC.join();

    QVERIFY(sent);
    QVERIFY(error);
    QCOMPARE(error->status(), CommandError::Interrupted);
    QVERIFY2(error->message().contains(QStringLiteral("axis 0 stopped")), qPrintable(error->message()));
    QVERIFY(clock.elapsed() < 5000);

    const QList<int> written = writtenCodes(kDefaultId);
    QCOMPARE(written.count(kStartMove), startsBeforeSignal);
    QVERIFY(written.lastIndexOf(kStop) > written.lastIndexOf(kStartMove));

    // Braking takes a moment; the axis comes to rest short of the next point.
    QVERIFY(waitUntilStopped(0));
    const double position = currentPosition(0);
    QVERIFY2(position >= 10.0 && position < 20.0, qPrintable(QString::number(position)));
}

QTEST_GUILESS_MAIN(TestVelmoctlScan)
#include "tst_velmoctl_scan.moc"

// velmo-tango without a database against the virtual controller: what
// clients see, and what reaches the controller (read at the virtual
// controller through its control socket).
#include "SimControl.h"
#include "TangoServerProcess.h"

#include <QElapsedTimer>
#include <QtTest>

#include <tango.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kDeviceId = 14; // the default virtual controller, port path 1-4
constexpr quint16 kSetSpeed = 0x0009;
constexpr quint16 kSetTarget = 0x0007;
constexpr quint16 kStartMove = 0x0001;

// Ten model seconds per real second keeps moves short.
const char kScenario[] = R"({"timeScale": 10})";

struct Frame
{
    bool intact = false;
    quint16 code = 0;
    quint16 axis = 0;
    QByteArray payload;
};

// 55 AA, code and length (little-endian), payload, checksum (XOR of big-endian words).
Frame parseFrame(const QByteArray &bytes)
{
    Frame frame;
    if (bytes.size() < 8 || quint8(bytes[0]) != 0x55 || quint8(bytes[1]) != 0xAA)
        return frame;
    const int length = quint8(bytes[4]) | (quint8(bytes[5]) << 8);
    if (bytes.size() != length + 8)
        return frame;
    quint16 sum = 0;
    for (int i = 0; i < 6 + length; i += 2) {
        const quint16 high = quint8(bytes[i]);
        const quint16 low = i + 1 < 6 + length ? quint8(bytes[i + 1]) : 0;
        sum ^= quint16((high << 8) | low);
    }
    if (sum != quint16((quint8(bytes[6 + length]) << 8) | quint8(bytes[7 + length])))
        return frame;
    frame.intact = true;
    frame.code = quint16(quint8(bytes[2]) | (quint8(bytes[3]) << 8));
    frame.payload = bytes.mid(6, length);
    if (length >= 2)
        frame.axis = quint16(quint8(bytes[6]) | (quint8(bytes[7]) << 8));
    return frame;
}

double payloadDouble(const Frame &frame)
{
    double value = std::numeric_limits<double>::quiet_NaN();
    if (frame.payload.size() >= 10)
        std::memcpy(&value, frame.payload.constData() + 2, sizeof value);
    return value;
}

std::string reasonOf(const Tango::DevFailed &failure)
{
    return failure.errors.length() > 0 ? std::string(failure.errors[0].reason.in()) : std::string();
}

template <typename T>
T readValue(Tango::DeviceProxy &device, const char *attribute)
{
    Tango::DeviceAttribute value = device.read_attribute(attribute);
    T result{};
    value >> result;
    return result;
}

template <typename T>
void writeValue(Tango::DeviceProxy &device, const char *attribute, T value)
{
    Tango::DeviceAttribute written(attribute, value);
    device.write_attribute(written);
}

bool waitForState(Tango::DeviceProxy &device, Tango::DevState wanted, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (device.state() == wanted)
            return true;
        QThread::msleep(20);
    }
    return device.state() == wanted;
}

// Change events as they arrive on Tango's event thread.
class EventLog : public Tango::CallBack
{
public:
    void push_event(Tango::EventData *event) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (event->err) {
            ++errors;
            return;
        }
        const std::string name = event->attr_value->get_name();
        if (strcasecmp(name.c_str(), "Position") == 0) {
            double position = 0.0;
            *event->attr_value >> position;
            positions.push_back(position);
        } else if (strcasecmp(name.c_str(), "State") == 0) {
            Tango::DevState state = Tango::UNKNOWN;
            *event->attr_value >> state;
            states.push_back(state);
        }
    }

    std::vector<double> positionsSeen()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return positions;
    }
    std::vector<Tango::DevState> statesSeen()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return states;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        positions.clear();
        states.clear();
        errors = 0;
    }
    int errorCount()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return errors;
    }

private:
    std::mutex m_mutex;
    std::vector<double> positions;
    std::vector<Tango::DevState> states;
    int errors = 0;
};

} // namespace

class TangoServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void controllerIdentity();
    void attributesReachTheController();
    void badValuesAreRefusedAndNothingIsSent();
    void moveStatesAndEvents();
    void stopMidway();
    void limitSwitchIsAlarm();
    void sensorFaultIsFault();
    void twoClientsNeverOverlapFrames();
    void unplugIsFaultUntilInit();
    void serverExitsCleanly();

private:
    Tango::DeviceProxy &axis(int index) { return *m_axes.at(static_cast<size_t>(index)); }
    void resetAxis0();

    std::unique_ptr<TangoServerProcess> m_server;
    std::unique_ptr<SimControl> m_sim;
    std::unique_ptr<Tango::DeviceProxy> m_controller;
    std::vector<std::unique_ptr<Tango::DeviceProxy>> m_axes;
};

void TangoServerTest::initTestCase()
{
    m_server = std::make_unique<TangoServerProcess>(QString::fromLatin1(kScenario));
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    m_sim = std::make_unique<SimControl>(m_server->controlSocket());
    QCOMPARE(m_sim->number("controllers"), 1LL);
    std::string controllerUrl = m_server->url("velmo/controller/VM-0001");
    m_controller = std::make_unique<Tango::DeviceProxy>(controllerUrl);
    for (int i = 0; i < 3; ++i) {
        std::string axisUrl = m_server->url("velmo/VM-0001/" + std::to_string(i));
        m_axes.push_back(std::make_unique<Tango::DeviceProxy>(axisUrl));
    }
}

void TangoServerTest::cleanupTestCase()
{
    m_axes.clear();
    m_controller.reset();
    m_sim.reset();
    m_server.reset();
}

void TangoServerTest::resetAxis0()
{
    Tango::DeviceProxy &linear = axis(0);
    linear.command_inout("Stop");
    QVERIFY(waitForState(linear, Tango::ON, 5000));
    writeValue(linear, "Velocity", 5.0);
}

void TangoServerTest::controllerIdentity()
{
    QCOMPARE(m_controller->state(), Tango::ON);
    QCOMPARE(readValue<std::string>(*m_controller, "SerialNumber"), std::string("VM-0001"));
    QCOMPARE(readValue<std::string>(*m_controller, "Model"), std::string("VM-3A"));
    QCOMPARE(readValue<std::string>(*m_controller, "Firmware"), std::string("VM 1.0.0"));
    QCOMPARE(readValue<Tango::DevLong>(*m_controller, "AxisCount"), Tango::DevLong(3));
    QCOMPARE(readValue<Tango::DevLong>(*m_controller, "DeviceId"), Tango::DevLong(kDeviceId));

    QCOMPARE(readValue<std::string>(axis(0), "Unit"), std::string("mm"));
    QCOMPARE(readValue<std::string>(axis(1), "Unit"), std::string("deg"));
    QCOMPARE(axis(0).state(), Tango::ON);
    QVERIFY2(axis(0).status().find("VLS-50") != std::string::npos, axis(0).status().c_str());
}

void TangoServerTest::attributesReachTheController()
{
    Tango::DeviceProxy &rotation = axis(1);
    QCOMPARE(m_sim->command("clear-written 14"), QByteArray());
    writeValue(rotation, "Velocity", 7.25);
    const long long written = m_sim->number("written-count 14");
    QVERIFY(written >= 1);
    // The poll thread writes too; find the speed frame among them.
    bool found = false;
    for (int i = 0; i < written && !found; ++i) {
        const Frame frame = parseFrame(m_sim->frame(kDeviceId, i));
        QVERIFY(frame.intact);
        if (frame.code == kSetSpeed) {
            QCOMPARE(int(frame.axis), 1);
            QCOMPARE(payloadDouble(frame), 7.25);
            found = true;
        }
    }
    QVERIFY2(found, "no speed frame reached the controller");
    QCOMPARE(readValue<double>(rotation, "Velocity"), 7.25);

    writeValue(rotation, "Acceleration", 12.5);
    QCOMPARE(readValue<double>(rotation, "Acceleration"), 12.5);
    writeValue(rotation, "StepSize", 0.75);
    QCOMPARE(readValue<double>(rotation, "StepSize"), 0.75);

    // A position set at the controller is what a read returns.
    QCOMPARE(m_sim->command("position 14 1 123.5"), QByteArray());
    QCOMPARE(readValue<double>(rotation, "Position"), 123.5);
}

void TangoServerTest::badValuesAreRefusedAndNothingIsSent()
{
    Tango::DeviceProxy &linear = axis(0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char *attribute;
        double value;
    };
    const Case cases[] = {{"Position", 60.0},  {"Position", -0.5},  {"Position", nan},
                          {"Velocity", -3.0},  {"Velocity", 0.0},   {"Velocity", nan},
                          {"Velocity", 1e6},   {"Acceleration", -1.0}, {"StepSize", 0.0},
                          {"StepSize", 500.0}};
    for (const Case &bad : cases) {
        // The poll thread reads; only requests that carry a setting count.
        QCOMPARE(m_sim->command("clear-written 14"), QByteArray());
        bool refused = false;
        try {
            writeValue(linear, bad.attribute, bad.value);
        } catch (const Tango::DevFailed &failure) {
            refused = true;
            const std::string reason = reasonOf(failure);
            QVERIFY2(reason == "VELMO_InvalidValue" || reason == "API_WAttrOutsideLimit", reason.c_str());
        }
        QVERIFY2(refused, bad.attribute);
        const long long written = m_sim->number("written-count 14");
        for (int i = 0; i < written; ++i) {
            const Frame frame = parseFrame(m_sim->frame(kDeviceId, i));
            QVERIFY(frame.intact);
            QVERIFY2(frame.code == 0x0023 || frame.code == 0x0024,
                     qPrintable(QStringLiteral("%1 = %2 sent code 0x%3")
                                    .arg(QLatin1String(bad.attribute))
                                    .arg(bad.value)
                                    .arg(frame.code, 4, 16, QLatin1Char('0'))));
        }
    }
    QCOMPARE(readValue<double>(linear, "Position"), 10.0);

    // Axis 2 has no ID chip: no travel to check a target against.
    QCOMPARE(m_sim->command("clear-written 14"), QByteArray());
    try {
        writeValue(axis(2), "Position", 1.0);
        QFAIL("an absolute move without a known travel was accepted");
    } catch (const Tango::DevFailed &failure) {
        QCOMPARE(reasonOf(failure), std::string("VELMO_InvalidValue"));
    }
    const long long written = m_sim->number("written-count 14");
    for (int i = 0; i < written; ++i)
        QVERIFY(parseFrame(m_sim->frame(kDeviceId, i)).code != kSetTarget);
}

void TangoServerTest::moveStatesAndEvents()
{
    Tango::DeviceProxy &linear = axis(0);
    resetAxis0();
    EventLog log;
    const int positionEvents = linear.subscribe_event("Position", Tango::CHANGE_EVENT, &log);
    const int stateEvents = linear.subscribe_event("State", Tango::CHANGE_EVENT, &log);
    QTest::qWait(300);
    log.clear();

    QCOMPARE(m_sim->command("clear-written 14"), QByteArray());
    writeValue(linear, "Position", 20.0);
    QCOMPARE(linear.state(), Tango::MOVING);
    // The target went out, then the start, both for axis 0.
    int targetAt = -1;
    int startAt = -1;
    const long long written = m_sim->number("written-count 14");
    for (int i = 0; i < written; ++i) {
        const Frame frame = parseFrame(m_sim->frame(kDeviceId, i));
        if (frame.code == kSetTarget && frame.axis == 0 && payloadDouble(frame) == 20.0)
            targetAt = i;
        if (frame.code == kStartMove && frame.axis == 0)
            startAt = i;
    }
    QVERIFY(targetAt >= 0);
    QVERIFY(startAt > targetAt);

    QVERIFY(waitForState(linear, Tango::ON, 10000));
    QCOMPARE(readValue<double>(linear, "Position"), 20.0);
    QTest::qWait(300);
    const std::vector<double> positions = log.positionsSeen();
    const std::vector<Tango::DevState> states = log.statesSeen();
    linear.unsubscribe_event(positionEvents);
    linear.unsubscribe_event(stateEvents);

    QVERIFY2(positions.size() >= 5, qPrintable(QStringLiteral("%1 position events").arg(positions.size())));
    for (size_t i = 1; i < positions.size(); ++i)
        QVERIFY(positions[i] >= positions[i - 1]);
    QCOMPARE(positions.back(), 20.0);
    QVERIFY(std::find(states.begin(), states.end(), Tango::MOVING) != states.end());
    QCOMPARE(states.back(), Tango::ON);
    QCOMPARE(log.errorCount(), 0);

    // Moving back is refused while the axis still moves.
    writeValue(linear, "Position", 10.0);
    try {
        writeValue(linear, "Position", 12.0);
        QFAIL("a move while moving was accepted");
    } catch (const Tango::DevFailed &failure) {
        QCOMPARE(reasonOf(failure), std::string("VELMO_NotAllowed"));
    }
    QVERIFY(waitForState(linear, Tango::ON, 10000));
    QCOMPARE(readValue<double>(linear, "Position"), 10.0);
}

void TangoServerTest::stopMidway()
{
    Tango::DeviceProxy &linear = axis(0);
    resetAxis0();
    writeValue(linear, "Velocity", 1.0);
    writeValue(linear, "Position", 40.0);
    QTest::qWait(300);
    linear.command_inout("Stop");
    QVERIFY(waitForState(linear, Tango::ON, 5000));
    const double stoppedAt = readValue<double>(linear, "Position");
    QVERIFY2(stoppedAt > 10.0 && stoppedAt < 40.0, qPrintable(QString::number(stoppedAt)));
    writeValue(linear, "Velocity", 5.0);
    writeValue(linear, "Position", 10.0);
    QVERIFY(waitForState(linear, Tango::ON, 10000));
}

void TangoServerTest::limitSwitchIsAlarm()
{
    Tango::DeviceProxy &linear = axis(0);
    resetAxis0();
    writeValue(linear, "Velocity", 10.0); // the stage's top speed
    linear.command_inout("DrivePositive");
    QVERIFY(waitForState(linear, Tango::ALARM, 10000));
    QCOMPARE(readValue<bool>(linear, "PositiveLimit"), true);
    QCOMPARE(readValue<bool>(linear, "NegativeLimit"), false);
    QVERIFY2(linear.status().find("positive limit") != std::string::npos, linear.status().c_str());
    // Away from the switch in the other direction.
    writeValue(linear, "Position", 10.0);
    QVERIFY(waitForState(linear, Tango::ON, 10000));
    QCOMPARE(readValue<bool>(linear, "PositiveLimit"), false);
    writeValue(linear, "Velocity", 5.0);
}

void TangoServerTest::sensorFaultIsFault()
{
    Tango::DeviceProxy &rotation = axis(1);
    QCOMPARE(m_sim->command("sensor-faults 14 1 0 1 0"), QByteArray());
    QCOMPARE(rotation.state(), Tango::FAULT);
    QCOMPARE(readValue<bool>(rotation, "HomeSensorFault"), true);
    QVERIFY2(rotation.status().find("home sensor failure") != std::string::npos, rotation.status().c_str());
    try {
        rotation.command_inout("Home");
        QFAIL("Home with a failed home sensor was accepted");
    } catch (const Tango::DevFailed &failure) {
        QCOMPARE(reasonOf(failure), std::string("VELMO_NotAllowed"));
    }
    QCOMPARE(m_sim->command("sensor-faults 14 1 0 0 0"), QByteArray());
    QCOMPARE(rotation.state(), Tango::ON);
}

void TangoServerTest::twoClientsNeverOverlapFrames()
{
    resetAxis0();
    QCOMPARE(m_sim->command("clear-written 14"), QByteArray());
    std::atomic<int> failures{0};
    std::atomic<int> exchanges{0};
    // Each client has its own proxy and drives its own axis as fast as it can.
    auto client = [&](int index, double low, double high) {
        try {
            std::string url = m_server->url("velmo/VM-0001/" + std::to_string(index));
            Tango::DeviceProxy device(url);
            QElapsedTimer timer;
            timer.start();
            int round = 0;
            while (timer.elapsed() < 2000) {
                const double speed = 2.0 + (round % 5);
                writeValue(device, "Velocity", speed);
                if (readValue<double>(device, "Velocity") != speed)
                    ++failures;
                readValue<double>(device, "Position");
                try {
                    writeValue(device, "Position", round % 2 ? high : low);
                } catch (const Tango::DevFailed &failure) {
                    if (reasonOf(failure) != "VELMO_NotAllowed")
                        ++failures;
                }
                exchanges += 4;
                ++round;
            }
            device.command_inout("Stop");
        } catch (const Tango::DevFailed &) {
            ++failures;
        }
    };
    std::thread first(client, 0, 10.0, 12.0);
    std::thread second(client, 1, 90.0, 100.0);
    first.join();
    second.join();

    QCOMPARE(failures.load(), 0);
    QVERIFY(exchanges.load() > 100);
    QCOMPARE(m_sim->number("overlaps 14"), 0LL);
    const long long written = m_sim->number("written-count 14");
    int perAxis[2] = {0, 0};
    for (int i = 0; i < written; ++i) {
        const Frame frame = parseFrame(m_sim->frame(kDeviceId, i));
        QVERIFY(frame.intact);
        if (frame.code == kSetSpeed && frame.axis < 2)
            ++perAxis[frame.axis];
    }
    QVERIFY(perAxis[0] > 10 && perAxis[1] > 10);
    QVERIFY(waitForState(axis(0), Tango::ON, 10000));
    QVERIFY(waitForState(axis(1), Tango::ON, 10000));
    writeValue(axis(0), "Velocity", 5.0);
}

void TangoServerTest::unplugIsFaultUntilInit()
{
    Tango::DeviceProxy &linear = axis(0);
    const double before = readValue<double>(linear, "Position");
    EventLog log;
    const int stateEvents = linear.subscribe_event("State", Tango::CHANGE_EVENT, &log);
    QTest::qWait(200);
    log.clear();

    QCOMPARE(m_sim->command("plug 14 0"), QByteArray());
    // The poll thread finds out without any client asking.
    QElapsedTimer timer;
    timer.start();
    while (log.statesSeen().empty() && timer.elapsed() < 3000)
        QTest::qWait(20);
    QCOMPARE(log.statesSeen().back(), Tango::FAULT);
    QCOMPARE(linear.state(), Tango::FAULT);
    QVERIFY2(linear.status().find("unplugged") != std::string::npos, linear.status().c_str());
    QCOMPARE(m_controller->state(), Tango::FAULT);
    try {
        readValue<double>(linear, "Position");
        QFAIL("a position was read from an unplugged controller");
    } catch (const Tango::DevFailed &failure) {
        QCOMPARE(reasonOf(failure), std::string("VELMO_ControllerUnavailable"));
    }

    // Back on the same port: still FAULT until Init reopens it.
    QCOMPARE(m_sim->command("plug 14 1"), QByteArray());
    QTest::qWait(300);
    QCOMPARE(linear.state(), Tango::FAULT);
    m_controller->command_inout("Init");
    QCOMPARE(m_controller->state(), Tango::ON);
    QVERIFY(waitForState(linear, Tango::ON, 3000));
    QCOMPARE(readValue<double>(linear, "Position"), before);
    timer.restart();
    while (log.statesSeen().back() != Tango::ON && timer.elapsed() < 3000)
        QTest::qWait(20);
    QCOMPARE(log.statesSeen().back(), Tango::ON);

    // Init on a healthy controller reopens it without the axes noticing,
    // even while one moves and is polled every few milliseconds.
    writeValue(linear, "Velocity", 0.5);
    writeValue(linear, "Position", 30.0);
    QTest::qWait(100);
    log.clear();
    for (int i = 0; i < 20; ++i)
        m_controller->command_inout("Init");
    QTest::qWait(100);
    for (Tango::DevState state : log.statesSeen())
        QCOMPARE(state, Tango::MOVING);
    linear.command_inout("Stop");
    QVERIFY(waitForState(linear, Tango::ON, 5000));
    writeValue(linear, "Velocity", 5.0);
    linear.unsubscribe_event(stateEvents);
}

void TangoServerTest::serverExitsCleanly()
{
    // Stopping with a poll thread running and clients connected.
    writeValue(axis(1), "Velocity", 1.0);
    writeValue(axis(1), "Position", 300.0);
    int exitCode = -1;
    QVERIFY2(m_server->stop(&exitCode), qPrintable(m_server->output()));
    QCOMPARE(exitCode, 0);
}

QTEST_GUILESS_MAIN(TangoServerTest)
#include "tst_tango_server.moc"

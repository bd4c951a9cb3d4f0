// Device model tests: request frames in, reply frames out, motion on a
// virtual clock (times are passed in, nothing sleeps).
#include "AxisModel.h"
#include "ControllerModel.h"
#include "FrameCodec.h"
#include "RefusalStatus.h"
#include "ScenarioLoader.h"
#include "VirtualBus.h"
#include "velmoSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

struct Answer {
    bool present = false;
    std::uint16_t code = 0;
    std::uint16_t status = 0;
    Bytes data;
    Bytes frame;
};

Bytes axisPayload(std::uint16_t axis)
{
    Bytes payload;
    FrameCodec::putU16(payload, axis);
    return payload;
}

Bytes concat(Bytes head, const Bytes &tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes axisAndU16(std::uint16_t axis, std::uint16_t value)
{
    Bytes payload = axisPayload(axis);
    FrameCodec::putU16(payload, value);
    return payload;
}

Bytes axisAndI32(std::uint16_t axis, std::int32_t value)
{
    Bytes payload = axisPayload(axis);
    FrameCodec::putU32(payload, static_cast<std::uint32_t>(value));
    return payload;
}

Bytes axisAndDouble(std::uint16_t axis, double value)
{
    Bytes payload = axisPayload(axis);
    FrameCodec::putDouble(payload, value);
    return payload;
}

// One controller of the default scenario on a clock the test moves by hand.
class Harness
{
public:
    explicit Harness(const ControllerConfig &config = ScenarioLoader::defaultScenario().controllers.front())
        : start(std::chrono::steady_clock::now())
        , controller(config, start, 1.0, 0.0)
    {
    }

    Answer send(std::uint16_t code, const Bytes &payload, double atSeconds = 0.0)
    {
        const Bytes request = FrameCodec::buildRequest(code, payload);
        return sendRaw(request, atSeconds);
    }

    Answer sendRaw(const Bytes &request, double atSeconds)
    {
        const SteadyTime at = start + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::duration<double>(atSeconds));
        controller.receive(request.data(), request.size(), at);
        std::uint8_t buffer[4096];
        const std::size_t got = controller.inStream().read(buffer, sizeof buffer, at + std::chrono::seconds(1));
        Answer answer;
        if (got < FrameCodec::ReplyOverhead)
            return answer;
        answer.present = true;
        answer.frame.assign(buffer, buffer + got);
        answer.code = FrameCodec::u16At(buffer + 2);
        answer.status = FrameCodec::u16At(buffer + 4);
        answer.data.assign(buffer + 8, buffer + got - 2);
        return answer;
    }

    std::uint16_t state(std::uint16_t axis, double at, std::int32_t *jog = nullptr)
    {
        const Answer answer = send(0x0024, axisPayload(axis), at);
        if (jog)
            *jog = static_cast<std::int32_t>(FrameCodec::u32At(answer.data.data() + 4));
        return FrameCodec::u16At(answer.data.data() + 2);
    }

    double position(std::uint16_t axis, double at)
    {
        return FrameCodec::doubleAt(send(0x0023, axisPayload(axis), at).data.data() + 2);
    }

    std::int32_t index(std::uint16_t code, std::uint16_t axis, double at)
    {
        return static_cast<std::int32_t>(FrameCodec::u32At(send(code, axisPayload(axis), at).data.data() + 2));
    }

    SteadyTime start;
    ControllerModel controller;
};

} // namespace

class SimModelTest : public QObject
{
    Q_OBJECT

private slots:
    void checksumMatchesKnownFrames();
    void hostileFramesAreIgnored();
    void everyCodeAnswersWithItsReplyLength_data();
    void everyCodeAnswersWithItsReplyLength();
    void settersStoreAndGettersReturnBytes();
    void refusalsCarryTheirStatus();
    void deviceNameReplyLengthFollowsScenario();
    void moveFollowsTrapezoidalProfile();
    void relativeMoveAndDrive();
    void limitsStopMotionAndSetBits();
    void homingEndsAtZeroWithHomedBit();
    void jogSequenceCountsStepsThenResets();
    void cycleSequenceCountsCyclesThenResets();
    void stopDeceleratesAndDisabledAxisRefuses();
    void chipProgrammingAndErasing();
    void replyFaultsShapeTheBytes();
    void scenarioMistakesFallBackToDefaults();
    void stateFileRoundTrip();
    void absurdRequestsStayBounded();
};

void SimModelTest::checksumMatchesKnownFrames()
{
    const Bytes request = FrameCodec::buildRequest(0x0001, axisPayload(1));
    QCOMPARE(request, (Bytes{0x55, 0xAA, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00, 0x57, 0xAA}));
    const Bytes reply = FrameCodec::buildReply(0x0001, 0, axisPayload(1));
    QCOMPARE(reply, (Bytes{0xAA, 0x55, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0xA8, 0x55}));
    const std::uint8_t odd[] = {0x12, 0x34, 0x56};
    QCOMPARE(FrameCodec::checksum(odd, 3), std::uint16_t(0x1234 ^ 0x5600));

    // The controller answers the start-move request with exactly that reply.
    Harness h;
    QCOMPARE(h.sendRaw(request, 0.0).frame, reply);
}

void SimModelTest::hostileFramesAreIgnored()
{
    Harness h;
    Bytes good = FrameCodec::buildRequest(0x0023, axisPayload(0));
    Bytes badMagic = good;
    badMagic[0] = 0xAA;
    Bytes badSum = good;
    badSum.back() ^= 1;
    Bytes badLength = good;
    badLength[4] = 9;
    const Bytes tooShort{0x55, 0xAA, 0x23};
    Bytes trailing = good;
    trailing.push_back(0);
    for (const Bytes &frame : {badMagic, badSum, badLength, tooShort, trailing, Bytes{}})
        QVERIFY(!h.sendRaw(frame, 0.0).present);
    QCOMPARE(h.controller.writtenFrames().size(), std::size_t(6)); // still recorded byte for byte
    QCOMPARE(h.controller.writtenFrames().at(3), tooShort);
    QVERIFY(h.sendRaw(good, 0.0).present);
}

void SimModelTest::everyCodeAnswersWithItsReplyLength_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("requestSize");
    QTest::addColumn<int>("replySize");
    auto row = [](int code, int request, int reply) {
        QTest::addRow("0x%04x", code) << code << request << reply;
    };
    for (int code : {0x0001, 0x0002, 0x0003, 0x2000})
        row(code, 2, 2);
    for (int code : {0x0004, 0x0005, 0x0006, 0x0025, 0x000F, 0x001F, 0x0021, 0x1041})
        row(code, 4, 2);
    for (int code : {0x0007, 0x0009, 0x000B, 0x000D, 0x0011, 0x0018, 0x103B})
        row(code, 10, 2);
    for (int code : {0x0013, 0x0015, 0x001A, 0x001D})
        row(code, 6, 2);
    for (int code : {0x0008, 0x000A, 0x000C, 0x000E, 0x0012, 0x0019, 0x0023, 0x103C})
        row(code, 2, 10);
    for (int code : {0x0014, 0x0016, 0x0017, 0x001B, 0x001C, 0x001E})
        row(code, 2, 6);
    for (int code : {0x0010, 0x0020, 0x0022, 0x1022, 0x1042})
        row(code, 2, 4);
    row(0x0024, 2, 8);
    row(0x103D, 164, 2);
    row(0x103F, 164, 2);
    row(0x103E, 2, 164);
    row(0x1040, 2, 164);
    row(0x1043, 2, 0);
    // motor parameter block
    row(0x1007, 34, 2); row(0x1008, 2, 34); row(0x1009, 34, 2); row(0x100A, 2, 34);
    row(0x100B, 6, 2); row(0x100C, 2, 6); row(0x1024, 6, 2); row(0x1025, 2, 6);
    row(0x1036, 6, 2); row(0x1037, 2, 6);
    for (int code : {0x100D, 0x100F, 0x1026, 0x1028, 0x102A, 0x102C, 0x1039}) {
        row(code, 10, 2);
        row(code + 1, 2, 10);
    }
    for (int code : {0x1011, 0x1013, 0x1015, 0x1017, 0x1019, 0x101B, 0x101D, 0x102E, 0x1030, 0x1032, 0x1034}) {
        row(code, 4, 2);
        row(code + 1, 2, 4);
    }
    // controller level
    row(0x0027, 2, 0); row(0x0028, 0, 2); row(0x1023, 0, 2); row(0x1038, 0, 2);
    row(0x1001, 32, 0); row(0x1002, 2, 32); row(0x1003, 32, 0); row(0x1004, 0, 32);
    row(0x1005, 2, 0); row(0x1006, 2, 2); row(0x101F, 2, 32);
}

void SimModelTest::everyCodeAnswersWithItsReplyLength()
{
    QFETCH(int, code);
    QFETCH(int, requestSize);
    QFETCH(int, replySize);
    Harness h;
    Bytes payload(static_cast<std::size_t>(requestSize), 0);
    if (code == 0x1005)
        payload[0] = 3; // an axis count of 0 would be refused
    if (code == 0x0004 || code == 0x0005 || code == 0x0006)
        payload[2] = 1; // positive direction
    if (requestSize >= 2 && code != 0x1005 && code != 0x0027 && code != 0x1002 && code != 0x1006 && code != 0x101F)
        payload[0] = 1; // axis 1 (rotation stage, away from its limits)
    const Answer answer = h.send(static_cast<std::uint16_t>(code), payload);
    QVERIFY(answer.present);
    QCOMPARE(int(answer.code), code);
    QCOMPARE(int(answer.status), 0);
    QCOMPARE(int(answer.data.size()), replySize);
}

void SimModelTest::settersStoreAndGettersReturnBytes()
{
    Harness h;
    QCOMPARE(h.send(0x0009, axisAndDouble(2, 3.25)).data, axisPayload(2));
    QCOMPARE(h.send(0x000A, axisPayload(2)).data, axisAndDouble(2, 3.25));
    QCOMPARE(h.send(0x000A, axisPayload(0)).data, axisAndDouble(0, 5.0)); // other axes untouched
    QCOMPARE(h.send(0x0015, axisAndI32(1, -7)).status, std::uint16_t(0));
    QCOMPARE(h.send(0x0016, axisPayload(1)).data, axisAndI32(1, -7));

    Bytes table = axisPayload(0);
    FrameCodec::putU16(table, 2);
    for (int i = 0; i < 20; ++i)
        FrameCodec::putDouble(table, i * 0.5);
    QCOMPARE(h.send(0x103F, table).status, std::uint16_t(0));
    QCOMPARE(h.send(0x1040, axisPayload(0)).data, table);
    QCOMPARE(h.send(0x103E, axisPayload(0)).data.size(), std::size_t(164)); // the other direction stays apart

    Bytes name(32, 0);
    const char text[] = "Bench rig";
    std::copy(text, text + 9, name.begin());
    QVERIFY(h.send(0x1001, name).data.empty());
    Bytes zero = axisPayload(0);
    QCOMPARE(h.send(0x1002, zero).data, name);
    QCOMPARE(h.send(0x1004, {}).data.size(), std::size_t(32));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(h.send(0x1004, {}).data.data())), QByteArray("VM-0001"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(h.send(0x101F, zero).data.data())), QByteArray("VM 1.0.0"));

    // Joystick: enable word stored as written; the status word keeps bit 0 for "enabled".
    QCOMPARE(FrameCodec::u16At(h.send(0x1023, {}).data.data()) & 1, 0);
    h.send(0x0027, Bytes{0x01, 0x00});
    QCOMPARE(FrameCodec::u16At(h.send(0x0028, {}).data.data()), std::uint16_t(1));
    QCOMPARE(FrameCodec::u16At(h.send(0x1023, {}).data.data()) & 1, 1);
    QCOMPARE(FrameCodec::u16At(h.send(0x1038, {}).data.data()), std::uint16_t(3));

    // Axis count: a new count adds blank axes that answer.
    QCOMPARE(FrameCodec::u16At(h.send(0x1006, zero).data.data()), std::uint16_t(3));
    h.send(0x1005, Bytes{0x05, 0x00});
    QCOMPARE(FrameCodec::u16At(h.send(0x1006, zero).data.data()), std::uint16_t(5));
    QCOMPARE(h.send(0x0023, axisPayload(4)).status, std::uint16_t(0));
}

void SimModelTest::refusalsCarryTheirStatus()
{
    Harness h;
    const Answer unknown = h.send(0x0026, axisPayload(0));
    QCOMPARE(unknown.status, RefusalStatus::UnknownCode);
    const Answer shortSetter = h.send(0x0009, axisPayload(0));
    QCOMPARE(shortSetter.status, RefusalStatus::BadLength);
    QCOMPARE(shortSetter.data.size(), std::size_t(2)); // still the size the host waits for
    const Answer badAxis = h.send(0x0023, axisPayload(3));
    QCOMPARE(badAxis.status, RefusalStatus::BadAxis);
    QCOMPARE(badAxis.data.size(), std::size_t(10));
    QCOMPARE(h.send(0x0005, axisAndU16(0, 3)).status, RefusalStatus::BadValue);
    QCOMPARE(h.send(0x1005, Bytes{0x00, 0x00}).status, RefusalStatus::BadValue);
    QCOMPARE(h.send(0x1004, Bytes{0x00, 0x00}).status, RefusalStatus::BadLength);
    QCOMPARE(h.send(0x0008, Bytes{}).status, RefusalStatus::BadLength);
}

void SimModelTest::deviceNameReplyLengthFollowsScenario()
{
    ControllerConfig config = ScenarioLoader::defaultScenario().controllers.front();
    config.deviceNameReplyBytes = 2;
    Harness h(config);
    const Answer answer = h.send(0x1001, Bytes(32, 'x'));
    QCOMPARE(answer.status, std::uint16_t(0));
    QCOMPARE(answer.data.size(), std::size_t(2));
}

void SimModelTest::moveFollowsTrapezoidalProfile()
{
    // Axis 0 starts at 10; speed 5, acceleration 20: a 20 mm move takes
    // 0.25 s up, 3.75 s cruising, 0.25 s down.
    Harness h;
    h.send(0x0007, axisAndDouble(0, 30.0));
    QCOMPARE(h.send(0x0001, axisPayload(0)).status, std::uint16_t(0));
    QVERIFY(!(h.state(0, 0.1) & AxisModel::Stopped));
    QVERIFY(!(h.state(0, 0.1) & AxisModel::CanRun));
    QVERIFY(std::fabs(h.position(0, 0.25) - 10.625) < 1e-9);
    QVERIFY(std::fabs(h.position(0, 2.125) - 20.0) < 1e-9); // half way at half time
    QCOMPARE(h.send(0x0001, axisPayload(0), 2.3).status, RefusalStatus::AxisBusy);
    QVERIFY(h.position(0, 4.2) < 30.0);
    QVERIFY(!(h.state(0, 4.2) & AxisModel::Stopped));
    QCOMPARE(h.position(0, 4.26), 30.0);
    const std::uint16_t done = h.state(0, 4.3);
    QVERIFY(done & AxisModel::Stopped);
    QVERIFY(done & AxisModel::CanRun);
    QVERIFY(!(done & (AxisModel::NegativeLimit | AxisModel::PositiveLimit)));

    // Speed is held to the stage's maximum speed (10): 20 mm back take about 2.x s, not 1 s.
    h.send(0x0009, axisAndDouble(0, 40.0), 5.0);
    h.send(0x0007, axisAndDouble(0, 10.0), 5.0);
    h.send(0x0001, axisPayload(0), 5.0);
    QVERIFY(h.position(0, 6.5) > 10.5);
    QCOMPARE(h.position(0, 7.5), 10.0);
}

void SimModelTest::relativeMoveAndDrive()
{
    Harness h;
    h.send(0x000F, axisAndU16(1, 1));
    h.send(0x000D, axisAndDouble(1, -30.0));
    h.send(0x0001, axisPayload(1));
    QCOMPARE(h.position(1, 20.0), 60.0); // 90 - 30
    // A drive in relative mode travels the displacement's size in the given direction.
    h.send(0x0005, axisAndU16(1, 1), 20.0);
    QCOMPARE(h.position(1, 40.0), 90.0);
    // Without relative mode a drive runs until stopped.
    h.send(0x000F, axisAndU16(1, 0), 40.0);
    h.send(0x0005, axisAndU16(1, 2), 40.0);
    QVERIFY(!(h.state(1, 45.0) & AxisModel::Stopped));
    h.send(0x0002, axisPayload(1), 45.0);
    QVERIFY(h.state(1, 47.0) & AxisModel::Stopped);
    QVERIFY(std::fabs(h.position(1, 47.0) - (90.0 - 0.625 - 5.0 * 4.75 - 0.625)) < 1e-6);
}

void SimModelTest::limitsStopMotionAndSetBits()
{
    Harness h;
    h.send(0x0005, axisAndU16(0, 1)); // drive towards maxPos 50
    QCOMPARE(h.state(0, 1.0) & AxisModel::PositiveLimit, 0);
    std::uint16_t word = h.state(0, 20.0);
    QVERIFY(word & AxisModel::PositiveLimit);
    QVERIFY(word & AxisModel::Stopped);
    QCOMPARE(h.position(0, 20.0), 50.0);
    // Further motion towards the reached limit goes nowhere.
    h.send(0x0007, axisAndDouble(0, 70.0), 21.0);
    QCOMPARE(h.send(0x0001, axisPayload(0), 21.0).status, std::uint16_t(0));
    QCOMPARE(h.position(0, 22.0), 50.0);
    QVERIFY(h.state(0, 22.0) & AxisModel::PositiveLimit);
    // Leaving the limit clears its bit; a target beyond minPos stops on the negative switch.
    h.send(0x0007, axisAndDouble(0, -5.0), 23.0);
    h.send(0x0001, axisPayload(0), 23.0);
    QCOMPARE(h.state(0, 24.0) & AxisModel::PositiveLimit, 0);
    word = h.state(0, 40.0);
    QVERIFY(word & AxisModel::NegativeLimit);
    QCOMPARE(h.position(0, 40.0), 0.0);

    // Sensor faults show in bits 6 to 8.
    h.controller.axis(2).setSensorFaults(true, true, true);
    QCOMPARE(h.state(2, 41.0) & 0x01C0, 0x01C0);
    QCOMPARE(h.send(0x0003, axisPayload(2), 41.0).status, RefusalStatus::SensorFault);
}

void SimModelTest::homingEndsAtZeroWithHomedBit()
{
    // From 10 at homing speed 2 with acceleration 20: 0.1 s + 4.9 s + 0.1 s.
    Harness h;
    QCOMPARE(h.state(0, 0.0) & AxisModel::Homed, 0);
    QCOMPARE(h.send(0x0003, axisPayload(0)).status, std::uint16_t(0));
    QCOMPARE(h.state(0, 5.0) & AxisModel::Homed, 0);
    QVERIFY(h.position(0, 5.0) > 0.0);
    const std::uint16_t word = h.state(0, 5.2);
    QVERIFY(word & AxisModel::Homed);
    QVERIFY(word & AxisModel::Stopped);
    QCOMPARE(h.position(0, 5.2), 0.0);
}

void SimModelTest::jogSequenceCountsStepsThenResets()
{
    // Steps of 1 at speed 5 / acceleration 20 last 2*sqrt(0.05) = 0.447 s, 0.1 s apart.
    Harness h;
    h.send(0x0015, axisAndI32(0, 3));
    QCOMPARE(h.send(0x0004, axisAndU16(0, 1)).status, std::uint16_t(0));
    std::int32_t jog = -1;
    h.state(0, 0.1, &jog);
    QCOMPARE(jog, 1);
    QCOMPARE(h.index(0x0017, 0, 0.5), 1); // dwelling after the first step
    QVERIFY(std::fabs(h.position(0, 0.5) - 11.0) < 1e-9);
    QCOMPARE(h.index(0x0017, 0, 0.7), 2);
    QCOMPARE(h.index(0x0017, 0, 1.2), 3);
    QVERIFY(!(h.state(0, 1.2) & AxisModel::Stopped));
    const std::uint16_t word = h.state(0, 1.6, &jog);
    QCOMPARE(jog, 0);
    QVERIFY(word & AxisModel::CanRun);
    QCOMPARE(h.index(0x0017, 0, 1.6), 0);
    QVERIFY(std::fabs(h.position(0, 1.6) - 13.0) < 1e-9);
    // Negative jogs and a zero count.
    h.send(0x0004, axisAndU16(0, 2), 2.0);
    QVERIFY(std::fabs(h.position(0, 4.0) - 10.0) < 1e-9);
    h.send(0x0015, axisAndI32(0, 0), 4.0);
    QCOMPARE(h.send(0x0004, axisAndU16(0, 1), 4.0).status, RefusalStatus::BadValue);
}

void SimModelTest::cycleSequenceCountsCyclesThenResets()
{
    // Strokes of 2 at speed 5 / acceleration 20 take 0.65 s, with 0.1 s at each end.
    Harness h;
    h.send(0x0018, axisAndDouble(0, 2.0));
    h.send(0x001A, axisAndI32(0, 2));
    h.send(0x001D, axisAndI32(0, 100));
    QCOMPARE(h.send(0x0006, axisAndU16(0, 1)).status, std::uint16_t(0));
    QCOMPARE(h.index(0x001C, 0, 0.3), 1);
    QVERIFY(std::fabs(h.position(0, 0.7) - 12.0) < 1e-9); // dwelling at the far end
    QCOMPARE(h.index(0x001C, 0, 1.0), 1);
    QCOMPARE(h.index(0x001C, 0, 1.6), 2);
    QCOMPARE(h.index(0x001C, 0, 2.5), 2);
    QCOMPARE(h.index(0x001C, 0, 3.0), 0);
    QVERIFY(std::fabs(h.position(0, 3.0) - 10.0) < 1e-9);
    QVERIFY(h.state(0, 3.0) & AxisModel::CanRun);
}

void SimModelTest::stopDeceleratesAndDisabledAxisRefuses()
{
    Harness h;
    h.send(0x0007, axisAndDouble(0, 40.0));
    h.send(0x0001, axisPayload(0));
    h.send(0x0002, axisPayload(0), 1.0); // cruising at 5: 0.25 s and 0.625 mm to rest
    const double atStop = 10.0 + 0.625 + 5.0 * 0.75;
    QVERIFY(!(h.state(0, 1.1) & AxisModel::Stopped));
    QVERIFY(std::fabs(h.position(0, 1.3) - (atStop + 0.625)) < 1e-9);
    QVERIFY(h.state(0, 1.3) & AxisModel::Stopped);

    h.send(0x0025, axisAndU16(0, 0), 2.0);
    const std::uint16_t word = h.state(0, 2.0);
    QCOMPARE(word & (AxisModel::Enabled | AxisModel::CanRun), 0);
    for (std::uint16_t code : {0x0001, 0x0003})
        QCOMPARE(h.send(code, axisPayload(0), 2.0).status, RefusalStatus::AxisDisabled);
    for (std::uint16_t code : {0x0004, 0x0005, 0x0006})
        QCOMPARE(h.send(code, axisAndU16(0, 1), 2.0).status, RefusalStatus::AxisDisabled);
    h.send(0x0025, axisAndU16(0, 1), 3.0);
    QCOMPARE(h.send(0x0001, axisPayload(0), 3.0).status, std::uint16_t(0));
    // Disabling mid-move halts on the spot.
    h.send(0x0025, axisAndU16(0, 0), 3.5);
    const double halted = h.position(0, 3.5);
    QCOMPARE(h.position(0, 9.0), halted);
}

void SimModelTest::chipProgrammingAndErasing()
{
    Harness h;
    auto detect = [&](std::uint16_t axis) { return FrameCodec::u16At(h.send(0x1022, axisPayload(axis)).data.data() + 2); };
    QCOMPARE(detect(0), std::uint16_t(2));
    QCOMPARE(detect(2), std::uint16_t(0));
    Bytes name = axisPayload(2);
    name.resize(34, 0);
    name[2] = 'V';
    name[3] = 'X';
    h.send(0x1007, name);
    h.send(0x102C, axisAndDouble(2, 25.0));
    QCOMPARE(detect(2), std::uint16_t(0)); // written but not yet programmed
    QCOMPARE(h.send(0x2000, axisPayload(2)).data, axisPayload(2));
    QCOMPARE(detect(2), std::uint16_t(2));
    QCOMPARE(h.send(0x1008, axisPayload(2)).data, name);

    const Answer erase = h.send(0x1043, axisPayload(0));
    QCOMPARE(erase.status, std::uint16_t(0));
    QVERIFY(erase.data.empty());
    QCOMPARE(detect(0), std::uint16_t(0));
    QCOMPARE(h.send(0x1008, axisPayload(0)).data, concat(axisPayload(0), Bytes(32, 0)));
    QCOMPARE(h.send(0x102D, axisPayload(0)).data, axisAndDouble(0, 0.0));
    QCOMPARE(h.send(0x000A, axisPayload(0)).data, axisAndDouble(0, 5.0)); // motion settings survive
}

void SimModelTest::replyFaultsShapeTheBytes()
{
    Harness h;
    const Bytes normal = h.send(0x0010, axisPayload(1)).frame;
    auto faulted = [&](vsim_fault kind) {
        h.controller.faults().arm(kind, 0x0010, 1);
        return h.send(0x0010, axisPayload(1)).frame;
    };
    QVERIFY(faulted(VSIM_FAULT_NO_REPLY).empty());
    Bytes wrong = faulted(VSIM_FAULT_WRONG_LENGTH);
    QCOMPARE(wrong.size(), normal.size() + 2);
    QCOMPARE(FrameCodec::u16At(wrong.data() + 6), std::uint16_t(6));
    QCOMPARE(int(FrameCodec::checksum(wrong.data(), wrong.size() - 2)), (wrong[wrong.size() - 2] << 8) | wrong.back());
    Bytes status = faulted(VSIM_FAULT_STATUS);
    QCOMPARE(FrameCodec::u16At(status.data() + 4), std::uint16_t(1));
    Bytes noMagic = faulted(VSIM_FAULT_CHECKSUM_NO_MAGIC);
    const int sent = (noMagic[noMagic.size() - 2] << 8) | noMagic.back();
    QCOMPARE(sent, int(FrameCodec::checksum(noMagic.data() + 2, noMagic.size() - 4)));
    Bytes bad = faulted(VSIM_FAULT_BAD_CHECKSUM);
    const int badSum = (bad[bad.size() - 2] << 8) | bad.back();
    QVERIFY(badSum != FrameCodec::checksum(bad.data(), bad.size() - 2));
    QVERIFY(badSum != FrameCodec::checksum(bad.data() + 2, bad.size() - 4));
    Bytes other = faulted(VSIM_FAULT_OTHER_AXIS);
    QCOMPARE(FrameCodec::u16At(other.data() + 8), std::uint16_t(2));
    QCOMPARE(faulted(VSIM_FAULT_NONE), normal); // NONE clears and the next reply is plain
    // A fault armed for another code leaves this one alone; count -1 stays armed.
    h.controller.faults().arm(VSIM_FAULT_NO_REPLY, 0x0023, -1);
    QCOMPARE(h.send(0x0010, axisPayload(1)).frame, normal);
    QVERIFY(!h.send(0x0023, axisPayload(1)).present);
    QVERIFY(!h.send(0x0023, axisPayload(1)).present);
}

void SimModelTest::scenarioMistakesFallBackToDefaults()
{
    ScenarioConfig config;
    QStringList problems;
    QVERIFY(!ScenarioLoader::parse("{ not json", &config, &problems));
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems.first().contains(QStringLiteral("not valid JSON")));
    QCOMPARE(config.controllers.size(), std::size_t(1));
    QCOMPARE(config.controllers.front().axes.size(), std::size_t(3));

    problems.clear();
    QVERIFY(!ScenarioLoader::parse(R"({"timeScale": "fast", "bogus": 1, "controllers": [
        {"portPath": [2, "x"], "axes": [{"stage": "VLS-50", "speed": "quick", "maxPos": 80}, {"chip": 1}],
         "faults": {"replies": [{"kind": "meltdown"}, {"kind": "split", "code": "0x0024", "count": 2}]}}]})",
                                   &config, &problems));
    QCOMPARE(config.timeScale, 1.0);
    QCOMPARE(config.controllers.size(), std::size_t(1));
    const ControllerConfig &controller = config.controllers.front();
    QCOMPARE(controller.portPath, (std::vector<int>{1, 4}));
    QCOMPARE(controller.axes.size(), std::size_t(2));
    QCOMPARE(controller.axes[0].parameters.real(P_Speed), 5.0);
    QCOMPARE(controller.axes[0].parameters.real(P_MaxPos), 80.0);
    QVERIFY(controller.axes[0].chip);
    QVERIFY(!controller.axes[1].chip);
    QCOMPARE(controller.replyFaults.size(), std::size_t(1));
    QCOMPARE(controller.replyFaults.front().code, 0x0024);
    QCOMPARE(controller.replyFaults.front().kind, VSIM_FAULT_SPLIT);
    const QString all = problems.join(QLatin1Char('\n'));
    for (const char *word : {"timeScale", "bogus", "portPath", "speed", "chip", "kind"})
        QVERIFY2(all.contains(QLatin1String(word)), word);

    VirtualBus bus;
    QCOMPARE(bus.load("[1, 2]"), VSIM_ERR_BAD_SCENARIO);
    QCOMPARE(bus.controllerCount(), 1);
    QCOMPARE(bus.load(R"({"controllers": [], "otherDevices": [{"vendorId": "0x046d", "productId": 1}]})"), VSIM_OK);
    QCOMPARE(bus.controllerCount(), 0);

    // Numbers far beyond any int are refused, not converted (the conversion
    // itself would be undefined; the sanitizer build stops on it).
    problems.clear();
    QVERIFY(!ScenarioLoader::parse(R"({"controllers": [{"portPath": [1.2e61], "bus": 1e300}]})", &config, &problems));
    QCOMPARE(config.controllers.front().portPath, (std::vector<int>{1, 4}));
    QCOMPARE(config.controllers.front().bus, 1);
    const QString refused = problems.join(QLatin1Char('\n'));
    QVERIFY2(refused.contains(QLatin1String("portPath")) && refused.contains(QLatin1String("bus")), qPrintable(refused));
}

void SimModelTest::stateFileRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("flash.json"));
    const QByteArray scenario = QStringLiteral(R"({"stateFile": "%1", "rootHubs": false})").arg(path).toUtf8();

    auto exchange = [](VirtualBus &bus, VirtualBus::Session &session, std::uint16_t code, const Bytes &payload) {
        const Bytes request = FrameCodec::buildRequest(code, payload);
        int transferred = 0;
        bus.bulkOut(session, 0x01, request.data(), static_cast<int>(request.size()), &transferred);
        std::uint8_t buffer[512];
        bus.bulkIn(session, 0x81, buffer, sizeof buffer, 1000, &transferred);
        return Bytes(buffer + 8, buffer + transferred - 2);
    };
    auto openFirst = [](VirtualBus &bus, VirtualBus::Session *session) {
        return bus.open(bus.devices().front().key, session) == VirtualBus::Result::Ok;
    };

    {
        VirtualBus bus;
        QCOMPARE(bus.load(scenario.constData()), VSIM_OK);
        VirtualBus::Session session;
        QVERIFY(openFirst(bus, &session));
        Bytes model = axisPayload(2);
        model.resize(34, 0);
        model[2] = 'Q';
        exchange(bus, session, 0x1007, model);
        exchange(bus, session, 0x2000, axisPayload(2));
        exchange(bus, session, 0x0009, axisAndDouble(1, 7.5));
        exchange(bus, session, 0x000B, axisAndDouble(1, std::numeric_limits<double>::quiet_NaN()));
        exchange(bus, session, 0x0011, axisAndDouble(1, -std::numeric_limits<double>::infinity()));
        exchange(bus, session, 0x1003, Bytes(32, 'S'));
        bus.close(&session);
    }
    QVERIFY(QFile::exists(path));
    {
        VirtualBus bus;
        QCOMPARE(bus.load(scenario.constData()), VSIM_OK);
        VirtualBus::Session session;
        QVERIFY(openFirst(bus, &session));
        QCOMPARE(exchange(bus, session, 0x1008, axisPayload(2))[2], std::uint8_t('Q'));
        QCOMPARE(exchange(bus, session, 0x1022, axisPayload(2)), axisAndU16(2, 2));
        QCOMPARE(exchange(bus, session, 0x000A, axisPayload(1)), axisAndDouble(1, 7.5));
        // Values JSON cannot hold as numbers survive the file too.
        QVERIFY(std::isnan(FrameCodec::doubleAt(exchange(bus, session, 0x000C, axisPayload(1)).data() + 2)));
        QCOMPARE(FrameCodec::doubleAt(exchange(bus, session, 0x0012, axisPayload(1)).data() + 2),
                 -std::numeric_limits<double>::infinity());
        QCOMPARE(exchange(bus, session, 0x1004, {}), Bytes(32, 'S'));
        bus.close(&session);
    }
    // A broken file is reported and ignored: the scenario's values come back.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{\"controllers\": [");
    }
    {
        VirtualBus bus;
        QCOMPARE(bus.load(scenario.constData()), VSIM_OK);
        VirtualBus::Session session;
        QVERIFY(openFirst(bus, &session));
        QCOMPARE(exchange(bus, session, 0x1022, axisPayload(2)), axisAndU16(2, 0));
        QCOMPARE(exchange(bus, session, 0x000A, axisPayload(1)), axisAndDouble(1, 5.0));
        bus.close(&session);
    }
}

void SimModelTest::absurdRequestsStayBounded()
{
    Harness h;
    // Two billion vanishing jog steps with no delay: the sequence runs at the
    // firmware's pace instead of being simulated all at once.
    h.send(0x0011, axisAndDouble(2, 1e-300));
    h.send(0x0013, axisAndI32(2, 0));
    h.send(0x0015, axisAndI32(2, 2000000000));
    QCOMPARE(h.send(0x0004, axisAndU16(2, 1)).status, std::uint16_t(0));
    const std::int32_t index = h.index(0x0017, 2, 0.5);
    QVERIFY2(index > 0 && index <= 501, qPrintable(QString::number(index)));
    h.send(0x0002, axisPayload(2), 0.5);

    // An infinite speed on a stage without speed limits still stops on the
    // travel limit.
    h.send(0x102A, axisAndDouble(2, -5.0), 1.0);
    h.send(0x102C, axisAndDouble(2, 5.0), 1.0);
    h.send(0x0009, axisAndDouble(2, std::numeric_limits<double>::infinity()), 1.0);
    h.send(0x000B, axisAndDouble(2, std::numeric_limits<double>::infinity()), 1.0);
    QCOMPARE(h.send(0x0005, axisAndU16(2, 1), 1.0).status, std::uint16_t(0));
    const std::uint16_t word = h.state(2, 2.0);
    QVERIFY(word & AxisModel::PositiveLimit);
    QVERIFY(word & AxisModel::Stopped);
    QCOMPARE(h.position(2, 2.0), 5.0);
}

QTEST_APPLESS_MAIN(SimModelTest)
#include "test_sim_model.moc"

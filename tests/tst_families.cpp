// The export families against the recorded wire traffic: request bytes,
// reply decoding and the members with rules of their own.
#include "SimHarness.h"

#include <QtTest>
#include <cstring>

using namespace simharness;

namespace {
// Payload of the last written frame (after the 6-byte header, before the checksum).
QByteArray lastPayload()
{
    const QByteArray frame = lastWritten(kDefaultId);
    return frame.mid(6, frame.size() - 8);
}

MotorParams sampleBlock()
{
    MotorParams params;
    std::memset(&params, 0, sizeof params);
    std::strcpy(params.modelName, "VLS-50");
    std::strcpy(params.serialNumber, "SN-77");
    params.pulse = 0x01020304;
    params.helicalPitch = 1.0;
    params.restoreSpeed = 2.0;
    params.unitType = 0;
    std::memcpy(params.optOrder, "ABCDEFGH", 8);
    params.maxSpeed = 10.0;
    params.maxAcc = 50.0;
    params.minPos = 0.0;
    params.maxPos = 50.0;
    params.motorPhase = 2;
    params.modifyDate = 20261208;
    params.maxRockerSpeed = 5.0;
    return params;
}
} // namespace

class FamiliesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openFreshDefaultController()); }

    void cleanup() { removeDev(kDefaultId); }

    void requestPayloadsOfEachFamily()
    {
        setJogDelay(kDefaultId, 1, -2);
        QCOMPARE(lastPayload(), hex("01 00 FE FF FF FF"));
        setTriggerOutEnable(kDefaultId, 2, 0x12345);
        QCOMPARE(lastPayload(), hex("02 00 45 23"));
        startJog(kDefaultId, 0, 2);
        QCOMPARE(lastPayload(), hex("00 00 02 00"));
        setDevAxisCount(kDefaultId, 3);
        QCOMPARE(lastPayload(), hex("03 00"));
        getDevAxisCount(kDefaultId);
        QCOMPARE(lastPayload(), hex("00 00"));
        getRockerEnable(kDefaultId);
        QCOMPARE(lastPayload(), QByteArray());
        setPosConpenEnable(kDefaultId, 1, 256);
        QCOMPARE(lastPayload(), hex("01 00 00 00"));
        setPosConpenEnable(kDefaultId, 1, 0x0102);
        QCOMPARE(lastPayload(), hex("01 00 01 00"));
        setClearIDChip(kDefaultId, 2);
        QCOMPARE(lastWritten(kDefaultId).left(6), hex("55 AA 43 10 02 00"));
    }

    void compensationTablesAlwaysCarryTenPoints()
    {
        PosConpenPoint points[10] = {};
        points[0] = {1.0, 1.5};
        points[1] = {2.0, 2.25};
        points[9] = {9.0, 9.0}; // beyond the count, still sent
        QCOMPARE(setNegativePosConpen(kDefaultId, 1, points, 2), 0);
        const QByteArray payload = lastPayload();
        QCOMPARE(payload.size(), 164);
        QCOMPARE(payload.left(4), hex("01 00 02 00"));
        double value = 0;
        std::memcpy(&value, payload.constData() + 4 + 16 + 8, 8);
        QCOMPARE(value, 2.25);
        std::memcpy(&value, payload.constData() + 4 + 9 * 16, 8);
        QCOMPARE(value, 9.0);

        PosConpenPoint back[10];
        std::memset(back, 0x33, sizeof back);
        int count = -1;
        QCOMPARE(getNegativePosConpen(kDefaultId, 1, back, &count), 0);
        QCOMPARE(count, 2);
        QCOMPARE(back[1].actualPos, 2.25);
        unsigned char untouched[16];
        std::memset(untouched, 0x33, sizeof untouched);
        QVERIFY(std::memcmp(&back[2], untouched, 16) == 0); // only `count` points copied

        // A count the table cannot hold never writes past the caller's 10 points.
        QCOMPARE(setPositivePosConpen(kDefaultId, 1, points, 4000), 0);
        PosConpenPoint guarded[11];
        std::memset(guarded, 0x44, sizeof guarded);
        QCOMPARE(getPositivePosConpen(kDefaultId, 1, guarded, &count), 0);
        QCOMPARE(count, 10);
        unsigned char guard[16];
        std::memset(guard, 0x44, sizeof guard);
        QVERIFY(std::memcmp(&guarded[10], guard, 16) == 0);

        // Null outputs are reported after the reply arrived.
        vsim_clear_written(kDefaultId);
        QCOMPARE(getPositivePosConpen(kDefaultId, 1, nullptr, &count), -3);
        QCOMPARE(getPositivePosConpen(kDefaultId, 1, back, nullptr), -3);
        QCOMPARE(vsim_written_count(kDefaultId), 2);
    }

    void joystickRules()
    {
        QCOMPARE(setRockerEnable(kDefaultId, 2), 0);
        QCOMPARE(getRockerEnable(kDefaultId), 0); // low byte 2 is not "enabled"
        QCOMPARE(setRockerEnable(kDefaultId, 0x0101), 0);
        QCOMPARE(getRockerEnable(kDefaultId), 1); // low byte 1
        QCOMPARE(setRockerEnable(kDefaultId, 1), 0);

        CONTROLER_STATE state;
        std::memset(&state, 0xEE, sizeof state);
        QCOMPARE(getRockerInfo(kDefaultId, &state), 0);
        QCOMPARE(int(state.rockerEnabled), 1);
        QCOMPARE(int(state.reserved), 0xEE);
        QCOMPARE(int(state.rockerSpeed), getRockerSpeed(kDefaultId));
        QCOMPARE(writtenCodes(kDefaultId).mid(5, 2), (QList<int>{0x1023, 0x1038}));

        // The speed read fails: that failure is the result, and the record
        // keeps what it held (no failure code disguised as a speed).
        const CONTROLER_STATE before = state;
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x1038, 1), VSIM_OK);
        QCOMPARE(getRockerInfo(kDefaultId, &state), -2);
        QCOMPARE(std::memcmp(&state, &before, sizeof state), 0);
        // The status read fails: the record is left alone.
        std::memset(&state, 0xEE, sizeof state);
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x1023, 1), VSIM_OK);
        QCOMPARE(getRockerInfo(kDefaultId, &state), -2);
        QCOMPARE(int(state.rockerEnabled), 0xEE);
    }

    void gettersWithStatusPointers()
    {
        QCOMPARE(setTriggerStep(kDefaultId, 0, 0.2), 0);
        int status = 0;
        QCOMPARE(getTriggerStep(kDefaultId, 0, &status), 0.2);
        QCOMPARE(status, 0);
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x103C, 1), VSIM_OK);
        QCOMPARE(getTriggerStep(kDefaultId, 0, &status), 0.0);
        QCOMPARE(status, -2);
        QCOMPARE(getTriggerStep(kDefaultId, 0, nullptr), 0.2);
        status = 0;
        QCOMPARE(getTriggerStep(99, 0, &status), 0.0);
        QCOMPARE(status, -1);

        char ok = 5;
        QCOMPARE(getTargetPos(99, 0, &ok), -1.0);
        QCOMPARE(ok, char(0));
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x0008, 1), VSIM_OK);
        QCOMPARE(getTargetPos(kDefaultId, 0, &ok), -2.0);
        QCOMPARE(ok, char(0));
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x0008, 1), VSIM_OK);
        QCOMPARE(getTargetPos(kDefaultId, 0, nullptr), -2.0);

        status = 7;
        QCOMPARE(getCurrentPos(99, 0, &status), 0.0);
        QCOMPARE(status, -1);
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_NO_REPLY, 0x0023, 1), VSIM_OK);
        QCOMPARE(getCurrentPos(kDefaultId, 0, &status), 0.0);
        QCOMPARE(status, -2);
    }

    void stateWordBitsMapToTheRecord()
    {
        MotorStageState state;
        std::memset(&state, 0x77, sizeof state);
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x0024, 1), VSIM_OK);
        QCOMPARE(getRuningState(kDefaultId, 0, &state), -2);
        QCOMPARE(state.isStop, uint16_t(0x7777)); // untouched on failure

        QCOMPARE(getRuningState(kDefaultId, 0, &state), 0);
        // An idle, enabled axis: stopped, enabled, can run.
        QCOMPARE(state.isStop, uint16_t(1));
        QCOMPARE(state.isEnable, uint16_t(1));
        QCOMPARE(state.isCanRun, uint16_t(1));
        QCOMPARE(state.currentJog, 0);

        // Sensor failures land in their own fields (bits 6, 7 and 8).
        QCOMPARE(vsim_set_sensor_faults(kDefaultId, 0, 0, 1, 1), VSIM_OK);
        QCOMPARE(getRuningState(kDefaultId, 0, &state), 0);
        QCOMPARE(state.isPosLimitFault, uint16_t(1));
        QCOMPARE(state.isHomeFault, uint16_t(1));
        QCOMPARE(state.isNegLimitFault, uint16_t(0));

        QCOMPARE(setMotorEnable(kDefaultId, 0, 0), 0);
        QCOMPARE(getRuningState(kDefaultId, 0, &state), 0);
        QCOMPARE(state.isEnable, uint16_t(0));
        QCOMPARE(state.isCanRun, uint16_t(0));
    }

    void motorBlockWritesEveryFieldThenCloses()
    {
        QCOMPARE(setMotorParams(kDefaultId, 2, sampleBlock()), 0);
        const QList<QByteArray> frames = writtenFrames(kDefaultId);
        QCOMPARE(frames.size(), 24);
        const QList<int> expected = {0x1007, 0x1009, 0x100B, 0x100D, 0x100F, 0x1011, 0x1013, 0x1015,
                                     0x1017, 0x1019, 0x101B, 0x101D, 0x1024, 0x1026, 0x1028, 0x102A,
                                     0x102C, 0x102E, 0x1030, 0x1032, 0x1034, 0x1036, 0x1039, 0x2000};
        QCOMPARE(writtenCodes(kDefaultId), expected);
        QCOMPARE(frames.at(0).mid(6, 34), hex("02 00") + QByteArray("VLS-50") + QByteArray(26, '\0'));
        QCOMPARE(frames.at(2).mid(6, 6), hex("02 00 04 03 02 01"));
        QCOMPARE(frames.at(12).mid(6, 6), hex("02 00") + QByteArray("ABCD")); // optOrder: 4 bytes
        QCOMPARE(frames.at(23).size(), 10);

        MotorParams back;
        std::memset(&back, 0x5C, sizeof back);
        QCOMPARE(getMotorParams(kDefaultId, 2, &back), 0);
        QCOMPARE(QByteArray(back.modelName), QByteArray("VLS-50"));
        QCOMPARE(back.pulse, 0x01020304u);
        QCOMPARE(back.maxPos, 50.0);
        QCOMPARE(back.modifyDate, 20261208u);
        QCOMPARE(QByteArray(back.optOrder, 4), QByteArray("ABCD"));
        QCOMPARE(QByteArray(back.optOrder + 4, 6), QByteArray(6, 0x5C));
    }

    void motorBlockReportsTheFailingStep()
    {
        // The controller refuses the unit type (field 12).
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x101D, 1), VSIM_OK);
        QCOMPARE(setMotorParams(kDefaultId, 1, sampleBlock()), -24);
        QCOMPARE(writtenCodes(kDefaultId).size(), 12);
        QVERIFY(!writtenCodes(kDefaultId).contains(0x2000));

        // The closing step is refused.
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x2000, 1), VSIM_OK);
        QCOMPARE(setMotorParams(kDefaultId, 1, sampleBlock()), -61);

        // Reading fails at the last field: every other field is filled.
        QCOMPARE(setMotorParams(kDefaultId, 1, sampleBlock()), 0);
        MotorParams back;
        std::memset(&back, 0, sizeof back);
        back.maxRockerSpeed = -7.0;
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_STATUS, 0x103A, 1), VSIM_OK);
        QCOMPARE(getMotorParams(kDefaultId, 1, &back), -46);
        QCOMPARE(QByteArray(back.serialNumber), QByteArray("SN-77"));
        QCOMPARE(back.modifyDate, 20261208u);
        QCOMPARE(back.maxRockerSpeed, -7.0);

        // A closed id fails at the first step with "not sent".
        QCOMPARE(setMotorParams(99, 0, sampleBlock()), -1);
        QCOMPARE(getMotorParams(99, 0, &back), -1);
        QCOMPARE(vsim_set_fault(kDefaultId, VSIM_FAULT_NO_REPLY, 0x1008, 1), VSIM_OK);
        QCOMPARE(getMotorParams(kDefaultId, 1, &back), -2);
    }

    void autoDetectAndIdChip()
    {
        char detected = 9;
        QCOMPARE(getMotorAutoDetect(kDefaultId, 0, &detected), 0);
        QCOMPARE(int(detected), 2); // programmed chip on axis 1 of the default controller
        QCOMPARE(getMotorAutoDetect(kDefaultId, 2, &detected), 0);
        QCOMPARE(int(detected), 0);
        QCOMPARE(setClearIDChip(kDefaultId, 0), 0);
        QCOMPARE(getMotorAutoDetect(kDefaultId, 0, &detected), 0);
        QCOMPARE(int(detected), 0);
        // The chip survives closing and reopening within one run.
        QCOMPARE(setMotorParams(kDefaultId, 2, sampleBlock()), 0);
        QCOMPARE(closeKXDevice(kDefaultId), 0);
        QCOMPARE(openKXDevice(kDefaultId), 0);
        QCOMPARE(getMotorAutoDetect(kDefaultId, 2, &detected), 0);
        QCOMPARE(int(detected), 2);
        char name[32];
        QCOMPARE(getMotorModelName(kDefaultId, 2, name, 32), 0);
        QCOMPARE(QByteArray(name), QByteArray("VLS-50"));
    }
};

QTEST_APPLESS_MAIN(FamiliesTest)
#include "tst_families.moc"

// Every family of exports, the motor parameter block and reply faults, on the
// real libusb against the default controller at 1-4 (id 14).
#include "UsbfsControl.h"
#include "velmoLibrary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <cstdio>
#include <cstring>

namespace {
constexpr int Id = 14;

QByteArray text32(const char *buffer)
{
    return QByteArray(buffer, int(strnlen(buffer, 32)));
}
} // namespace

class TstUsbfsExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(libraryInit(), 0);
        QCOMPARE(addDev(Id), 0);
        QCOMPARE(openKXDevice(Id), 0);
    }

    void cleanupTestCase()
    {
        QCOMPARE(closeKXDevice(Id), 0);
        removeDev(Id);
        QCOMPARE(UsbfsControl::stat(Id, QStringLiteral("rejected")), 0L);
    }

    void cleanup()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 none").arg(Id)));
    }

    void motionFamily()
    {
        QCOMPARE(setMotorEnable(Id, 0, 1), 0);
        QCOMPARE(setTargetPos(Id, 0, 12.5), 0);
        char ok = 0;
        QCOMPARE(getTargetPos(Id, 0, &ok), 12.5);
        QCOMPARE(int(ok), 1);
        QCOMPARE(startMove(Id, 0), 0);
        MotorStageState state{};
        QCOMPARE(getRuningState(Id, 0, &state), 0);
        QCOMPARE(int(state.isEnable), 1);
        QCOMPARE(stopRuning(Id, 0), 0);
        int status = -9;
        const double position = getCurrentPos(Id, 0, &status);
        QCOMPARE(status, 0);
        QVERIFY(position >= 0.0 && position <= 50.0);
        QCOMPARE(getJogIndex(Id, 0), 0);
        QCOMPARE(getCircleIndex(Id, 0), 0);
        QCOMPARE(getRuningState(Id, 0, nullptr), -100);
    }

    void axisParameterFamily()
    {
        QCOMPARE(setSpeed(Id, 1, 2.25), 0);
        QCOMPARE(getSpeed(Id, 1), 2.25);
        QCOMPARE(setJogCount(Id, 1, 7), 0);
        QCOMPARE(getJogCount(Id, 1), 7);
        QCOMPARE(setRelativeDispEnable(Id, 1, 1), 0);
        QCOMPARE(getRelativeDispEnable(Id, 1), 1);
        QCOMPARE(setTriggerStep(Id, 1, 0.125), 0);
        int status = 5;
        QCOMPARE(getTriggerStep(Id, 1, &status), 0.125);
        QCOMPARE(status, 5); // untouched on success
        QCOMPARE(setMotorUnitType(Id, 1, 1), 0);
        QCOMPARE(getMotorUnitType(Id, 1), 1);
    }

    void compensationFamily()
    {
        PosConpenPoint points[10] = {};
        for (int i = 0; i < 3; ++i)
            points[i] = {double(i) * 10.0, double(i) * 10.0 + 0.01 * (i + 1)};
        QCOMPARE(setPositivePosConpen(Id, 0, points, 3), 0);
        PosConpenPoint back[10] = {};
        int count = 0;
        QCOMPARE(getPositivePosConpen(Id, 0, back, &count), 0);
        QCOMPARE(count, 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(back[i].expectPos, points[i].expectPos);
            QCOMPARE(back[i].actualPos, points[i].actualPos);
        }
        QCOMPARE(setPosConpenEnable(Id, 0, 1), 0);
        short enable = 0;
        QCOMPARE(getPosConpenEnable(Id, 0, &enable), 0);
        QCOMPARE(int(enable), 1);
    }

    void textFamily()
    {
        char buffer[32] = {};
        QCOMPARE(setMotorSerialNumber(Id, 2, "AX-2-SERIAL", 11), 0);
        QCOMPARE(getMotorSerialNumber(Id, 2, buffer, 32), 0);
        QCOMPARE(text32(buffer), QByteArray("AX-2-SERIAL"));
        QCOMPARE(getDevSoftVersion(Id, buffer, 32), 0);
        QCOMPARE(text32(buffer), QByteArray("VM 1.0.0"));
        QCOMPARE(getDevModelName(Id, buffer, 32), 0);
        QCOMPARE(text32(buffer), QByteArray("VM-3A"));
        QCOMPARE(getDevSoftVersion(Id, buffer, 8), -3);
    }

    void controllerFamily()
    {
        QCOMPARE(getDevAxisCount(Id), 3);
        QCOMPARE(setRockerEnable(Id, 1), 0);
        QCOMPARE(getRockerEnable(Id), 1);
        CONTROLER_STATE rocker{};
        QCOMPARE(getRockerInfo(Id, &rocker), 0);
        QCOMPARE(int(rocker.rockerEnabled), 1);
        QCOMPARE(int(rocker.rockerSpeed), getRockerSpeed(Id));
        QCOMPARE(setRockerEnable(Id, 0), 0);
    }

    void motorParameterBlockRoundTrip()
    {
        MotorParams original{};
        QCOMPARE(getMotorParams(Id, 0, &original), 0);
        QCOMPARE(text32(original.modelName), QByteArray("VLS-50"));

        MotorParams changed = original;
        std::memset(changed.modelName, 0, sizeof changed.modelName);
        std::strcpy(changed.modelName, "USBFS-STAGE");
        std::strcpy(changed.serialNumber, "SN-4242");
        changed.pulse = 51200;
        changed.helicalPitch = 2.5;
        changed.maxSpeed = 17.75;
        changed.minPos = -1.5;
        changed.maxPos = 48.5;
        changed.returnTrip = 12;
        changed.modifyDate = 20240131;
        changed.maxRockerSpeed = 3.5;
        QCOMPARE(setMotorParams(Id, 0, changed), 0);

        MotorParams back{};
        std::memset(&back, 0x5A, sizeof back);
        QCOMPARE(getMotorParams(Id, 0, &back), 0);
        QCOMPARE(text32(back.modelName), QByteArray("USBFS-STAGE"));
        QCOMPARE(text32(back.serialNumber), QByteArray("SN-4242"));
        QCOMPARE(back.pulse, changed.pulse);
        QCOMPARE(back.helicalPitch, changed.helicalPitch);
        QCOMPARE(back.restoreSpeed, changed.restoreSpeed);
        QCOMPARE(back.unitType, changed.unitType);
        QCOMPARE(back.maxSpeed, changed.maxSpeed);
        QCOMPARE(back.minPos, changed.minPos);
        QCOMPARE(back.maxPos, changed.maxPos);
        QCOMPARE(back.returnTrip, changed.returnTrip);
        QCOMPARE(back.modifyDate, changed.modifyDate);
        QCOMPARE(back.maxRockerSpeed, changed.maxRockerSpeed);

        char detected = 0;
        QCOMPARE(getMotorAutoDetect(Id, 0, &detected), 0);
        QCOMPARE(int(detected), 2);
        QCOMPARE(setClearIDChip(Id, 0), 0);
        QCOMPARE(getMotorAutoDetect(Id, 0, &detected), 0);
        QCOMPARE(int(detected), 0);
    }

    void swallowedReplyTimesOut()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 noReply 0 1").arg(Id)));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(getDevAxisCount(Id), -2);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        // The next exchange cannot tell its reply from the lost one coming
        // late, so it fails too; once the lost reply is given up (a second
        // after its request) the exchanges work again.
        QCOMPARE(getDevAxisCount(Id), -2);
        QTest::qSleep(1100);
        QCOMPARE(getDevAxisCount(Id), 3);
    }

    void corruptReplyIsRejected()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 badChecksum 0 1").arg(Id)));
        QCOMPARE(getDevAxisCount(Id), -2);
        QCOMPARE(getDevAxisCount(Id), 3);
    }

    void junkAroundRepliesIsSkipped()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 garbageBefore 0 1").arg(Id)));
        QCOMPARE(getDevAxisCount(Id), 3);
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 split 0 1").arg(Id)));
        QCOMPARE(getDevAxisCount(Id), 3);
        QVERIFY(UsbfsControl::ok(QStringLiteral("push %1 00ff13aa").arg(Id)));
        QCOMPARE(getDevAxisCount(Id), 3);
    }

    void stalledEndpointRecovers()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("stall %1").arg(Id)));
        // The reader sees EPIPE, clears the halt and reads on.
        bool answered = false;
        for (int i = 0; i < 3 && !answered; ++i)
            answered = getDevAxisCount(Id) == 3;
        QVERIFY(answered);
        QCOMPARE(getDevAxisCount(Id), 3);
    }

    // The reader keeps one IN transfer submitted and resubmits it from its
    // completion, so on the real libusb no URB is discarded while the
    // controller is open and no reply can land in one that is. Latencies
    // around a millisecond, where a reader polling with 1 ms reads would
    // discard URBs just as replies land, must lose no reply either.
    void timeoutStormLosesNoReply()
    {
        const int latencies[] = {0, 700, 1000, 1300, 2500};
        const long discardedBefore = UsbfsControl::stat(Id, QStringLiteral("discarded"));
        const long lateBefore = UsbfsControl::stat(Id, QStringLiteral("late"));
        QElapsedTimer timer;
        timer.start();
        constexpr int Rounds = 1000;
        int failures = 0;
        for (int i = 1; i <= Rounds; ++i) {
            if (i % 50 == 1)
                QVERIFY(UsbfsControl::ok(QStringLiteral("latency %1 %2").arg(Id).arg(latencies[(i / 50) % 5])));
            if (setJogDelay(Id, 0, i) != 0 || getJogDelay(Id, 0) != i)
                ++failures;
        }
        const qint64 elapsed = timer.elapsed();
        const long discarded = UsbfsControl::stat(Id, QStringLiteral("discarded")) - discardedBefore;
        const long late = UsbfsControl::stat(Id, QStringLiteral("late")) - lateBefore;
        std::printf("storm: %d exchanges in %lld ms, %ld timed-out reads discarded, %ld replies landed just "
                    "before their read was discarded, %d failures\n",
                    2 * Rounds, static_cast<long long>(elapsed), discarded, late, failures);
        QVERIFY(UsbfsControl::ok(QStringLiteral("latency %1 250").arg(Id)));
        QCOMPARE(failures, 0);
        QCOMPARE(discarded, 0L);
    }
};

VELMO_USBFS_TEST_MAIN(TstUsbfsExchange)
#include "tst_usbfs_exchange.moc"

// The device service against the virtual controller: operation messages,
// the mode table, parameter slots and the cache, axis identification,
// polling and the heartbeat.
#include "Heart.h"
#include "SerialComDev.h"
#include "velmoSim.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int kId = 14;

QList<int> writtenCodes()
{
    QList<int> codes;
    const int count = vsim_written_count(kId);
    for (int i = 0; i < count; ++i) {
        unsigned char frame[512];
        if (vsim_written_frame(kId, i, frame, int(sizeof frame)) >= 4)
            codes.append(frame[2] | (frame[3] << 8));
    }
    return codes;
}

struct Message {
    int axis;
    int state;
    int type;
    QString text;
};

Message messageAt(const QSignalSpy &spy, int index)
{
    const QList<QVariant> args = spy.at(index);
    return {args.at(0).toInt(), args.at(1).toInt(), args.at(2).toInt(), args.at(3).toString()};
}
} // namespace

// Re-emits the service's and the heartbeat's signals in the test thread, so
// spies are filled by the test's own event loop and never from another thread.
class Relay : public QObject
{
    Q_OBJECT

public:
    Relay(SerialComDev *service, Heart *heart = nullptr)
    {
        connect(service, &SerialComDev::signal_showOperationMsg, this, &Relay::message, Qt::QueuedConnection);
        connect(service, &SerialComDev::signal_updateCurrentPos, this, &Relay::position, Qt::QueuedConnection);
        connect(service, &SerialComDev::signal_updateDevState, this, &Relay::state, Qt::QueuedConnection);
        if (heart != nullptr) {
            connect(heart, &Heart::heartBreak, this, &Relay::heartBreak, Qt::QueuedConnection);
            connect(heart, &Heart::receivedControlerState, this, &Relay::received, Qt::QueuedConnection);
        }
    }

signals:
    void message(int ID, int state, int type, QString msg);
    void position(int ID, double pos);
    void state(int Axis, MotorStageState state);
    void heartBreak(int count);
    void received();
};

class SerialComDevTest : public QObject
{
    Q_OBJECT

private:
    SerialComDev *service = nullptr;

    // Waits for the next operation message (the worker serves requests in order).
    Message nextMessage(QSignalSpy &spy, int timeoutMs = 3000)
    {
        const int before = spy.count();
        if (!spy.wait(timeoutMs))
            return {-1, -1, -1, QString()};
        return messageAt(spy, before);
    }

    // The wiring the main window makes when it creates its heartbeat.
    void wireHeart(Heart &heart)
    {
        connect(&heart, &Heart::sendHeart, service, &SerialComDev::slot_heartBeat, Qt::QueuedConnection);
        connect(service, &SerialComDev::signal_heartBeatInfo, &heart, &Heart::rcvHeartInfo);
    }

private slots:
    void init()
    {
        service = SerialComDev::instance();
        service->closeDevice();
        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        QCOMPARE(service->openDevice(kId), kId);
        service->setConnected(true);
        vsim_clear_written(kId);
    }

    void cleanup() { service->closeDevice(); }

    void operationMessagesCarryStateAndType()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_startMotor(1, MOVE_CODE_MOVE);
        Message m = nextMessage(messages);
        QCOMPARE(m.axis, 1);
        QCOMPARE(m.state, 3);
        QCOMPARE(m.type, 1);
        QCOMPARE(m.text, QStringLiteral("Move"));

        emit service->signal_stopMotor(1);
        m = nextMessage(messages);
        QCOMPARE(m.state, 3);
        QCOMPARE(m.type, 8);
        QCOMPARE(m.text, QStringLiteral("停止运行"));

        // Refused by the controller: state 2.
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0003, 1), VSIM_OK);
        emit service->signal_home(0);
        m = nextMessage(messages);
        QCOMPARE(m.state, 2);
        QCOMPARE(m.type, 13);
        QCOMPARE(m.text, QStringLiteral("电机复位"));

        // No device: the library fails before sending, still reported.
        service->closeDevice();
        emit service->signal_stopMotor(0);
        m = nextMessage(messages);
        QCOMPARE(m.state, 2);
        QCOMPARE(m.type, 8);
    }

    void modeTable_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("drive +") << 4 << 0x0005 << 1 << 3 << QStringLiteral("正方向Drive");
        QTest::newRow("drive -") << 5 << 0x0005 << 2 << 3 << QStringLiteral("负方向Drive");
        QTest::newRow("jog +") << 6 << 0x0004 << 1 << 5 << QStringLiteral("正方向Jog");
        QTest::newRow("jog -") << 7 << 0x0004 << 2 << 5 << QStringLiteral("负方向Jog");
        QTest::newRow("cycle +") << 8 << 0x0006 << 1 << 10 << QStringLiteral("正方向循环");
        QTest::newRow("cycle -") << 9 << 0x0006 << 2 << 10 << QStringLiteral("负方向循环");
    }

    void modeTable()
    {
        QFETCH(int, mode);
        QFETCH(int, code);
        QFETCH(int, direction);
        QFETCH(int, type);
        QFETCH(QString, text);
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_startMotor(2, mode);
        const Message m = nextMessage(messages);
        QCOMPARE(m.axis, 2);
        QCOMPARE(m.type, type);
        QCOMPARE(m.text, text);
        unsigned char frame[64];
        QCOMPARE(vsim_written_frame(kId, 0, frame, int(sizeof frame)), 12);
        QCOMPARE(frame[2] | (frame[3] << 8), code);
        QCOMPARE(frame[6] | (frame[7] << 8), 2);
        QCOMPARE(frame[8] | (frame[9] << 8), direction);
        emit service->signal_stopMotor(2);
        nextMessage(messages);
    }

    void modesOutsideTheTableDoNothing()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        for (int mode : {0, 1, 2, 10, -3, 1000})
            emit service->signal_startMotor(0, mode);
        emit service->signal_stopMotor(0); // served after them, in order
        const Message m = nextMessage(messages);
        QCOMPARE(m.type, 8);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(writtenCodes(), QList<int>{0x0002});
    }

    void speedSlotCallsSpeedFirstAndCaches()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_setSpeedParams(0, 50, 10);
        const Message m = nextMessage(messages);
        QCOMPARE(writtenCodes(), (QList<int>{0x0009, 0x000B}));
        QCOMPARE(m.state, 3);
        QCOMPARE(m.type, 99);
        QCOMPARE(m.text, QStringLiteral("设置参数，速度：10，加速度：50"));
        QCOMPARE(service->axisSpeed(0), 10.0);
        QCOMPARE(service->axisAcceleration(0), 50.0);

        emit service->signal_setRelativeDispParams(0, 2.5, true);
        const Message r = nextMessage(messages);
        QCOMPARE(r.state, 3);
        QCOMPARE(r.type, 4);
        QCOMPARE(r.text, QStringLiteral("设置参数，相对位移：2.5，使能：1"));
        QCOMPARE(service->axisRelativeDispEnable(0), true);

        emit service->signal_setAbsoluteDispParams(0, 1.0 / 3.0);
        const Message a = nextMessage(messages);
        QCOMPARE(a.type, 2);
        QCOMPARE(a.text, QStringLiteral("设置参数，目标位置：0.333333"));
    }

    void jogSlotStopsAtTheFirstFailure()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_setJogParams(1, 0.5, 4, 100);
        QCOMPARE(nextMessage(messages).text, QStringLiteral("JOG步长：0.5, JOG次数：4, JOG延时:100"));

        vsim_clear_written(kId);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0015, 1), VSIM_OK);
        emit service->signal_setJogParams(1, 0.75, 9, 300);
        const Message m = nextMessage(messages);
        QCOMPARE(m.state, 2);
        QCOMPARE(m.type, 6);
        QCOMPARE(m.text, QStringLiteral("设置JOG次数失败"));
        QCOMPARE(writtenCodes(), (QList<int>{0x0011, 0x0015})); // no delay write
        QCOMPARE(service->axisJogStep(1), 0.75);
        QCOMPARE(service->axisJogCount(1), 4);
        QCOMPARE(service->axisJogDelay(1), 100);

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0013, 1), VSIM_OK);
        emit service->signal_setJogParams(1, 0.75, 9, 300);
        QCOMPARE(nextMessage(messages).text, QStringLiteral("设置JOG延时时间失败"));
        QCOMPARE(service->axisJogCount(1), 9);
    }

    void cycleAndTriggerSlots()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_setCircleParams(2, 3, 1.25, 200);
        const Message m = nextMessage(messages);
        QCOMPARE(m.type, 11);
        QCOMPARE(m.text, QStringLiteral("循环次数：3, 循环位移：1.25"));
        QCOMPARE(service->axisCircleDelay(2), 200);

        // Trigger settings report only failures.
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0021, 1), VSIM_OK);
        emit service->signal_setTriggerParams(2, 1, 1);
        const Message t = nextMessage(messages);
        QCOMPARE(t.state, 2);
        // Axis index 2 is the third axis, "Axis3" on its panel.
        QCOMPARE(t.text, QStringLiteral("设置触发输出参数失败，轴:3"));
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x103B, 1), VSIM_OK);
        emit service->signal_setTriggerInDisp(2, 0.1);
        QCOMPARE(nextMessage(messages).text, QStringLiteral("设置触发输入位移量失败，轴:3"));
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x001F, 1), VSIM_OK);
        emit service->signal_setTriggerParams(0, 1, 0);
        QCOMPARE(nextMessage(messages).text, QStringLiteral("设置触发输入参数失败，轴:1"));
    }

    void readAxisParamsKeepsWhatWasReadBeforeAFailure()
    {
        QCOMPARE(service->initAxis(0), 0);
        QCOMPARE(service->getAxisSerialNo(0).isEmpty(), false);

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x000A, 1), VSIM_OK);
        QCOMPARE(service->initAxis(1), -4);
        QVERIFY(service->cachedAxes().contains(1));
        QCOMPARE(service->axisSpeed(1), 0.0); // the failing step stored nothing

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x001E, 1), VSIM_OK);
        QCOMPARE(service->readAxisParams(1), -14);
        QVERIFY(service->axisSpeed(1) > 0.0); // read before the failure

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_NO_REPLY, 0x1008, 1), VSIM_OK);
        QCOMPARE(service->initAxis(1), -1);
    }

    void readTriggerParamsAndCachedGettersAddNoRecord()
    {
        const QList<int> before = service->cachedAxes();
        QVERIFY(!before.contains(7));
        QCOMPARE(service->axisJogStep(7), 0.0);
        QCOMPARE(service->getAxisSerialNo(7), QString());

        int in = -1, out = -1;
        double step = -1;
        QCOMPARE(vsim_load_scenario(R"({"controllers": [{"portPath": [1, 4], "axes": 8}]})"), VSIM_OK);
        service->closeDevice();
        QCOMPARE(service->openDevice(kId), kId);
        QCOMPARE(setTriggerInEnable(kId, 7, 1), 0);
        QCOMPARE(setTriggerStep(kId, 7, 0.25), 0);
        QCOMPARE(service->readTriggerParams(7, &in, &out, &step), 0);
        QCOMPARE(in, 1);
        QCOMPARE(out, 0);
        QCOMPARE(step, 0.25);
        QVERIFY(!service->cachedAxes().contains(7));

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x103C, 1), VSIM_OK);
        QCOMPARE(service->readTriggerParams(7, &in, &out, &step), -2);
    }

    void identificationQueries()
    {
        QCOMPARE(service->getDevAxisCount(), 3);
        int code = 0;
        QVERIFY(service->readMotorAutoDetect(0, &code));
        QCOMPARE(code, 2);
        QVERIFY(service->readMotorAutoDetect(2, &code));
        QCOMPARE(code, 0);
        QString name;
        QVERIFY(service->getMotorModelName(1, name));
        QCOMPARE(name, QStringLiteral("VRS-360"));
        QCOMPARE(service->getDevSoftVersion(), QStringLiteral("VM 1.0.0"));
        bool enabled = true;
        QCOMPARE(service->getPosConpenEnable(0, &enabled), 0);
        QCOMPARE(enabled, false);
        MotorParams params;
        QCOMPARE(service->getMotorParams(0, &params), 0);
        QCOMPARE(params.maxPos, 50.0);

        service->closeDevice();
        QVERIFY(!service->readMotorAutoDetect(0, &code));
        QVERIFY(!service->getMotorModelName(0, name));
        QCOMPARE(service->getDevSoftVersion(), QString());
    }

    void openAndCloseEdgeCases()
    {
        QCOMPARE(service->closeDevice(), 0);
        QCOMPARE(SerialComDev::currentDevId(), 0);
        QVERIFY(!service->isConnected());
        vsim_clear_written(kId);
        QCOMPARE(service->closeDevice(), 0); // nothing open: no library call
        QCOMPARE(vsim_written_count(kId), 0);

        QCOMPARE(service->openDevice(kId), kId);
        QCOMPARE(SerialComDev::currentDevId(), kId);
        QCOMPARE(vsim_fail_open(kId, -1), VSIM_OK);
        QCOMPARE(service->openDevice(kId), -1);
        QCOMPARE(SerialComDev::currentDevId(), kId); // unchanged by the failure
        // The failed open left no registration behind.
        vsim_fail_open(kId, 0);
        QCOMPARE(openKXDevice(kId), -2);
    }

    void pollsAnswerWithPositionAndState()
    {
        Relay relay(service);
        QSignalSpy positions(&relay, &Relay::position);
        QSignalSpy states(&relay, &Relay::state);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_getCurrentPos(0);
        emit service->signal_getDevState(1);
        QVERIFY(states.wait(2000));
        QCOMPARE(positions.count(), 1);
        QCOMPARE(positions.at(0).at(0).toInt(), 0);
        QCOMPARE(positions.at(0).at(1).toDouble(), 10.0);
        const MotorStageState state = states.at(0).at(1).value<MotorStageState>();
        QCOMPARE(states.at(0).at(0).toInt(), 1);
        QCOMPARE(state.isEnable, uint16_t(1));

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0024, 1), VSIM_OK);
        emit service->signal_getDevState(1);
        const Message m = nextMessage(messages);
        QCOMPARE(m.state, 2);
        QCOMPARE(m.type, 99);
        QCOMPARE(m.text, QStringLiteral("获取设备状态出错"));
        QCOMPARE(states.count(), 1);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x0023, 1), VSIM_OK);
        emit service->signal_getCurrentPos(0);
        QCOMPARE(nextMessage(messages).text, QStringLiteral("读取当前位置出错"));
        QCOMPARE(positions.count(), 1);
    }

    void pollsForASilentControllerDoNotPileUp()
    {
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_NO_REPLY, 0x0023, -1), VSIM_OK);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_NO_REPLY, 0x0024, -1), VSIM_OK);
        // Three panels ticking for a second against 200 ms time-outs.
        int peak = 0;
        for (int tick = 0; tick < 10; ++tick) {
            for (int axis = 0; axis < 3; ++axis) {
                emit service->signal_getCurrentPos(axis);
                emit service->signal_getDevState(axis);
            }
            peak = qMax(peak, service->pendingPollCount());
            QTest::qWait(100);
        }
        QVERIFY2(peak <= 6, qPrintable(QString::number(peak)));
        // A stop waits for at most the exchange in progress and one poll,
        // not for the whole backlog.
        vsim_clear_written(kId);
        emit service->signal_stopMotor(0);
        QTRY_VERIFY_WITH_TIMEOUT(writtenCodes().contains(0x0002), 3000);
        const int pollsBeforeStop = writtenCodes().indexOf(0x0002);
        QVERIFY2(pollsBeforeStop <= 2, qPrintable(QString::number(pollsBeforeStop)));
        vsim_set_fault(kId, VSIM_FAULT_NONE, 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(service->pendingPollCount(), 0, 5000);
    }

    void aPollAfterACommandReadsAfterIt()
    {
        Relay relay(service);
        QSignalSpy positions(&relay, &Relay::position);
        QCOMPARE(setTargetPos(kId, 0, 40.0), 0); // the move's target
        vsim_clear_written(kId);
        // Keep the worker busy with an unanswered poll so that the requests
        // below all wait together. A state poll: after a lost position reply
        // the library would refuse position replies for a while, since they
        // could be the lost one coming late.
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_NO_REPLY, 0x0024, 1), VSIM_OK);
        emit service->signal_getDevState(0);
        QTRY_COMPARE_WITH_TIMEOUT(writtenCodes(), (QList<int>{0x0024}), 1000);
        vsim_clear_written(kId);
        emit service->signal_getCurrentPos(0);
        emit service->signal_startMotor(0, MOVE_CODE_MOVE);
        emit service->signal_getCurrentPos(0); // must not be merged into the first
        emit service->signal_getCurrentPos(0); // a true duplicate: merged
        QTRY_COMPARE_WITH_TIMEOUT(writtenCodes(), (QList<int>{0x0023, 0x0001, 0x0023}), 3000);
        QTest::qWait(300);
        QCOMPARE(writtenCodes(), (QList<int>{0x0023, 0x0001, 0x0023}));
        QVERIFY(positions.count() >= 2);
    }

    void heartbeatCountsFailuresWithoutReset()
    {
        Heart heart;
        wireHeart(heart);
        Relay relay(service, &heart);
        QSignalSpy breaks(&relay, &Relay::heartBreak);
        QSignalSpy received(&relay, &Relay::received);

        service->closeDevice();
        for (int beat = 1; beat <= 3; ++beat) {
            emit heart.sendHeart();
            QVERIFY(breaks.wait(2000));
            QCOMPARE(breaks.last().at(0).toInt(), beat);
        }
        QCOMPARE(service->openDevice(kId), kId);
        QCOMPARE(setRockerEnable(kId, 1), 0);
        emit heart.sendHeart();
        QVERIFY(received.wait(2000));
        QCOMPARE(int(heart.controlerState().rockerEnabled), 1);
        service->closeDevice();
        emit heart.sendHeart();
        QVERIFY(breaks.wait(2000));
        QCOMPARE(breaks.last().at(0).toInt(), 4); // not reset by the success
        QCOMPARE(int(heart.controlerState().rockerEnabled), 1); // kept from the last success
    }

    // A beat whose joystick speed read fails is a failed beat: the stored
    // record keeps its speed instead of a failure code read as 65534.
    void heartbeatWithAFailedSpeedReadIsAFailedBeat()
    {
        Heart heart;
        wireHeart(heart);
        Relay relay(service, &heart);
        QSignalSpy breaks(&relay, &Relay::heartBreak);
        QSignalSpy received(&relay, &Relay::received);

        emit heart.sendHeart();
        QVERIFY(received.wait(2000));
        const int speed = heart.controlerState().rockerSpeed;
        QVERIFY(speed < 0xFFFE);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1038, 1), VSIM_OK);
        emit heart.sendHeart();
        QVERIFY(breaks.wait(2000));
        QCOMPARE(breaks.last().at(0).toInt(), 1);
        QCOMPARE(received.count(), 1);
        QCOMPARE(int(heart.controlerState().rockerSpeed), speed);
        QCOMPARE(heart.failures(), 1);
    }

    void heartbeatTimerStartsOnceAndStopsCleanly()
    {
        Heart heart;
        wireHeart(heart);
        Relay relay(service, &heart);
        QSignalSpy received(&relay, &Relay::received);
        heart.stopHeart(); // stopped already: nothing happens
        QVERIFY(!heart.isBeating());
        QTest::qWait(700);
        QVERIFY(!writtenCodes().contains(0x1023));

        heart.startHeart();
        heart.startHeart();
        QVERIFY(heart.isBeating());
        QVERIFY(received.wait(1500));
        heart.stopHeart();
        QVERIFY(!heart.isBeating());
        QTest::qWait(100); // let a beat already on its way arrive
        const int beats = received.count();
        QTest::qWait(700);
        QCOMPARE(received.count(), beats);
    }

    void shutdownJoinsTheWorkerAndAllowsANewInstance()
    {
        QPointer<QThread> worker = service->thread();
        SerialComDev::shutdown();
        QVERIFY(worker.isNull()); // the thread was joined and deleted
        service = SerialComDev::instance();
        QVERIFY(service->thread() != nullptr);
        QCOMPARE(service->openDevice(kId), kId);
        Relay relay(service);
        QSignalSpy messages(&relay, &Relay::message);
        emit service->signal_stopMotor(0);
        QCOMPARE(nextMessage(messages).state, 3);
    }
};

QTEST_GUILESS_MAIN(SerialComDevTest)
#include "tst_serial_com_dev.moc"

// Request/reply exchanges through the exports against the virtual controller:
// the bytes on the wire, the waiting rule and every kind of broken reply.
#include "SimHarness.h"

#include <QElapsedTimer>
#include <QtTest>
#include <cstring>

using namespace simharness;

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openFreshDefaultController()); }

    void cleanup() { removeDev(kDefaultId); }

    void requestFramesAreByteExact()
    {
        QCOMPARE(startMove(kDefaultId, 1), 0);
        QCOMPARE(lastWritten(kDefaultId), hex("55 AA 01 00 02 00 01 00 57 AA"));

        QCOMPARE(setSpeed(kDefaultId, 2, 2.5), 0);
        QCOMPARE(lastWritten(kDefaultId).mid(0, 16), hex("55 AA 09 00 0A 00 02 00 00 00 00 00 00 00 04 40"));
        QCOMPARE(lastWritten(kDefaultId).size(), 18);

        QCOMPARE(getDevSerialNumber(kDefaultId, nullptr, 32), -3); // nothing sent for a null buffer
        char serial[32];
        QCOMPARE(getDevSerialNumber(kDefaultId, serial, 32), 0);
        QCOMPARE(lastWritten(kDefaultId).size(), 8); // empty request
        QCOMPARE(QByteArray(serial, 7), QByteArray("VM-0001"));
        QCOMPARE(serial[7], '\0');

        char version[32];
        QCOMPARE(getDevSoftVersion(kDefaultId, version, 32), 0);
        QCOMPARE(lastWritten(kDefaultId), hex("55 AA 1F 10 02 00 00 00") + lastWritten(kDefaultId).right(2));
        QCOMPARE(QByteArray(version), QByteArray("VM 1.0.0"));
    }

    void everyFrameOnTheWireCarriesAValidChecksum()
    {
        setTargetPos(kDefaultId, 0, 12.25);
        getTargetPos(kDefaultId, 0, nullptr);
        MotorStageState state;
        getRuningState(kDefaultId, 0, &state);
        setDevAxisCount(kDefaultId, 3);
        const QList<QByteArray> frames = writtenFrames(kDefaultId);
        QCOMPARE(frames.size(), 4);
        for (const QByteArray &frame : frames) {
            quint16 sum = 0;
            const int body = frame.size() - 2;
            for (int i = 0; i < body; i += 2)
                sum ^= quint16((quint8(frame.at(i)) << 8) | (i + 1 < body ? quint8(frame.at(i + 1)) : 0));
            QCOMPARE(quint16((quint8(frame.at(body)) << 8) | quint8(frame.at(body + 1))), sum);
            QCOMPARE(int(quint8(frame.at(4)) | (quint8(frame.at(5)) << 8)), frame.size() - 8);
        }
    }

    void valuesRoundTripThroughTheController()
    {
        QCOMPARE(setTargetPos(kDefaultId, 0, -12.345), 0);
        char ok = 7;
        QCOMPARE(getTargetPos(kDefaultId, 0, &ok), -12.345);
        QCOMPARE(ok, char(1));
        QCOMPARE(setJogDelay(kDefaultId, 0, 100), 0);
        QCOMPARE(setJogDelay(kDefaultId, 1, 250), 0);
        QCOMPARE(getJogDelay(kDefaultId, 1), 250);
        QCOMPARE(getJogDelay(kDefaultId, 0), 100); // kept per axis
        QCOMPARE(setTriggerInEnable(kDefaultId, 2, 0x10001), 0); // low 16 bits travel
        QCOMPARE(getTriggerInEnable(kDefaultId, 2), 1);
    }

    void deviceNameAndModelNameShareACodeButNotAReplyLength()
    {
        // The default controller answers code 0x1001 with no data.
        QCOMPARE(setDevModelName(kDefaultId, "Stage-X", 7), 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(setDeviceName(kDefaultId, "Stage-X", 7), -2);
        QVERIFY(clock.elapsed() >= 190);
        QCOMPARE(writtenCodes(kDefaultId), (QList<int>{0x1001, 0x1001}));
        const QList<QByteArray> frames = writtenFrames(kDefaultId);
        QCOMPARE(frames.at(0), frames.at(1));

        removeDev(kDefaultId);
        QCOMPARE(vsim_load_scenario(R"({"controllers": [{"portPath": [1, 4], "deviceNameReplyBytes": 2}]})"), VSIM_OK);
        addDev(kDefaultId);
        QCOMPARE(openKXDevice(kDefaultId), 0);
        QCOMPARE(setDeviceName(kDefaultId, "Stage-X", 7), 0);
        QCOMPARE(setDevModelName(kDefaultId, "Stage-X", 7), -2);
    }

    void textFieldsAreCutAndPadded()
    {
        const char longText[] = "0123456789abcdefghijklmnopqrstuvwxyzABCD"; // 40 bytes
        QCOMPARE(setMotorSerialNumber(kDefaultId, 0, longText, 40), 0);
        QByteArray frame = lastWritten(kDefaultId);
        QCOMPARE(frame.size(), 8 + 34);
        QCOMPARE(frame.mid(8, 32), QByteArray(longText, 32));

        QCOMPARE(setMotorSerialNumber(kDefaultId, 0, "ABCDE", 5), 0);
        frame = lastWritten(kDefaultId);
        QCOMPARE(frame.mid(8, 32), QByteArray("ABCDE") + QByteArray(27, '\0'));

        QCOMPARE(setMotorSerialNumber(kDefaultId, 0, "ignored", -3), 0);
        QCOMPARE(lastWritten(kDefaultId).mid(8, 32), QByteArray(32, '\0'));
        QCOMPARE(setMotorSerialNumber(kDefaultId, 0, nullptr, 12), 0);

        QCOMPARE(setMotorSerialNumber(kDefaultId, 0, longText, 32), 0);
        char buffer[40];
        std::memset(buffer, '#', sizeof buffer);
        QCOMPARE(getMotorSerialNumber(kDefaultId, 0, buffer, 40), 0);
        QCOMPARE(QByteArray(buffer, 32), QByteArray(longText, 32));
        QCOMPARE(buffer[32], '#'); // exactly 32 bytes, no terminator added
    }

    void smallTextBufferIsRefusedAfterTheRequestWasSent()
    {
        char buffer[31];
        std::memset(buffer, '#', sizeof buffer);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(getMotorModelName(kDefaultId, 0, buffer, 31), -3);
        QVERIFY(clock.elapsed() < 100); // the reply is not awaited
        QCOMPARE(writtenCodes(kDefaultId), QList<int>{0x1008});
        QCOMPARE(QByteArray(buffer, 31), QByteArray(31, '#'));
        // The unread reply (axis 0's name) does not satisfy the next request
        // with the same code: the reply table is emptied before each request.
        QTest::qWait(20);
        char name[32] = {};
        QCOMPARE(getMotorModelName(kDefaultId, 1, name, 32), 0);
        QCOMPARE(QByteArray(name), QByteArray("VRS-360"));
    }

    void brokenRepliesFailWithoutARetry_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("slow");
        // How the request after the broken one fares: its reply can be told
        // apart at once (0), the late reply of the broken one is still due
        // (1), or the broken one's reply never comes and is given up after
        // the library's one-second limit for late replies (2).
        QTest::addColumn<int>("settle");
        QTest::newRow("no reply") << int(VSIM_FAULT_NO_REPLY) << true << 2;
        QTest::newRow("late reply") << int(VSIM_FAULT_LATE_REPLY) << true << 1;
        QTest::newRow("wrong length") << int(VSIM_FAULT_WRONG_LENGTH) << true << 0;
        QTest::newRow("bad checksum") << int(VSIM_FAULT_BAD_CHECKSUM) << true << 0;
        QTest::newRow("checksum without magic") << int(VSIM_FAULT_CHECKSUM_NO_MAGIC) << false << 0;
        QTest::newRow("refused") << int(VSIM_FAULT_STATUS) << false << 0;
    }

    void brokenRepliesFailWithoutARetry()
    {
        QFETCH(int, fault);
        QFETCH(bool, slow);
        QFETCH(int, settle);
        QCOMPARE(setSpeed(kDefaultId, 0, 4.0), 0);
        QCOMPARE(vsim_set_fault(kDefaultId, vsim_fault(fault), 0x000A, 1), VSIM_OK);
        vsim_clear_written(kDefaultId);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(getSpeed(kDefaultId, 0), -2.0);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(vsim_written_count(kDefaultId), 1);
        if (slow)
            QVERIFY2(elapsed >= 190 && elapsed < 400, qPrintable(QString::number(elapsed)));
        else
            QVERIFY2(elapsed < 100, qPrintable(QString::number(elapsed)));

        // The speed changes; the old speed may still be on its way in. A
        // read never reports it: it fails while the old reply may be the
        // one it would take, and reads the new speed once that is settled.
        QCOMPARE(setSpeed(kDefaultId, 0, 5.0), 0);
        const double next = getSpeed(kDefaultId, 0);
        if (settle == 0)
            QCOMPARE(next, 5.0);
        else
            QVERIFY2(next == -2.0 || (settle == 1 && next == 5.0), qPrintable(QString::number(next)));
        if (settle == 2) {
            QTest::qSleep(1100);
            QCOMPARE(getSpeed(kDefaultId, 0), 5.0);
        }
        QCOMPARE(getSpeed(kDefaultId, 0), 5.0);
    }

    void untidyButValidStreamsAreAccepted_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("garbage before") << int(VSIM_FAULT_GARBAGE_BEFORE);
        QTest::newRow("garbage between") << int(VSIM_FAULT_GARBAGE_BETWEEN);
        QTest::newRow("split over reads") << int(VSIM_FAULT_SPLIT);
        QTest::newRow("two in one read") << int(VSIM_FAULT_TWO_IN_ONE_READ);
        QTest::newRow("other axis") << int(VSIM_FAULT_OTHER_AXIS);
    }

    void untidyButValidStreamsAreAccepted()
    {
        QFETCH(int, fault);
        QCOMPARE(setAcceleration(kDefaultId, 1, 42.0), 0);
        QCOMPARE(vsim_set_fault(kDefaultId, vsim_fault(fault), 0, 3), VSIM_OK);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(getAcceleration(kDefaultId, 1), 42.0);
        MotorStageState state;
        QCOMPARE(getRuningState(kDefaultId, 1, &state), 0);
        QCOMPARE(setJogCount(kDefaultId, 1, 5), 0);
        QVERIFY2(clock.elapsed() < 150, qPrintable(QString::number(clock.elapsed())));
    }

    void aStalledEndpointIsClearedAndReadingResumes()
    {
        QCOMPARE(vsim_stall_in_once(kDefaultId), VSIM_OK);
        QTest::qWait(20);
        QCOMPARE(setCircleCount(kDefaultId, 0, 9), 0);
        QCOMPARE(getCircleCount(kDefaultId, 0), 9);
    }

    void hostileBytesNeitherCrashNorBlockLaterReplies()
    {
        // A header announcing 65535 bytes swallows the stream until it is
        // complete; once it is, replies are recognised again.
        const QByteArray header = hex("AA 55 23 00 00 00 FF FF");
        vsim_push_in_bytes(kDefaultId, reinterpret_cast<const unsigned char *>(header.constData()), header.size());
        const QByteArray junk(65535 + 2, char(0xAB));
        vsim_push_in_bytes(kDefaultId, reinterpret_cast<const unsigned char *>(junk.constData()), junk.size());
        // Endless garbage with stray magic bytes.
        QByteArray garbage;
        for (int i = 0; i < 200000; ++i)
            garbage.append(char(i % 7 == 0 ? 0xAA : i % 5));
        vsim_push_in_bytes(kDefaultId, reinterpret_cast<const unsigned char *>(garbage.constData()), garbage.size());
        QTest::qWait(100);
        QCOMPARE(setJogStep(kDefaultId, 2, 0.5), 0);
        QCOMPARE(getJogStep(kDefaultId, 2), 0.5);
    }

    void falseFrameStartsDoNotCostLaterReplies_data()
    {
        QTest::addColumn<QByteArray>("junk");
        QTest::newRow("junk ending in a magic") << hex("00 FF 13 AA 55");
        QTest::newRow("junk ending in a magic and a zero code") << hex("AA 55 00 00");
        QTest::newRow("damaged reply holding a huge header")
            << hex("AA 55 0A 00 00 00 0A 00 00 00 AA 55 00 00 00 00 FF FF 00 00");
    }

    void falseFrameStartsDoNotCostLaterReplies()
    {
        QFETCH(QByteArray, junk);
        QCOMPARE(setSpeed(kDefaultId, 0, 5.0), 0);
        vsim_push_in_bytes(kDefaultId, reinterpret_cast<const unsigned char *>(junk.constData()), junk.size());
        QTest::qWait(20); // the reader has taken the junk in
        QCOMPARE(getDevAxisCount(kDefaultId), 3);
        QCOMPARE(getSpeed(kDefaultId, 0), 5.0);
    }

    void nullRecordsAreRefusedBeforeAnythingIsSent()
    {
        QCOMPARE(getRuningState(kDefaultId, 0, nullptr), -100);
        QCOMPARE(getRockerInfo(kDefaultId, nullptr), -100);
        QCOMPARE(getMotorParams(kDefaultId, 0, nullptr), -100);
        QCOMPARE(getMotorAutoDetect(kDefaultId, 0, nullptr), -100);
        QCOMPARE(vsim_written_count(kDefaultId), 0);
    }
};

QTEST_APPLESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"

// A reply that lands after its request gave up belongs to nobody: a newer
// request of the same code that is still waiting must not take it for its
// own answer and report, as a success, a value the controller has since
// replaced.
#include "velmoLibrary.h"
#include "velmoSim.h"

#include <QtTest>
#include <cstring>

namespace {

constexpr int kId = 14;

// Writes one value of a kind and reads it back through the exports; the
// read reports success and its value, or failure.
struct ValueKind {
    quint16 readCode;
    int (*write)(int step);
    bool (*read)(QByteArray *value);
    QByteArray (*expected)(int step);
};

QByteArray real(double value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), int(sizeof value));
}

QByteArray number(int value)
{
    return QByteArray::number(value);
}

const ValueKind kSpeed = {
    0x000A,
    [](int step) { return setSpeed(kId, 0, 1.0 + step); },
    [](QByteArray *value) {
        const double speed = getSpeed(kId, 0);
        *value = real(speed);
        return speed != -1.0 && speed != -2.0;
    },
    [](int step) { return real(1.0 + step); },
};

const ValueKind kJogCount = {
    0x0016,
    [](int step) { return setJogCount(kId, 1, 10 + step); },
    [](QByteArray *value) {
        const int count = getJogCount(kId, 1);
        *value = number(count);
        return count != -1 && count != -2;
    },
    [](int step) { return number(10 + step); },
};

const ValueKind kTargetPosition = {
    0x0008,
    [](int step) { return setTargetPos(kId, 2, 3.5 * step); },
    [](QByteArray *value) {
        char ok = 0;
        *value = real(getTargetPos(kId, 2, &ok));
        return ok == 1;
    },
    [](int step) { return real(3.5 * step); },
};

const ValueKind kSerialNumber = {
    0x1004,
    [](int step) {
        const QByteArray text = "SN-" + QByteArray::number(step);
        return setDevSerialNumber(kId, text.constData(), text.size());
    },
    [](QByteArray *value) {
        char buffer[32] = {};
        const bool ok = getDevSerialNumber(kId, buffer, 32) == 0;
        *value = QByteArray(buffer, 32);
        return ok;
    },
    [](int step) {
        const QByteArray text = "SN-" + QByteArray::number(step);
        return text + QByteArray(32 - text.size(), '\0');
    },
};

} // namespace

Q_DECLARE_METATYPE(const ValueKind *)

class StaleRepliesTest : public QObject
{
    Q_OBJECT

    // The value kinds every case runs with.
    static void kinds()
    {
        QTest::addColumn<const ValueKind *>("kind");
        QTest::newRow("speed") << &kSpeed;
        QTest::newRow("jog count") << &kJogCount;
        QTest::newRow("target position") << &kTargetPosition;
        QTest::newRow("controller serial number") << &kSerialNumber;
    }

    // Reads until one succeeds (within a few seconds); every success must
    // carry the expected value.
    static bool readsSettleOn(const ValueKind *kind, const QByteArray &expected)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000) {
            QByteArray value;
            if (kind->read(&value))
                return value == expected;
            QTest::qWait(50);
        }
        return false;
    }

private slots:
    void init()
    {
        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        QCOMPARE(addDev(kId), 0);
        QCOMPARE(openKXDevice(kId), 0);
    }

    void cleanup() { removeDev(kId); }

    void aLateReplyIsNotTheAnswerToALaterRequest_data() { kinds(); }
    // The first read's reply comes 250 ms late, after it gave up; the value
    // is changed; the next read of it gets no reply of its own and is still
    // waiting when the late one lands.
    void aLateReplyIsNotTheAnswerToALaterRequest()
    {
        QFETCH(const ValueKind *, kind);
        QCOMPARE(kind->write(1), 0);
        QByteArray value;
        QVERIFY(kind->read(&value));
        QCOMPARE(value, kind->expected(1));

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_LATE_REPLY, kind->readCode, 1), VSIM_OK);
        QVERIFY(!kind->read(&value));
        QCOMPARE(kind->write(2), 0);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_NO_REPLY, kind->readCode, 1), VSIM_OK);
        const bool ok = kind->read(&value);
        QVERIFY2(!ok || value == kind->expected(2), "a late reply passed for the answer to a newer request");

        // Two reads went out and one reply came back: which one was lost
        // cannot be told, so reads fail until the owed one is given up,
        // then report the current value, never the old one.
        QVERIFY(readsSettleOn(kind, kind->expected(2)));
    }

    // A slow controller (80 ms per reply): the late reply of a read that gave
    // up lands while the next read of the same value, sent after a change,
    // waits for its own reply, which is still on its way.
    void aSlowReplyBehindALateOneKeepsItsOwnValue_data() { kinds(); }
    void aSlowReplyBehindALateOneKeepsItsOwnValue()
    {
        QFETCH(const ValueKind *, kind);
        QCOMPARE(kind->write(3), 0);
        QCOMPARE(vsim_set_latency_us(kId, 80000), VSIM_OK);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_LATE_REPLY, kind->readCode, 1), VSIM_OK);
        QByteArray value;
        QVERIFY(!kind->read(&value));
        QCOMPARE(kind->write(4), 0);
        const bool ok = kind->read(&value);
        QVERIFY2(!ok || value == kind->expected(4), "a late reply passed for the answer to a newer request");
        QVERIFY(readsSettleOn(kind, kind->expected(4)));
    }

    // Several late replies of the same code in a row, the value changing
    // between them: no read ever reports a value older than the last
    // acknowledged write.
    void aBacklogOfLateRepliesNeverTurnsBackTheValue()
    {
        QCOMPARE(kSpeed.write(0), 0);
        int stale = 0;
        for (int step = 1; step <= 6; ++step) {
            QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_LATE_REPLY, kSpeed.readCode, 1), VSIM_OK);
            QByteArray value;
            if (kSpeed.read(&value) && value != kSpeed.expected(step - 1))
                ++stale;
            QCOMPARE(kSpeed.write(step), 0);
        }
        QByteArray value;
        if (kSpeed.read(&value) && value != kSpeed.expected(6))
            ++stale;
        QCOMPARE(stale, 0);
    }
};

QTEST_APPLESS_MAIN(StaleRepliesTest)
#include "tst_stale_replies.moc"

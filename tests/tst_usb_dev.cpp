// The reader thread of one controller, against the virtual controller.
#include "FrameCodec.h"
#include "UsbDev.h"
#include "velmoSim.h"

#include <QtTest>
#include <ctime>

using velmo::FrameCodec;
using velmo::UsbDev;

namespace {

constexpr quint16 kGetSpeed = 0x000A;
constexpr int kSpeedReplyLength = 20; // axis echo and a double, framed

// Asks the controller for axis 0's speed and waits for the reply to be filed.
bool askSpeed(UsbDev &device, int timeoutMs = 2000)
{
    const quint16 axis = 0;
    const QByteArray request = FrameCodec::buildRequest(kGetSpeed, &axis, int(sizeof axis));
    if (device.bulkWrite(request.constData(), request.size()) != request.size())
        return false;
    char reply[kSpeedReplyLength] = {};
    return device.waitForReply(kGetSpeed, reply, kSpeedReplyLength, timeoutMs) == kSpeedReplyLength;
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

class UsbDevTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK); }

    void aStopBeforeTheReaderRunsIsKept()
    {
        // A close may come before the new thread got to run; the reader
        // must not turn itself back on.
        UsbDev device(0x4306, 0x5745);
        QVERIFY(device.open(14));
        device.requestStop();
        device.start();
        QVERIFY(device.wait(2000));
        QVERIFY(!device.running());
    }

    void theReaderEndsOnAnUnplugAndFindsTheLastBulkEndpoints()
    {
        QCOMPARE(vsim_load_scenario(R"({"controllers": [{"portPath": [1, 4], "extraEndpoints": true}]})"),
                 VSIM_OK);
        UsbDev device(0x4306, 0x5745);
        QVERIFY(device.open(14));
        QCOMPARE(int(device.inEndpoint()), 0x82);
        QCOMPARE(int(device.outEndpoint()), 0x02);
        device.start();
        QTest::qWait(20);
        QVERIFY(device.isRunning());
        QCOMPARE(vsim_set_plugged(14, 0), VSIM_OK);
        QVERIFY(device.wait(2000));
        QVERIFY(!device.running());
    }

    void anIdleReaderSleepsAndARequestWakesIt()
    {
        UsbDev device(0x4306, 0x5745);
        QVERIFY(device.open(14));
        device.start();
        QVERIFY(askSpeed(device));

        // Reading in 1 ms slices costs ~1000 wake-ups and several ms of
        // processor time a second; asleep in event handling it costs neither.
        const unsigned long long returnsBefore = vsim_event_handling_returns();
        const double cpuBefore = processCpuSeconds();
        QThread::msleep(1000);
        const double cpuSeconds = processCpuSeconds() - cpuBefore;
        const unsigned long long returns = vsim_event_handling_returns() - returnsBefore;
        QVERIFY2(returns <= 10, qPrintable(QString::number(returns)));
        QVERIFY2(cpuSeconds < 0.02, qPrintable(QString::number(cpuSeconds)));

        QElapsedTimer timer;
        timer.start();
        QVERIFY(askSpeed(device));
        QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(device.running());
    }

    void aStallIsClearedAndReadingGoesOn()
    {
        UsbDev device(0x4306, 0x5745);
        QVERIFY(device.open(14));
        device.start();
        QVERIFY(askSpeed(device));
        QCOMPARE(vsim_stall_in_once(14), VSIM_OK);
        QVERIFY(askSpeed(device));
        QVERIFY(device.running());
    }

    void closingWhileTheTransferIsOutReturnsPromptly()
    {
        QElapsedTimer timer;
        {
            UsbDev device(0x4306, 0x5745);
            QVERIFY(device.open(14));
            device.start();
            QVERIFY(askSpeed(device));
            timer.start();
            // The destructor cancels the transfer and joins the reader; the
            // transfer is freed by then (the sanitizer build checks for leaks).
        }
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(vsim_open_handles(14), 0);
    }

    void controllersOpenTogetherEachGetTheirRepliesAndStopAlone()
    {
        // Whichever reader handles libusb's events runs the other's
        // callbacks; each must still wake for its own replies and its stop.
        QCOMPARE(vsim_load_scenario(R"({"controllers": [{"portPath": [1, 4]}, {"portPath": [1, 3]}]})"), VSIM_OK);
        UsbDev first(0x4306, 0x5745);
        UsbDev second(0x4306, 0x5745);
        QVERIFY(first.open(14));
        QVERIFY(second.open(13));
        first.start();
        second.start();
        for (int round = 0; round < 20; ++round) {
            QVERIFY(askSpeed(first));
            QVERIFY(askSpeed(second));
        }
        QElapsedTimer timer;
        timer.start();
        first.requestStop();
        QVERIFY(first.wait(2000));
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(askSpeed(second));
        QVERIFY(second.running());
    }

    void openingAMissingControllerFails()
    {
        UsbDev device(0x4306, 0x5745);
        QVERIFY(!device.open(13));
        QVERIFY(!device.isOpen());
    }
};

QTEST_GUILESS_MAIN(UsbDevTest)
#include "tst_usb_dev.moc"

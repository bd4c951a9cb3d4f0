// The reader thread of one controller, against the virtual controller.
#include "UsbDev.h"
#include "velmoSim.h"

#include <QtTest>

using velmo::UsbDev;

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

    void openingAMissingControllerFails()
    {
        UsbDev device(0x4306, 0x5745);
        QVERIFY(!device.open(13));
        QVERIFY(!device.isOpen());
    }
};

QTEST_GUILESS_MAIN(UsbDevTest)
#include "tst_usb_dev.moc"

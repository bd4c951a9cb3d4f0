// Unplugging the controller on the real libusb: in the middle of an
// exchange and while idle. The documented codes come back without a hang,
// the reader thread ends, and after re-plugging the controller opens again.
#include "UsbfsControl.h"
#include "velmoLibrary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
constexpr int Id = 14;
}

class TstUsbfsUnplug : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(libraryInit(), 0);
        QCOMPARE(addDev(Id), 0);
    }

    void cleanupTestCase()
    {
        removeDev(Id);
    }

    void unplugDuringAnExchange()
    {
        QCOMPARE(openKXDevice(Id), 0);
        QCOMPARE(getDevAxisCount(Id), 3);
        QCOMPARE(UsbfsControl::threadsNamed(QStringLiteral("UsbDev")), 1);

        // The reply is swallowed so the exchange is still waiting when the cable goes.
        QVERIFY(UsbfsControl::ok(QStringLiteral("fault %1 noReply 0 1").arg(Id)));
        std::atomic<int> status{99};
        std::atomic<qint64> took{-1};
        std::thread exchange([&] {
            QElapsedTimer timer;
            timer.start();
            int s = 99;
            getCurrentPos(Id, 0, &s);
            status = s;
            took = timer.elapsed();
        });
        QThread::msleep(60);
        QVERIFY(UsbfsControl::ok(QStringLiteral("unplug %1").arg(Id)));
        exchange.join();
        QVERIFY2(status == -1 || status == -2, qPrintable(QString::number(status)));
        QVERIFY2(took < 1000, qPrintable(QString::number(took)));

        QVERIFY2(waitFor([] { return UsbfsControl::threadsNamed(QStringLiteral("UsbDev")) == 0; }),
                 "the reader thread kept running after the unplug");

        // Later commands fail at once with a documented code.
        QElapsedTimer timer;
        timer.start();
        const int count = getDevAxisCount(Id);
        QVERIFY2(count == -1 || count == -2, qPrintable(QString::number(count)));
        QVERIFY(timer.elapsed() < 1000);

        QVERIFY2(waitFor([] { return listKXMotorControlerDevices(nullptr, 0) == 0; }),
                 "the unplugged controller is still listed");
        QCOMPARE(openKXDevice(Id), -1);
        closeKXDevice(Id);
    }

    void replugAndReopen()
    {
        QVERIFY(UsbfsControl::ok(QStringLiteral("plug %1").arg(Id)));
        int ids[2] = {};
        QVERIFY2(waitFor([&] { return listKXMotorControlerDevices(ids, 2) == 1; }),
                 "the re-plugged controller does not show up");
        QCOMPARE(ids[0], Id);
        QCOMPARE(openKXDevice(Id), 0);
        QCOMPARE(getDevAxisCount(Id), 3);
        char version[32] = {};
        QCOMPARE(getDevSoftVersion(Id, version, 32), 0);
        QCOMPARE(QByteArray(version), QByteArray("VM 1.0.0"));
        QCOMPARE(UsbfsControl::threadsNamed(QStringLiteral("UsbDev")), 1);
        QCOMPARE(closeKXDevice(Id), 0);
    }

    void unplugWhileIdleRepeatedly()
    {
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(openKXDevice(Id), 0);
            QCOMPARE(getDevAxisCount(Id), 3);
            QVERIFY(UsbfsControl::ok(QStringLiteral("unplug %1").arg(Id)));
            QVERIFY(waitFor([] { return UsbfsControl::threadsNamed(QStringLiteral("UsbDev")) == 0; }));
            const int result = setSpeed(Id, 0, 1.0);
            QVERIFY2(result == -1 || result == -2, qPrintable(QString::number(result)));
            QCOMPARE(closeKXDevice(Id), 0);
            QVERIFY(UsbfsControl::ok(QStringLiteral("plug %1").arg(Id)));
            QVERIFY(waitFor([] { return listKXMotorControlerDevices(nullptr, 0) == 1; }));
        }
        QCOMPARE(openKXDevice(Id), 0);
        QCOMPARE(getDevAxisCount(Id), 3);
        QCOMPARE(closeKXDevice(Id), 0);
    }

private:
    template <typename Condition>
    static bool waitFor(Condition condition)
    {
        for (int i = 0; i < 300; ++i) {
            if (condition())
                return true;
            QThread::msleep(10);
        }
        return false;
    }
};

VELMO_USBFS_TEST_MAIN(TstUsbfsUnplug)
#include "tst_usbfs_unplug.moc"

// Enumeration, open/close and interface set-up on the real libusb. Scenario
// (set by CMake): controllers at 1-4 and 1-3 behind hub 1-1, a mouse at 1-2,
// so the list also holds a root hub, a hub and a foreign device.
#include "UsbfsControl.h"
#include "velmoLibrary.h"

#include <QCoreApplication>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

class TstUsbfsEnumeration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(libraryInit(), 0);
    }

    void cleanupTestCase()
    {
        removeDev(13);
        removeDev(14);
    }

    void listsOnlyControllersWithPortPathIds()
    {
        int ids[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
        QCOMPARE(listKXMotorControlerDevices(ids, 8), 2);
        std::vector<int> found(ids, ids + 2);
        std::sort(found.begin(), found.end());
        QCOMPARE(found, (std::vector<int>{13, 14}));
        QCOMPARE(ids[2], -7); // nothing written past the controllers
    }

    void countsBeyondCapacity()
    {
        int ids[1] = {-7};
        QCOMPARE(listKXMotorControlerDevices(ids, 1), 2);
        QVERIFY(ids[0] == 13 || ids[0] == 14);
        QCOMPARE(listKXMotorControlerDevices(nullptr, 0), 2);
    }

    void openAndCloseClaimsAndReleases()
    {
        QCOMPARE(addDev(14), 0);
        const long opensBefore = UsbfsControl::stat(14, QStringLiteral("opens"));
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(UsbfsControl::stat(14, QStringLiteral("claimed")), 1L);
        QCOMPARE(UsbfsControl::stat(14, QStringLiteral("opens")), opensBefore + 1);
        QVERIFY(waitForReaders(1)); // the reader names itself once it runs
        QCOMPARE(closeKXDevice(14), 0);
        QVERIFY(waitForReaders(0));
        QCOMPARE(closeKXDevice(14), -1);
        // Re-opening opens the node once more and claims again.
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(UsbfsControl::stat(14, QStringLiteral("opens")), opensBefore + 2);
        QCOMPARE(UsbfsControl::stat(14, QStringLiteral("claimed")), 1L);
        QCOMPARE(closeKXDevice(14), 0);
    }

    void openRefusesUnknownIds()
    {
        QCOMPARE(openKXDevice(77), -1); // no such controller, registered or not
        // A controller that is there but not registered is opened, then let go.
        removeDev(13);
        const long opensBefore = UsbfsControl::stat(13, QStringLiteral("opens"));
        QCOMPARE(openKXDevice(13), -2);
        QCOMPARE(UsbfsControl::stat(13, QStringLiteral("opens")), opensBefore + 1);
        QCOMPARE(UsbfsControl::threadsNamed(QStringLiteral("UsbDev")), 0);
        QCOMPARE(addDev(99), 0);
        QCOMPARE(openKXDevice(99), -1); // registered, but no such controller
        QCOMPARE(removeDev(99), 1);
    }

    void exchangeUsesTheBulkEndpoints()
    {
        QCOMPARE(addDev(14), 0);
        QCOMPARE(openKXDevice(14), 0);
        QVERIFY(UsbfsControl::ok(QStringLiteral("ping")));
        const QString before = UsbfsControl::send(QStringLiteral("written 14"));
        QCOMPARE(getDevAxisCount(14), 3);
        const QString after = UsbfsControl::send(QStringLiteral("written 14"));
        // One request frame on 0x01, one reply read from 0x81.
        QCOMPARE(after.mid(3).toInt(), before.mid(3).toInt() + 1);
        QVERIFY(UsbfsControl::stat(14, QStringLiteral("in")) >= 1);
        QCOMPARE(UsbfsControl::stat(14, QStringLiteral("rejected")), 0L);
        QCOMPARE(closeKXDevice(14), 0);
    }

    void twoControllersStaySeparate()
    {
        QCOMPARE(addDev(13), 0);
        QCOMPARE(addDev(14), 0);
        QCOMPARE(openKXDevice(13), 0);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(setDevAxisCount(13, 5), 0);
        QCOMPARE(getDevAxisCount(13), 5);
        QCOMPARE(getDevAxisCount(14), 3);
        char serial[32] = {};
        QCOMPARE(setDevSerialNumber(13, "SER-13", 6), 0);
        QCOMPARE(getDevSerialNumber(14, serial, 32), 0);
        QCOMPARE(QByteArray(serial), QByteArray("VM-0001"));
        QCOMPARE(getDevSerialNumber(13, serial, 32), 0);
        QCOMPARE(QByteArray(serial), QByteArray("SER-13"));
        QCOMPARE(closeKXDevice(13), 0);
        QCOMPARE(closeKXDevice(14), 0);
        QVERIFY(waitForReaders(0));
    }

    void reopenManyTimes()
    {
        QCOMPARE(addDev(14), 0);
        for (int round = 0; round < 20; ++round) {
            QCOMPARE(openKXDevice(14), 0);
            QCOMPARE(getDevAxisCount(14), 3);
            QCOMPARE(closeKXDevice(14), 0);
        }
        QVERIFY(waitForReaders(0));
    }

private:
    static bool waitForReaders(int expected)
    {
        for (int i = 0; i < 200; ++i) {
            if (UsbfsControl::threadsNamed(QStringLiteral("UsbDev")) == expected)
                return true;
            QThread::msleep(10);
        }
        return false;
    }
};

VELMO_USBFS_TEST_MAIN(TstUsbfsEnumeration)
#include "tst_usbfs_enumeration.moc"

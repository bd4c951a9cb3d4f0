// Enumeration, the registry and the lifecycle exports against the virtual
// controller.
#include "SimHarness.h"

#include <QElapsedTimer>
#include <QtTest>
#include <thread>

using namespace simharness;

namespace {
const char *const threeControllers = R"({
  "controllers": [
    {"portPath": [1, 4], "serialNumber": "VM-A", "axes": 1},
    {"portPath": [1, 3], "serialNumber": "VM-B", "axes": 1},
    {"portPath": [2, 1, 5], "serialNumber": "VM-C", "axes": 1}
  ],
  "otherDevices": [
    {"vendorId": 4660, "productId": 22136, "portPath": [1, 2]},
    {"vendorId": 17158, "productId": 1, "portPath": [1, 1]}
  ]
})";
} // namespace

class RegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK); }

    void enumerationCountsBeyondTheCapacity()
    {
        QCOMPARE(vsim_load_scenario(threeControllers), VSIM_OK);
        int ids[3] = {-7, -7, -7};
        QCOMPARE(listKXMotorControlerDevices(ids, 2), 3);
        // Two slots written in bus order, the third untouched.
        QCOMPARE(ids[0], 14);
        QCOMPARE(ids[1], 13);
        QCOMPARE(ids[2], -7);

        int all[8] = {};
        QCOMPARE(listKXMotorControlerDevices(all, 8), 3);
        QCOMPARE(all[2], 215);

        // No array or no room: nothing written, the count still returned.
        QCOMPARE(listKXMotorControlerDevices(nullptr, 8), 3);
        QCOMPARE(listKXMotorControlerDevices(ids, 0), 3);
        QCOMPARE(listKXMotorControlerDevices(ids, -4), 3);
        QCOMPARE(ids[0], 14);
    }

    void noControllerMeansZeroAndAFailedOpen()
    {
        QCOMPARE(vsim_load_scenario(R"({"controllers": []})"), VSIM_OK);
        int ids[2] = {-7, -7};
        QCOMPARE(listKXMotorControlerDevices(ids, 2), 0);
        QCOMPARE(ids[0], -7);
        addDev(14);
        QCOMPARE(openKXDevice(14), -1);
        QCOMPARE(removeDev(14), 1);
    }

    void lifecycleEdgeCases()
    {
        // Unregistered id.
        QCOMPARE(closeKXDevice(14), -1);
        QCOMPARE(removeDev(14), 0);
        QCOMPARE(startMove(14, 0), -1);

        // Registered, never opened.
        QCOMPARE(addDev(14), 0);
        QCOMPARE(closeKXDevice(14), -1);
        QCOMPARE(startMove(14, 0), -1);
        QCOMPARE(vsim_written_count(14), 0);
        QCOMPARE(removeDev(14), 1);
        QCOMPARE(removeDev(14), 0);

        // Open, close, reopen without a new addDev, remove while open.
        addDev(14);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(vsim_open_handles(14), 1);
        QCOMPARE(startMove(14, 0), 0);
        QCOMPARE(closeKXDevice(14), 0);
        QCOMPARE(vsim_open_handles(14), 0);
        QCOMPARE(startMove(14, 0), -1);
        QCOMPARE(closeKXDevice(14), -1);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(getDevAxisCount(14), 3);
        QCOMPARE(removeDev(14), 1);
        QCOMPARE(vsim_open_handles(14), 0);
        QCOMPARE(getDevAxisCount(14), -1);
    }

    void openingAnUnregisteredIdReleasesTheController()
    {
        QCOMPARE(openKXDevice(14), -2);
        QCOMPARE(vsim_open_count(14), 1); // it was opened...
        QCOMPARE(vsim_open_handles(14), 0); // ...and closed again
    }

    void reopeningOrReRegisteringAnOpenIdLeaksNothing()
    {
        addDev(14);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(vsim_open_handles(14), 1);
        QCOMPARE(getDevAxisCount(14), 3);
        QCOMPARE(addDev(14), 0);
        QCOMPARE(vsim_open_handles(14), 0);
        QCOMPARE(getDevAxisCount(14), -1); // registered again, closed
        QCOMPARE(removeDev(14), 1);
    }

    void openRetriesOnceAfterATransientFailure()
    {
        addDev(14);
        QCOMPARE(vsim_fail_open(14, 1), VSIM_OK);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(getDevAxisCount(14), 3);
        closeKXDevice(14);

        QCOMPARE(vsim_fail_open(14, 2), VSIM_OK);
        QCOMPARE(openKXDevice(14), -1);
        QCOMPARE(openKXDevice(14), 0); // the controller recovered
        closeKXDevice(14);

        QCOMPARE(vsim_fail_open(14, -1), VSIM_OK);
        QCOMPARE(openKXDevice(14), -1);
        QCOMPARE(vsim_open_handles(14), 0);
        QCOMPARE(removeDev(14), 1);
    }

    void failedClaimOpensButCommandsFail()
    {
        addDev(14);
        QCOMPARE(vsim_fail_claim(14, 1), VSIM_OK);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(startMove(14, 0), -1);
        QCOMPARE(removeDev(14), 1);
    }

    void unpluggedControllerFailsFastAndRecoversAfterReopen()
    {
        OpenController controller;
        QCOMPARE(controller.openResult(), 0);
        QCOMPARE(setSpeed(14, 0, 3.5), 0);

        QCOMPARE(vsim_set_plugged(14, 0), VSIM_OK);
        int ids[4] = {};
        QCOMPARE(listKXMotorControlerDevices(ids, 4), 0);
        QElapsedTimer clock;
        clock.start();
        const int moved = startMove(14, 0);
        QVERIFY2(moved == -1 || moved == -2, qPrintable(QString::number(moved)));
        int status = 99;
        QCOMPARE(getCurrentPos(14, 0, &status), 0.0);
        QVERIFY(status == -1 || status == -2);
        // Each exchange is bounded by the reply time-out: no hang.
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

        // The reader has ended on the error; closing returns at once.
        clock.restart();
        QCOMPARE(closeKXDevice(14), 0);
        QVERIFY(clock.elapsed() < 150);

        QCOMPARE(vsim_set_plugged(14, 1), VSIM_OK);
        QCOMPARE(listKXMotorControlerDevices(ids, 4), 1);
        QCOMPARE(openKXDevice(14), 0);
        QCOMPARE(getSpeed(14, 0), 3.5); // the controller kept its setting
    }

    void closingDuringAnExchangeFailsItInsteadOfCrashing()
    {
        // Hosts must not do this, but a mistake must not corrupt memory.
        OpenController controller;
        QCOMPARE(vsim_set_fault(14, VSIM_FAULT_NO_REPLY, 0x000A, 1), VSIM_OK);
        double speed = 0;
        std::thread exchange([&speed] { speed = getSpeed(14, 0); });
        QTest::qWait(50);
        QCOMPARE(closeKXDevice(14), 0);
        exchange.join();
        QCOMPARE(speed, -2.0);
        QCOMPARE(getSpeed(14, 0), -1.0);
        QTRY_COMPARE(vsim_open_handles(14), 0);
    }

    void idsComeFromPortPaths()
    {
        QCOMPARE(vsim_load_scenario(R"({"controllers": [
            {"portPath": [3]},
            {"portPath": [1, 10, 2]},
            {"portPath": [200, 200, 200, 200, 200]}
        ]})"), VSIM_OK);
        int ids[3] = {};
        QCOMPARE(listKXMotorControlerDevices(ids, 3), 3);
        QCOMPARE(ids[0], 3);
        QCOMPARE(ids[1], 1102);
        QCOMPARE(ids[2], 0); // 200200200200200 does not fit an int
        OpenController controller(1102);
        QCOMPARE(controller.openResult(), 0);
        QCOMPARE(getDevAxisCount(1102), 3);
    }

    void initLeavesAHostsOwnApplicationAlone()
    {
        int argc = 1;
        char name[] = "host";
        char *argv[] = {name, nullptr};
        QCoreApplication host(argc, argv);
        int initResult = -9;
        QTimer::singleShot(0, &host, [&initResult] { initResult = libraryInit(); });
        QTimer::singleShot(200, &host, [&host] { host.exit(7); });
        QCOMPARE(host.exec(), 7); // the host's loop ran until the host ended it
        QCOMPARE(initResult, 0);
        libraryDeInit(); // not the library's object: nothing to delete
        QCOMPARE(QCoreApplication::instance(), &host);
    }

    void repeatedInitReusesTheApplication()
    {
        QCOMPARE(libraryInit(), 0);
        QCoreApplication *first = QCoreApplication::instance();
        QVERIFY(first != nullptr);
        QCOMPARE(libraryInit(), 0);
        QCOMPARE(QCoreApplication::instance(), first);
        libraryDeInit();
        QVERIFY(QCoreApplication::instance() == nullptr);
        libraryDeInit();
    }
};

QTEST_APPLESS_MAIN(RegistryTest)
#include "tst_registry.moc"

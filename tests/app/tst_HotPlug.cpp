// The USB change filter: which udev events count as one change, that it
// builds and tears down without a udev daemon, and that it never swallows a
// native event.

#include "SerialPortChangeFilter.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

class tst_HotPlug : public QObject
{
    Q_OBJECT

private slots:
    void deviceEvents_data();
    void deviceEvents();
    void everyArrivalIsOneSignal();
    void buildsWithoutUdevAndWithAnyWatchedObject();
    void nativeEventsPassThrough();
};

void tst_HotPlug::deviceEvents_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArray>("devtype");
    QTest::addColumn<int>("emitted");
    QTest::newRow("device plugged in") << QByteArray("add") << QByteArray("usb_device") << 1;
    QTest::newRow("device pulled out") << QByteArray("remove") << QByteArray("usb_device") << 1;
    QTest::newRow("driver bound") << QByteArray("bind") << QByteArray("usb_device") << 0;
    QTest::newRow("driver unbound") << QByteArray("unbind") << QByteArray("usb_device") << 0;
    QTest::newRow("attribute change") << QByteArray("change") << QByteArray("usb_device") << 0;
    QTest::newRow("interface added") << QByteArray("add") << QByteArray("usb_interface") << 0;
    QTest::newRow("interface removed") << QByteArray("remove") << QByteArray("usb_interface") << 0;
    QTest::newRow("no device type") << QByteArray("add") << QByteArray() << 0;
    QTest::newRow("no action") << QByteArray() << QByteArray("usb_device") << 0;
    QTest::newRow("action case matters") << QByteArray("ADD") << QByteArray("usb_device") << 0;
}

void tst_HotPlug::deviceEvents()
{
    QFETCH(QByteArray, action);
    QFETCH(QByteArray, devtype);
    QFETCH(int, emitted);
    SerialPortChangeFilter filter(nullptr);
    QSignalSpy changed(&filter, &SerialPortChangeFilter::signal_usbDevPortChanged);
    filter.handleDeviceEvent(action, devtype);
    QCOMPARE(changed.count(), emitted);
}

void tst_HotPlug::everyArrivalIsOneSignal()
{
    QWidget window;
    SerialPortChangeFilter filter(&window);
    QSignalSpy changed(&filter, &SerialPortChangeFilter::signal_usbDevPortChanged);
    for (int i = 0; i < 3; ++i) {
        filter.handleDeviceEvent("add", "usb_device");
        // What follows an arrival on the bus: interfaces and driver binding.
        filter.handleDeviceEvent("add", "usb_interface");
        filter.handleDeviceEvent("bind", "usb_interface");
        filter.handleDeviceEvent("bind", "usb_device");
    }
    QCOMPARE(changed.count(), 3);
    filter.handleDeviceEvent("remove", "usb_device");
    QCOMPARE(changed.count(), 4);
}

void tst_HotPlug::buildsWithoutUdevAndWithAnyWatchedObject()
{
    QObject notAWidget;
    for (QObject *watched : {static_cast<QObject *>(nullptr), &notAWidget}) {
        auto *filter = new SerialPortChangeFilter(watched);
        QVERIFY(filter->parent() == nullptr);
        // No udev daemon (a container): no monitor, and no failure either.
        if (!QFileInfo::exists(QStringLiteral("/run/udev/control")))
            QVERIFY(!filter->isMonitoring());
        delete filter;
    }
    // A watched window that goes first leaves no dangling use behind.
    auto *window = new QWidget;
    SerialPortChangeFilter filter(window);
    delete window;
    long result = 0;
    QVERIFY(!filter.nativeEventFilter("windows_generic_MSG", nullptr, &result));
}

void tst_HotPlug::nativeEventsPassThrough()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SerialPortChangeFilter filter(&window);
    QSignalSpy changed(&filter, &SerialPortChangeFilter::signal_usbDevPortChanged);
    qApp->installNativeEventFilter(&filter);
    const auto remove = qScopeGuard([&filter] { qApp->removeNativeEventFilter(&filter); });

    // Whatever the platform delivers goes on to Qt. Off Windows nothing here
    // is a device change.
    unsigned char zeros[64] = {};
    long result = 0;
    for (const char *type : {"xcb_generic_event_t", "windows_generic_MSG", "mac_generic_NSEvent"})
        QVERIFY(!filter.nativeEventFilter(type, zeros, &result));
    QVERIFY(!filter.nativeEventFilter(QByteArray(), nullptr, nullptr));
    window.resize(320, 200);
    QCoreApplication::processEvents();
#ifndef Q_OS_WIN
    QCOMPARE(changed.count(), 0);
#endif
}

QTEST_MAIN(tst_HotPlug)
#include "tst_HotPlug.moc"

#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;
struct udev;
struct udev_monitor;

// Tells the program that a USB device came or went, so that it can look for
// its controller again. Windows: the watched window's WM_DEVICECHANGE /
// DBT_DEVNODES_CHANGED messages, seen through the application's native event
// filter. Linux: a udev monitor of USB devices (not interfaces), read on the
// thread that created the filter. Without a running udev (a container, a
// minimal system) it stays silent.
class SerialPortChangeFilter : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // watched: the window whose messages carry the change on Windows; may
    // be null or a non-widget, then no message matches.
    explicit SerialPortChangeFilter(QObject *watched);
    ~SerialPortChangeFilter() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

    // One device event as udev reports it: emits the signal once for the
    // arrival ("add") or departure ("remove") of a "usb_device", nothing for
    // anything else. The monitor feeds it; call it on the filter's thread.
    void handleDeviceEvent(const QByteArray &action, const QByteArray &devtype);

    // Whether a udev monitor is open and watched.
    bool isMonitoring() const;

signals:
    void signal_usbDevPortChanged();

private slots:
    void readMonitor();

private:
    void startMonitor();
    void stopMonitor();

    QPointer<QWidget> m_watched;
    struct udev *m_udev = nullptr;
    struct udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};

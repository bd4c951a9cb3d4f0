#include "SerialPortChangeFilter.h"
#include "AppLogCategories.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#include <dbt.h>
#endif

#ifdef Q_OS_LINUX
#include <libudev.h>
#endif

SerialPortChangeFilter::SerialPortChangeFilter(QObject *watched)
    : m_watched(qobject_cast<QWidget *>(watched))
{
    startMonitor();
}

SerialPortChangeFilter::~SerialPortChangeFilter()
{
    stopMonitor();
}

bool SerialPortChangeFilter::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
#ifdef Q_OS_WIN
    // WM_DEVICECHANGE is sent to the window procedure, which Qt reports as
    // "windows_generic_MSG"; taking only that kind keeps one change one
    // signal should the same message also pass the dispatcher.
    if (message == nullptr || m_watched == nullptr || eventType != "windows_generic_MSG")
        return false;
    const MSG *msg = static_cast<const MSG *>(message);
    // internalWinId(): the handle when the window exists, 0 otherwise;
    // winId() would create a native window as a side effect.
    const HWND watchedWindow = reinterpret_cast<HWND>(m_watched->internalWinId());
    if (msg->message == WM_DEVICECHANGE && watchedWindow != nullptr && msg->hwnd == watchedWindow
        && msg->wParam == DBT_DEVNODES_CHANGED)
        emit signal_usbDevPortChanged();
#else
    // Elsewhere the changes come from the udev monitor.
    Q_UNUSED(eventType)
    Q_UNUSED(message)
#endif
    return false;
}

void SerialPortChangeFilter::handleDeviceEvent(const QByteArray &action, const QByteArray &devtype)
{
    // A controller's arrival also brings "bind" and "change" events and one
    // "add" per interface; only the device itself counts, once.
    if (devtype != "usb_device")
        return;
    if (action == "add" || action == "remove")
        emit signal_usbDevPortChanged();
}

bool SerialPortChangeFilter::isMonitoring() const
{
    return m_notifier != nullptr;
}

void SerialPortChangeFilter::startMonitor()
{
#ifdef Q_OS_LINUX
    // libudev would hand out a monitor that never fires when no udev daemon
    // runs; say so once instead.
    if (!QFileInfo::exists(QStringLiteral("/run/udev/control"))) {
        qCInfo(lcService) << "SerialPortChangeFilter: udev is not running, USB hot-plug is not watched";
        return;
    }
    m_udev = udev_new();
    if (m_udev != nullptr)
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor == nullptr
        || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0
        || udev_monitor_enable_receiving(m_monitor) < 0
        || udev_monitor_get_fd(m_monitor) < 0) {
        qCInfo(lcService) << "SerialPortChangeFilter: no udev monitor, USB hot-plug is not watched";
        stopMonitor();
        return;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    // Both overloads of activated() carry a private tag in Qt 5.15, so no
    // member pointer can pick one; connect by name.
    if (!connect(m_notifier, SIGNAL(activated(QSocketDescriptor, QSocketNotifier::Type)), this,
                 SLOT(readMonitor()))) {
        qCInfo(lcService) << "SerialPortChangeFilter: cannot watch the udev monitor, USB hot-plug is not watched";
        stopMonitor();
    }
#endif
}

void SerialPortChangeFilter::stopMonitor()
{
    delete m_notifier;
    m_notifier = nullptr;
#ifdef Q_OS_LINUX
    if (m_monitor != nullptr)
        udev_monitor_unref(m_monitor);
    if (m_udev != nullptr)
        udev_unref(m_udev);
#endif
    m_monitor = nullptr;
    m_udev = nullptr;
}

void SerialPortChangeFilter::readMonitor()
{
#ifdef Q_OS_LINUX
    // One readable event is one device; the socket does not block, so an
    // event the filter dropped gives null here and nothing happens.
    struct udev_device *device = udev_monitor_receive_device(m_monitor);
    if (device == nullptr)
        return;
    handleDeviceEvent(QByteArray(udev_device_get_action(device)), QByteArray(udev_device_get_devtype(device)));
    udev_device_unref(device);
#endif
}

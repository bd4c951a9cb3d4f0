#pragma once

#include "UsbAccessCheck.h"

#include <QList>
#include <QString>
#include <QWidget>

namespace Ui {
class ConnectionWidget;
}

// The small frameless window in which the user picks a controller and
// connects to or disconnects from it. The list shows each controller's
// serial number (item data: its device id); controllers the user has no
// permission to open are listed disabled, with a message naming the fix.
class ConnectionWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ConnectionWidget(QWidget *parent = nullptr, const UsbAccessCheck &accessCheck = UsbAccessCheck());
    ~ConnectionWidget() override;

    // Lists the controllers on the bus again and returns how many the
    // library found (which may exceed the 10 considered), or its failure
    // code. The open controller is not probed; it is listed last and
    // selected.
    int refreshDeviceList();
    // Whether the open controller has left the bus; false when none is open.
    bool isLost();
    void setConnectState(bool connected);
    void setAccessCheck(const UsbAccessCheck &accessCheck);

    // What 连接 does, for the controller with this device id instead of
    // the selected one (velmoApp --connect): lists the bus, selects the id
    // and connects. False when the id is not listed or does not open.
    bool connectTo(int id);

    int devId() const { return m_devId; }
    QString devSerial() const { return m_devSerial; }

signals:
    void signal_devConnected();
    void signal_devDisConnected();

private slots:
    void on_pushButton_close_clicked();
    void on_pushButton_connectSerial_clicked();
    void on_pushButton_disConnect_clicked();
    void slot_hideMsg();

protected:
    void changeEvent(QEvent *event) override;

private:
    // A status text that hides itself after five seconds.
    void showTimedMessage(const QString &text);
    // The permission text for blocked; it stays until the next refresh or
    // status text.
    void showPermissionNotice(const QList<UsbAccessCheck::BlockedController> &blocked);
    void clearPermissionNotice();
    void setNoticeLook(bool notice);
    void appendBlockedItem(int id);
    void retranslateDynamicTexts();

    Ui::ConnectionWidget *ui;
    QString m_devSerial;
    int m_devId = 0;
    UsbAccessCheck m_accessCheck;
    QList<UsbAccessCheck::BlockedController> m_permissionNotice; // shown in label_msg when not empty
};

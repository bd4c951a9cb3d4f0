#include "ConnectionWidget.h"
#include "AppLogCategories.h"
#include "ui_ConnectionWidget.h"

#include "FramelessDialog.h"
#include "SerialComDev.h"
#include "velmoLibrary.h"

#include <QEvent>
#include <QHash>
#include <QListView>
#include <QMutexLocker>
#include <QSet>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>

namespace {

// The list holds at most this many controllers; the library is asked for
// no more.
constexpr int kListCapacity = 10;
constexpr int kSerialSize = 32;
constexpr int kMessageMs = 5000;

// Dynamic property of label_msg that the style sheet uses to set the
// permission notice apart from the short status texts.
const char kNoticeProperty[] = "notice";

} // namespace

ConnectionWidget::ConnectionWidget(QWidget *parent, const UsbAccessCheck &accessCheck)
    : QWidget(parent), ui(new Ui::ConnectionWidget), m_accessCheck(accessCheck)
{
    ui->setupUi(this);
    FramelessDialog::apply(this, ui->widget_back, ui->widget_title);

    // A plain list view takes the style sheet's item rules; the default
    // delegate of the platform style does not.
    ui->comboBox_comList->setView(new QListView(ui->comboBox_comList));
}

ConnectionWidget::~ConnectionWidget()
{
    delete ui;
}

void ConnectionWidget::setAccessCheck(const UsbAccessCheck &accessCheck)
{
    m_accessCheck = accessCheck;
}

int ConnectionWidget::refreshDeviceList()
{
    QComboBox *list = ui->comboBox_comList;
    list->clear();
    clearPermissionNotice();

    QHash<int, UsbAccessCheck::BlockedController> blocked;
    const QList<UsbAccessCheck::BlockedController> inaccessible = m_accessCheck.inaccessibleControllers();
    for (const UsbAccessCheck::BlockedController &controller : inaccessible)
        blocked.insert(controller.id, controller);
    QList<UsbAccessCheck::BlockedController> reported;
    QSet<int> probed;

    int ids[kListCapacity] = {};
    int found = 0;
    {
        QMutexLocker lock(&SerialComDev::libMutex);
        found = listKXMotorControlerDevices(ids, kListCapacity);
        for (int i = 0; i < qMin(found, kListCapacity); ++i) {
            const int id = ids[i];
            // The open controller is never probed: opening it again would
            // close the service's channel. The others stay offered.
            if (m_devId != 0 && id == m_devId)
                continue;
            probed.insert(id);
            addDev(id);
            if (openKXDevice(id) == 0) {
                char serial[kSerialSize] = {};
                if (getDevSerialNumber(id, serial, kSerialSize) == 0)
                    list->addItem(QString::fromUtf8(serial, int(qstrnlen(serial, kSerialSize))), id);
            } else if (blocked.contains(id)) {
                appendBlockedItem(id);
                reported.append(blocked.value(id));
            }
            removeDev(id); // releases the probe
        }
    }

    // Controllers that sysfs shows but the library did not get to (it lists
    // nothing when it cannot read the bus) are named as well.
    for (const UsbAccessCheck::BlockedController &controller : inaccessible) {
        if (controller.id == m_devId || probed.contains(controller.id))
            continue;
        appendBlockedItem(controller.id);
        reported.append(controller);
    }
    if (!reported.isEmpty())
        showPermissionNotice(reported);

    if (found > 0 && m_devId != 0) {
        list->addItem(m_devSerial, m_devId);
        list->setCurrentIndex(list->count() - 1);
    }
    // The combo box makes its first row current even when it is a disabled
    // one; prefer a controller that can be opened.
    const auto *model = qobject_cast<const QStandardItemModel *>(list->model());
    if (model != nullptr && list->currentIndex() >= 0 && !model->item(list->currentIndex())->isEnabled()) {
        for (int row = 0; row < list->count(); ++row) {
            if (model->item(row)->isEnabled()) {
                list->setCurrentIndex(row);
                break;
            }
        }
    }
    return found;
}

bool ConnectionWidget::isLost()
{
    if (m_devId == 0)
        return false;
    int ids[kListCapacity] = {};
    QMutexLocker lock(&SerialComDev::libMutex);
    const int found = listKXMotorControlerDevices(ids, kListCapacity);
    if (found <= 0)
        return true;
    for (int i = 0; i < qMin(found, kListCapacity); ++i) {
        if (ids[i] == m_devId)
            return false;
    }
    return true;
}

void ConnectionWidget::setConnectState(bool connected)
{
    ui->pushButton_connectSerial->setEnabled(!connected);
    ui->pushButton_disConnect->setEnabled(connected);
    SerialComDev::instance()->setConnected(connected);
    showTimedMessage(connected ? QObject::tr("设备已连接") : QObject::tr("设备已断开"));
}

void ConnectionWidget::on_pushButton_close_clicked()
{
    hide();
}

void ConnectionWidget::on_pushButton_connectSerial_clicked()
{
    const int id = ui->comboBox_comList->currentData().toInt();
    qCDebug(lcService) << "devPort: " << id;
    const int result = SerialComDev::instance()->openDevice(id);
    if (result < 0) {
        showTimedMessage(tr("打开设备失败(err:%1)").arg(result));
        return;
    }
    m_devSerial = ui->comboBox_comList->currentText();
    m_devId = id;
    setConnectState(true);
    close();
    emit signal_devConnected();
}

bool ConnectionWidget::connectTo(int id)
{
    refreshDeviceList();
    const int index = ui->comboBox_comList->findData(id);
    if (index < 0)
        return false;
    ui->comboBox_comList->setCurrentIndex(index);
    on_pushButton_connectSerial_clicked();
    return m_devId == id;
}

void ConnectionWidget::on_pushButton_disConnect_clicked()
{
    SerialComDev::instance()->closeDevice();
    m_devId = 0;
    setConnectState(false);
    emit signal_devDisConnected();
}

void ConnectionWidget::slot_hideMsg()
{
    // The permission notice waits for the next refresh or status text; an
    // earlier text's timer must not take it away.
    if (!m_permissionNotice.isEmpty())
        return;
    ui->label_msg->hide();
}

void ConnectionWidget::showTimedMessage(const QString &text)
{
    clearPermissionNotice();
    ui->label_msg->setText(text);
    ui->label_msg->show();
    QTimer::singleShot(kMessageMs, this, &ConnectionWidget::slot_hideMsg);
}

void ConnectionWidget::showPermissionNotice(const QList<UsbAccessCheck::BlockedController> &blocked)
{
    m_permissionNotice = blocked;
    // Without the udev rule every controller is refused; one sentence names
    // them all, so that several still fit the dialog.
    QStringList ports;
    QStringList nodes;
    for (const UsbAccessCheck::BlockedController &controller : blocked) {
        ports << QString::number(controller.id);
        nodes << controller.node;
    }
    const QString separator = QStringLiteral(", ");
    ui->label_msg->setText(
        tr("控制器（端口 %1）的设备文件 %2 无访问权限。").arg(ports.join(separator), nodes.join(separator))
        + QLatin1Char('\n') + tr("请将 udev 规则 60-velmo.rules 复制到 /etc/udev/rules.d/ 后重新插拔控制器。"));
    setNoticeLook(true);
    ui->label_msg->show();
}

void ConnectionWidget::setNoticeLook(bool notice)
{
    // The notice runs over several lines, which read better from the left.
    ui->label_msg->setAlignment(notice ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    ui->label_msg->setProperty(kNoticeProperty, notice);
    ui->label_msg->style()->unpolish(ui->label_msg);
    ui->label_msg->style()->polish(ui->label_msg);
}

void ConnectionWidget::clearPermissionNotice()
{
    if (m_permissionNotice.isEmpty())
        return;
    m_permissionNotice.clear();
    setNoticeLook(false);
    ui->label_msg->clear();
    ui->label_msg->hide();
}

void ConnectionWidget::appendBlockedItem(int id)
{
    QComboBox *list = ui->comboBox_comList;
    list->addItem(tr("%1（无访问权限）").arg(id), id);
    if (auto *model = qobject_cast<QStandardItemModel *>(list->model()))
        model->item(list->count() - 1)->setEnabled(false);
}

void ConnectionWidget::retranslateDynamicTexts()
{
    const auto *model = qobject_cast<const QStandardItemModel *>(ui->comboBox_comList->model());
    for (int row = 0; model != nullptr && row < ui->comboBox_comList->count(); ++row) {
        if (!model->item(row)->isEnabled())
            ui->comboBox_comList->setItemText(row, tr("%1（无访问权限）").arg(ui->comboBox_comList->itemData(row).toInt()));
    }
    if (!m_permissionNotice.isEmpty()) {
        const QList<UsbAccessCheck::BlockedController> notice = m_permissionNotice;
        showPermissionNotice(notice);
    }
}

void ConnectionWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        retranslateDynamicTexts();
    }
    QWidget::changeEvent(event);
}

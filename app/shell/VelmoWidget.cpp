#include "VelmoWidget.h"
#include "AppLogCategories.h"
#include "ui_VelmoWidget.h"

#include "AddControlsWidget.h"
#include "ConnectionWidget.h"
#include "DebugWidget.h"
#include "HelpWidget.h"
#include "Heart.h"
#include "MyBorderContainer.h"
#include "OptionsWidget.h"
#include "PlaceholderWidget.h"
#include "SerialComDev.h"
#include "SerialPortChangeFilter.h"
#include "ServiceMetaTypes.h"
#include "StyledMessageBox.h"
#include "VelmoControlWidget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpacerItem>
#include <cstring>

namespace {

const char axisButtonStyle[] =
    ".QPushButton{border-right:2px solid rgb(66, 66, 66);text-align: center;padding-left:10px;padding-right:10px;"
    "font-size: 20px;color: #FFFFFF;}.QPushButton:hover{background-color: rgb(140, 140, 140);}"
    ".QPushButton:pressed{background-color: rgb(22,110,215);}.QPushButton:!enabled{background-color: rgb(200, 200, 200);}";

const char showMaxStyle[] =
    ".QPushButton#pushButton_showMax{background-color: rgb(50, 50, 50);background-image: url(%1);"
    "background-origin: content;background-position: center;background-repeat: no-repeat;}"
    ".QPushButton#pushButton_showMax:hover{background-color: rgb(140, 140, 140);}"
    ".QPushButton#pushButton_showMax:pressed{background-color: rgb(22,110,215);}";

const char connectStyle[] =
    "VelmoWidget .QPushButton#pushButton_connect{border-image: url(:/image/connect_normal%1.png);}"
    "VelmoWidget .QPushButton#pushButton_connect:hover{border-image: url(:/image/connect_hover%1.png);}"
    "VelmoWidget .QPushButton#pushButton_connect:pressed{border-image: url(:/image/connect_checked%1.png);}";

QString axisName(int axis)
{
    return QStringLiteral("Axis%1").arg(axis + 1);
}

// Stable insertion sort, so that equal keys keep their order.
template<typename T, typename Less>
void insertionSort(QList<T> &list, Less less)
{
    for (int i = 1; i < list.size(); ++i) {
        T item = list.at(i);
        int j = i - 1;
        while (j >= 0 && less(item, list.at(j))) {
            list[j + 1] = list.at(j);
            --j;
        }
        list[j + 1] = item;
    }
}

// Empties a widget's layout without touching its widgets, then deletes it.
void dropLayout(QWidget *widget)
{
    QLayout *layout = widget->layout();
    if (layout == nullptr)
        return;
    while (QLayoutItem *item = layout->takeAt(0))
        delete item;
    delete layout;
}

} // namespace

VelmoWidget::VelmoWidget(QWidget *parent) : QWidget(parent), ui(new Ui::VelmoWidget)
{
    ui->setupUi(this);
    registerServiceMetaTypes();
    registerVelmoDevParamMetaType();

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_MouseTracking);
    m_border = new MyBorderContainer(this, 50, 50, 5);

    m_portFilter = new SerialPortChangeFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(m_portFilter);
    connect(m_portFilter, &SerialPortChangeFilter::signal_usbDevPortChanged, this,
            &VelmoWidget::slot_usbDevPortChanged);

    createHeart();

    m_addControlsWidget = new AddControlsWidget(this);
    connect(m_addControlsWidget, &AddControlsWidget::signal_addControl, this,
            qOverload<QString, int, VelmoDevParam, bool>(&VelmoWidget::slot_addControl));
    m_helpWidget = new HelpWidget(this);
    // Building the options dialog applies the stored language.
    m_optionsWidget = new OptionsWidget(this);
    m_connectionWidget = new ConnectionWidget(this);
    connect(m_connectionWidget, &ConnectionWidget::signal_devConnected, this, &VelmoWidget::slot_devConnected);
    connect(m_connectionWidget, &ConnectionWidget::signal_devDisConnected, this, &VelmoWidget::slot_devDisConnected);
    m_debugWidget.reset(new DebugWidget);
    m_placeholder = new PlaceholderWidget(this);
    m_placeholder->hide();
    // The debug button stays hidden: developers open the panel from the keyboard.
    auto *debugShortcut = new QShortcut(debugPanelShortcut(), this);
    connect(debugShortcut, &QShortcut::activated, this, &VelmoWidget::on_pushButton_debug_clicked);

    ui->radioButton_Rocker->setEnabled(false);
    ui->radioButton_Rocker->hide();
    ui->pushButton_debug->hide();
}

VelmoWidget::~VelmoWidget()
{
    // Panels first: they poll through the service until they are gone.
    qDeleteAll(m_controlList);
    m_controlList.clear();
    delete m_portFilter;
    m_debugWidget.reset();
    m_heart.reset();
    delete ui;
}

QKeySequence VelmoWidget::debugPanelShortcut()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D);
}

void VelmoWidget::createHeart()
{
    m_heart = QSharedPointer<Heart>::create();
    SerialComDev *service = SerialComDev::instance();
    connect(m_heart.data(), &Heart::receivedControlerState, this, &VelmoWidget::slot_updateControlerState,
            Qt::QueuedConnection);
    connect(m_heart.data(), &Heart::sendHeart, service, &SerialComDev::slot_heartBeat, Qt::QueuedConnection);
    connect(service, &SerialComDev::signal_heartBeatInfo, m_heart.data(), &Heart::rcvHeartInfo);
}

QList<QPushButton *> VelmoWidget::axisButtons() const
{
    QList<QPushButton *> buttons;
    QLayout *bar = ui->widget_menuBar->layout();
    for (int i = 0; bar != nullptr && i < bar->count(); ++i) {
        auto *button = qobject_cast<QPushButton *>(bar->itemAt(i)->widget());
        if (button != nullptr && m_axisButtons.contains(button))
            buttons << button;
    }
    return buttons;
}

QStringList VelmoWidget::freeAxisNames() const
{
    QStringList freeAxes;
    for (int axis = 0; axis < m_iMaxAxisCount; ++axis)
        freeAxes << axisName(axis);
    for (VelmoControlWidget *control : qAsConst(m_controlList))
        freeAxes.removeOne(control->axisName());
    return freeAxes;
}

QString VelmoWidget::axisButtonStyleSheet()
{
    return QLatin1String(axisButtonStyle);
}

QSize VelmoWidget::gridWindowSize(int shownPanels)
{
    return QSize(shownPanels < 2 ? 820 : 1630, (shownPanels + 1) / 2 * 450 + 140);
}

// --- panels and axis buttons ------------------------------------------------

void VelmoWidget::slot_addControl(QString model, int Asix, VelmoDevParam param)
{
    slot_addControl(model, Asix, param, false);
}

void VelmoWidget::slot_addControl(QString model, int Asix, VelmoDevParam param, bool autoDetect)
{
    if (m_controlList.size() >= m_iMaxAxisCount) {
        slot_showTipMessage(QObject::tr("轴数量超出上限,请检查操作窗口后继续操作！"));
        return;
    }
    if (!autoDetect) {
        const int result = SerialComDev::instance()->initAxis(Asix);
        if (result < 0) {
            slot_showTipMessage(tr("初始化轴，读取参数错误(%1)！").arg(result));
            return;
        }
    }
    createAxisButton(Asix, autoDetect);
    relayoutAxisButtons();
    addControlWidget(model, Asix, param);
    relayoutControls();
}

void VelmoWidget::createAxisButton(int axis, bool autoDetect)
{
    auto *button = new QPushButton(ui->widget_menuBar);
    button->setFixedSize(120, 60);
    button->setStyleSheet(axisButtonStyleSheet());
    button->setText(axisName(axis));
    button->setObjectName(axisName(axis));
    button->setCheckable(true);
    m_axisButtons.insert(button, autoDetect);
    connect(button, &QPushButton::clicked, this, &VelmoWidget::slot_AsixButtonClicked);
}

void VelmoWidget::relayoutAxisButtons()
{
    QList<QPushButton *> axes = ui->widget_menuBar->findChildren<QPushButton *>();
    axes.removeAll(ui->pushButton_connect);
    axes.removeAll(ui->pushButton_addAsix);
    // By text, as strings: "Axis10" sorts before "Axis2".
    insertionSort(axes, [](QPushButton *a, QPushButton *b) { return a->text() < b->text(); });

    const bool rockerShown = !ui->radioButton_Rocker->isHidden();
    dropLayout(ui->widget_menuBar);
    auto *bar = new QHBoxLayout(ui->widget_menuBar);
    ui->horizontalLayout = bar;
    bar->setSpacing(0);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(ui->pushButton_connect);
    for (QPushButton *button : qAsConst(axes))
        bar->addWidget(button);
    bar->addWidget(ui->pushButton_addAsix);
    bar->addItem(new QSpacerItem(160, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    bar->addWidget(ui->radioButton_Rocker);
    ui->radioButton_Rocker->setVisible(rockerShown);
}

void VelmoWidget::addControlWidget(const QString &model, int axis, const VelmoDevParam &param)
{
    auto *control = new VelmoControlWidget(ui->widget_controls);
    SerialComDev *service = SerialComDev::instance();
    connect(control, &VelmoControlWidget::signal_closed, this, &VelmoWidget::slot_controlWidgetClosed);
    connect(control, &VelmoControlWidget::signal_showTipMsg, this, &VelmoWidget::slot_showTipMessage);
    connect(control, &VelmoControlWidget::signal_expandControl, this, &VelmoWidget::slot_expandContorl);
    connect(service, &SerialComDev::signal_updateCurrentPos, control, &VelmoControlWidget::slot_updateCurrentPos);
    connect(service, &SerialComDev::signal_updateDevState, control, &VelmoControlWidget::slot_updateDevState);
    connect(service, &SerialComDev::signal_showOperationMsg, control, &VelmoControlWidget::slot_showOperationMsg);
    qCDebug(lcApp).noquote() << "addControlWidget: " << axisName(axis);

    control->configure(model, axis, param);
    control->logInitialized();
    m_controlList.append(control);
    m_controlShown.insert(control, true);
    if (ui->radioButton_Rocker->isChecked()) {
        control->setRockerSpeed(m_heart->controlerState().rockerSpeed);
        control->setMoveBtnEnabled(false);
    }
}

void VelmoWidget::relayoutControls()
{
    dropLayout(ui->widget_controls);
    auto *grid = new QGridLayout(ui->widget_controls);
    insertionSort(m_controlList,
                  [](VelmoControlWidget *a, VelmoControlWidget *b) { return a->axisIndex() < b->axisIndex(); });

    int shown = 0;
    for (VelmoControlWidget *control : qAsConst(m_controlList))
        shown += m_controlShown.value(control, false) ? 1 : 0;
    if (!isFullScreen() && !isMaximized())
        resize(gridWindowSize(shown));

    grid->setSpacing(4);
    grid->setContentsMargins(3, 3, 3, 3);
    int k = 0;
    for (VelmoControlWidget *control : qAsConst(m_controlList)) {
        if (!m_controlShown.contains(control))
            m_controlShown.insert(control, false);
        if (!m_controlShown.value(control)) {
            control->hide();
            continue;
        }
        grid->addWidget(control, k / 2, k % 2);
        control->show();
        qCDebug(lcApp) << "addwindow";
        ++k;
    }
    // Spacers after the last column and below the last row keep the panels
    // packed at the top left.
    const int columns = grid->columnCount();
    const int rows = grid->rowCount();
    grid->addItem(new QSpacerItem(160, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, columns);
    grid->addItem(new QSpacerItem(0, 160, QSizePolicy::Minimum, QSizePolicy::Expanding), rows, 0);
}

void VelmoWidget::slot_AsixButtonClicked(bool checked)
{
    Q_UNUSED(checked)
    const QString name = sender() != nullptr ? sender()->objectName() : QString();
    qCDebug(lcApp).noquote() << name;
    for (VelmoControlWidget *control : qAsConst(m_controlList)) {
        if (control->axisName() != name)
            continue;
        if (m_controlShown.value(control, false)) {
            qCDebug(lcApp) << "slot_AsixButtonClicked return";
            return;
        }
        control->show();
        m_controlShown.insert(control, true);
        relayoutControls();
        return;
    }
}

void VelmoWidget::slot_controlWidgetClosed(QString name)
{
    if (!StyledMessageBox::show(this, QObject::tr("您确定要关闭控制轴窗口吗?"), StyledMessageBox::Variant::MainWindow))
        return;
    auto *control = qobject_cast<VelmoControlWidget *>(sender());
    if (control == nullptr || !m_controlList.contains(control))
        return;
    QPushButton *button = nullptr;
    for (auto it = m_axisButtons.constBegin(); it != m_axisButtons.constEnd(); ++it) {
        if (it.key()->objectName() == name) {
            button = it.key();
            break;
        }
    }

    if (button != nullptr && m_axisButtons.value(button)) {
        // An axis that identified itself keeps its panel; its button shows it again.
        control->hide();
        m_controlShown.insert(control, false);
        relayoutControls();
        return;
    }
    m_controlShown.remove(control);
    m_controlList.removeAll(control);
    // The panel is still inside its own click handler: delete it later.
    control->hide();
    control->deleteLater();
    if (button != nullptr) {
        m_axisButtons.remove(button);
        button->setParent(nullptr);
        delete button;
    }
    relayoutAxisButtons();
    relayoutControls();
}

void VelmoWidget::slot_expandContorl(bool expand)
{
    auto *sender = qobject_cast<VelmoControlWidget *>(this->sender());
    if (sender == nullptr)
        return;
    const QList<VelmoControlWidget *> controls =
        ui->widget_controls->findChildren<VelmoControlWidget *>(QString(), Qt::FindDirectChildrenOnly);
    if (expand) {
        for (VelmoControlWidget *control : controls)
            control->hide();
        sender->setFixedSize(1060, 560);
        sender->show();
    } else {
        for (VelmoControlWidget *control : controls)
            control->show();
        sender->setFixedSize(530, 280);
        relayoutControls();
    }
}

void VelmoWidget::slot_showTipMessage(QString msg)
{
    StyledMessageBox::show(this, msg, StyledMessageBox::Variant::MainWindow);
}

// --- connection -------------------------------------------------------------

void VelmoWidget::slot_devConnected()
{
    SerialComDev *service = SerialComDev::instance();
    m_iMaxAxisCount = service->getDevAxisCount();
    for (int axis = 0; axis < m_iMaxAxisCount; ++axis) {
        int detection = 0;
        if (!service->readMotorAutoDetect(axis, &detection)) {
            slot_showTipMessage(tr("初始化轴，识别芯片错误(%1)！").arg(0));
            continue;
        }
        if (detection != 2)
            continue; // no stage identified itself: the user may add the axis by hand
        QString model;
        if (!service->getMotorModelName(axis, model))
            continue;
        int result = service->initAxis(axis);
        if (result >= 0) {
            MotorParams block;
            std::memset(&block, 0, sizeof block);
            result = service->getMotorParams(axis, &block);
            if (result >= 0) {
                slot_addControl(model, axis, devParamFromMotorBlock(block), true);
                continue;
            }
        }
        slot_showTipMessage(tr("初始化轴，读取参数错误(%1)！").arg(result));
    }
    m_helpWidget->setEmbeddedVersion(service->getDevSoftVersion());
    m_heart->startHeart();
    if (service->getRockerEnable() > 0) {
        ui->radioButton_Rocker->setChecked(true);
        on_radioButton_Rocker_clicked();
    }
}

void VelmoWidget::slot_devDisConnected()
{
    QList<QPushButton *> buttons = ui->widget_menuBar->findChildren<QPushButton *>();
    for (QPushButton *button : qAsConst(buttons)) {
        if (button != ui->pushButton_connect && button != ui->pushButton_addAsix)
            delete button;
    }
    m_axisButtons.clear();
    relayoutAxisButtons();

    for (VelmoControlWidget *control : qAsConst(m_controlList)) {
        control->hide();
        delete control;
    }
    m_controlShown.clear();
    m_controlList.clear();
    relayoutControls();
    m_heart->stopHeart();
}

void VelmoWidget::slot_usbDevPortChanged()
{
    if (m_connectionWidget != nullptr && m_connectionWidget->isLost())
        slot_showTipMessage(QObject::tr("设备断开连接"));
}

// --- joystick ---------------------------------------------------------------

void VelmoWidget::on_radioButton_Rocker_clicked()
{
    qCDebug(lcApp) << "on_radioButton_Rocker_clicked";
    const bool checked = ui->radioButton_Rocker->isChecked();
    emit SerialComDev::instance()->signal_setRockerEnabled(checked);
    if (checked)
        distributeRockerSpeed();
    for (VelmoControlWidget *control : qAsConst(m_controlList))
        control->setMoveBtnEnabled(!checked);
}

void VelmoWidget::distributeRockerSpeed()
{
    if (!ui->radioButton_Rocker->isChecked())
        return;
    const int level = m_heart->controlerState().rockerSpeed;
    for (VelmoControlWidget *control : qAsConst(m_controlList))
        control->setRockerSpeed(level);
}

void VelmoWidget::slot_updateControlerState()
{
    if (m_heart->controlerState().rockerEnabled != 0) {
        distributeRockerSpeed();
        ui->radioButton_Rocker->setEnabled(true);
        ui->radioButton_Rocker->show();
        return;
    }
    if (!ui->radioButton_Rocker->isEnabled())
        return;
    ui->radioButton_Rocker->setChecked(false);
    on_radioButton_Rocker_clicked();
    ui->radioButton_Rocker->setEnabled(false);
    ui->radioButton_Rocker->hide();
}

// --- title and menu bar -----------------------------------------------------

void VelmoWidget::on_pushButton_showMin_clicked()
{
    showMinimized();
}

void VelmoWidget::on_pushButton_close_clicked()
{
    qCDebug(lcApp) << "on_pushButton_close_clicked";
    SerialComDev::instance()->closeDevice();
    qCDebug(lcApp) << "on_pushButton_close_clicked closeDevice";
    QCoreApplication::quit();
}

void VelmoWidget::on_pushButton_help_clicked()
{
    centreOverThis(m_helpWidget);
    m_helpWidget->show();
}

void VelmoWidget::on_pushButton_connect_clicked()
{
    m_connectionWidget->refreshDeviceList();
    centreOverThis(m_connectionWidget);
    m_connectionWidget->show();
}

void VelmoWidget::on_pushButton_addAsix_clicked()
{
    SerialComDev *service = SerialComDev::instance();
    if (!service->isConnected()) {
        slot_showTipMessage(QObject::tr("设备未连接，请连接设备后继续操作!"));
        return;
    }
    const QStringList freeAxes = freeAxisNames();
    if (m_iMaxAxisCount < 0) {
        slot_showTipMessage(QObject::tr("获取设备参数失败，请检查\n设备是否正确连接!"));
        return;
    }
    if (freeAxes.isEmpty()) {
        slot_showTipMessage(QObject::tr("轴数量已达上限!"));
        return;
    }
    m_addControlsWidget->setAxisList(freeAxes);
    m_addControlsWidget->loadModelsData();
    centreOverThis(m_addControlsWidget);
    m_addControlsWidget->show();
}

void VelmoWidget::on_pushButton_debug_clicked()
{
    m_debugWidget->show();
    m_debugWidget->raise();
    m_debugWidget->activateWindow();
}

void VelmoWidget::on_pushButton_settings_clicked()
{
    centreOverThis(m_optionsWidget);
    m_optionsWidget->refreshFromDevice();
    m_optionsWidget->show();
}

void VelmoWidget::on_pushButton_showMax_clicked()
{
    if (isFullScreen()) {
        showNormal();
        ui->pushButton_showMax->setStyleSheet(QString::fromLatin1(showMaxStyle).arg(QLatin1String(":/image/showMax.png")));
    } else {
        showFullScreen();
        ui->pushButton_showMax->setStyleSheet(
            QString::fromLatin1(showMaxStyle).arg(QLatin1String(":/image/showNormal.png")));
    }
}

void VelmoWidget::centreOverThis(QWidget *dialog) const
{
    const QRect me = geometry();
    const QRect it = dialog->geometry();
    dialog->move(me.x() + (me.width() - it.width()) / 2, me.y() + (me.height() - it.height()) / 2);
}

// --- window -----------------------------------------------------------------

void VelmoWidget::mousePressEvent(QMouseEvent *event)
{
    if (!isFullScreen() && m_drag.press(event, ui->widget_titleBar->geometry())) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void VelmoWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag.move(this, event)) {
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void VelmoWidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag.release();
    QWidget::mouseReleaseEvent(event);
}

void VelmoWidget::closeEvent(QCloseEvent *event)
{
    // Closed by the desktop rather than the close button: the controller is
    // closed all the same.
    if (SerialComDev::instance()->isConnected())
        SerialComDev::instance()->closeDevice();
    QWidget::closeEvent(event);
}

void VelmoWidget::resizeEvent(QResizeEvent *event)
{
    // The scroll area sizes the panel grid (never below what its panels
    // need, so a narrow window scrolls); the resize grips follow the edges.
    QWidget::resizeEvent(event);
    m_border->updateBorders();
}

void VelmoWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyConnectButtonStyle();
    }
    QWidget::changeEvent(event);
}

void VelmoWidget::applyConnectButtonStyle()
{
    // The images carry the caption, so they follow the interface language:
    // the Chinese ones only while Chinese is the chosen language.
    const bool chinese = m_optionsWidget != nullptr && m_optionsWidget->currentLanguage() == 0;
    ui->pushButton_connect->setStyleSheet(
        QString::fromLatin1(connectStyle).arg(chinese ? QString() : QStringLiteral("_english")));
}

#include "VelmoControlWidget.h"
#include "AppLogCategories.h"
#include "ui_VelmoControlWidget.h"

#include "CycleOperationWidget.h"
#include "DeviceParamWidget.h"
#include "DriveParamWidget.h"
#include "JogParamWidget.h"
#include "MotionChartWindow.h"
#include "MoveParamWidget.h"
#include "SerialComDev.h"
#include "UnitText.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>
#include <QTimer>

namespace {

// Log type and state names; translated in the "QObject" context.
const char *typeName(int type)
{
    switch (type) {
    case 0: return QT_TRANSLATE_NOOP("QObject", "设置设备参数");
    case 1: return QT_TRANSLATE_NOOP("QObject", "移动");
    case 2: return QT_TRANSLATE_NOOP("QObject", "设置移动参数");
    case 3: return QT_TRANSLATE_NOOP("QObject", "推进");
    case 4: return QT_TRANSLATE_NOOP("QObject", "设置自动运行参数");
    case 5: return QT_TRANSLATE_NOOP("QObject", "步进");
    case 6: return QT_TRANSLATE_NOOP("QObject", "设置步进参数");
    case 7: return QT_TRANSLATE_NOOP("QObject", "还原");
    case 8: return QT_TRANSLATE_NOOP("QObject", "停止");
    case 9: return QT_TRANSLATE_NOOP("QObject", "使能设备");
    case 12: return QT_TRANSLATE_NOOP("QObject", "当前运行次数");
    default: return nullptr;
    }
}

const char *stateName(int state)
{
    switch (state) {
    case 0: return QT_TRANSLATE_NOOP("QObject", "运行中");
    case 1: return QT_TRANSLATE_NOOP("QObject", "操作被取消");
    case 2: return QT_TRANSLATE_NOOP("QObject", "操作失败");
    case 3: return QT_TRANSLATE_NOOP("QObject", "操作成功");
    case 4: return QT_TRANSLATE_NOOP("QObject", "运行完成");
    default: return nullptr;
    }
}

QString objectText(const char *source)
{
    return source != nullptr ? QCoreApplication::translate("QObject", source) : QString();
}

QString lampStyle(const char *lamp, bool green)
{
    return QStringLiteral(".QLabel#%1{border-image: url(:/image/%2.png);}")
        .arg(QLatin1String(lamp), green ? QStringLiteral("greenPot") : QStringLiteral("grayPot"));
}

QString driveParamStyle(const char *image)
{
    return QStringLiteral(".DriveParamWidget{border-image: url(:/image/settings/%1);background-color: rgb(22, 23, 26);}"
                          ".QPushButton{background-color: rgb(56, 59, 64);border-radius:3px;color: rgb(255, 255, 255);"
                          "font-size: 16px;}.QPushButton:hover{background-color: rgb(115, 119, 128);}"
                          ".QPushButton:pressed{background-color: rgb(217, 59, 56);}"
                          ".QLabel{color: #FFFFFF;font-size: 16px;}.QCheckBox{color: #FFFFFF;font-size: 16px;}")
        .arg(QLatin1String(image));
}

// How long after a pop-up closed because its own button was pressed the
// click that follows still belongs to that press.
constexpr qint64 kReopenGuardMs = 1000;
// State readings in a row that must disagree with the enable button before
// it follows them: a reading already on its way when the button was clicked
// must not flip it back.
constexpr int kEnableSettleReadings = 3;

} // namespace

VelmoControlWidget::VelmoControlWidget(QWidget *parent)
    : StyledWidget(parent), ui(new Ui::VelmoControlWidget), m_updateTimer(new QTimer)
{
    ui->setupUi(this);

    // Created after the form, so that the form's slot connection by name
    // does not also wire their equally named buttons to this panel.
    m_deviceParam = new DeviceParamWidget(this);
    m_deviceParam->move(0, 0);
    m_deviceParam->hide();
    m_moveParam = new MoveParamWidget(this);
    m_moveParam->hide();
    m_jogParam = new JogParamWidget(this);
    m_jogParam->hide();
    m_driveParam = new DriveParamWidget(this);
    m_driveParam->hide();
    m_cycle = new CycleOperationWidget(this);
    m_cycle->move(0, 0);
    m_cycle->hide();
    m_deviceParam->setFixedSize(size());
    m_cycle->setFixedSize(size());

    connect(m_moveParam, &MoveParamWidget::signal_moveParamWindowDeactivated, this,
            &VelmoControlWidget::slot_moveParamWindowDeactivated);
    connect(m_jogParam, &JogParamWidget::signal_jogParamWindowDeactivated, this,
            &VelmoControlWidget::slot_jogParamWindowDeactivated);
    connect(m_driveParam, &DriveParamWidget::signal_driveParamWindowDeactivated, this,
            &VelmoControlWidget::slot_driveParamWindowDeactivated);
    connect(m_cycle, &CycleOperationWidget::signal_startDoing, this, &VelmoControlWidget::slot_startUpdateState);
    // A cycle runs between two positions of its own: no single target.
    connect(m_cycle, &CycleOperationWidget::signal_startDoing, this, [this] { m_trace.clearTarget(); });

    m_updateTimer->setInterval(100);
    connect(m_updateTimer, &QTimer::timeout, this, &VelmoControlWidget::slot_updateState);
    connect(this, &VelmoControlWidget::signal_broadcastRunningState, m_cycle, &CycleOperationWidget::setRunningState);

    ui->pushButton_expand->hide();
    ui->pushButton_setting->hide();
    ui->label_speed->hide();
    ui->label_rockerSpeed->hide();
    ui->textBrowser_operatioInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_updateTimer->start();
}

VelmoControlWidget::~VelmoControlWidget()
{
    m_updateTimer->stop();
    delete m_updateTimer;
    delete m_chart; // it reads m_trace, which goes before the child widgets
    delete ui;
}

// ------------------------------------------------------------ set-up

void VelmoControlWidget::configure(const QString &modelName, int axis, const VelmoDevParam &param)
{
    setDevParam(param);
    setAxisIndex(axis);
    setAxisName(QStringLiteral("Axis%1").arg(axis + 1));
    setModelName(modelName);
    setUnit(param.unitString);
    setPosRange(param.minPos, param.maxPos);
    setMaxSpeed(param.maxSpeed);
    setMaxAcc(param.maxAcc);
}

void VelmoControlWidget::setDevParam(const VelmoDevParam &param)
{
    m_devParam = param;
}

void VelmoControlWidget::setAxisIndex(int index)
{
    m_iIndex = index;
    m_deviceParam->setAxis(index);
    m_moveParam->setAxis(index);
    m_jogParam->setAxis(index);
    m_driveParam->setAxis(index);
    m_cycle->setAxis(index);
}

void VelmoControlWidget::setAxisName(const QString &name)
{
    ui->label_axisName->setText(name);
    if (m_chart != nullptr)
        m_chart->setAxisName(name);
}

QString VelmoControlWidget::axisName() const
{
    return ui->label_axisName->text();
}

void VelmoControlWidget::setModelName(const QString &name)
{
    m_modelName = name;
    ui->label_modelName->setText(name);
}

void VelmoControlWidget::setUnit(const QString &unit)
{
    m_unit = unit;
    m_trace.setUnit(unit);
    if (m_chart != nullptr)
        m_chart->updateUnit();
    m_moveParam->setUnit(unit);
    m_jogParam->setUnit(unit);
    m_driveParam->setUnit(unit);
    m_cycle->setUnit(unit);
}

void VelmoControlWidget::setPosRange(double minPos, double maxPos)
{
    m_moveParam->setPosRange(minPos, maxPos);
    m_jogParam->setPosRange(minPos, maxPos);
    m_driveParam->setPosRange(minPos, maxPos);
    m_cycle->setPosRange(minPos, maxPos);
}

void VelmoControlWidget::setMaxSpeed(double maxSpeed)
{
    m_moveParam->setMaxSpeed(maxSpeed);
    m_driveParam->setMaxSpeed(maxSpeed);
    m_cycle->setMaxSpeed(maxSpeed);
}

void VelmoControlWidget::setMaxAcc(double maxAcc)
{
    m_moveParam->setMaxAcc(maxAcc);
    m_driveParam->setMaxAcc(maxAcc);
    m_cycle->setMaxAcc(maxAcc);
}

void VelmoControlWidget::logInitialized()
{
    appendLog(LogTypeInfo, QCoreApplication::translate("QObject", "初始化运动轴参数成功"), LogStateNone);
    const QString serial = SerialComDev::instance()->getAxisSerialNo(m_iIndex);
    if (!serial.isEmpty())
        appendLog(LogTypeInfo, QCoreApplication::translate("QObject", "位移台序列号：") + serial, LogStateNone);
}

// ------------------------------------------------------------ polling

void VelmoControlWidget::slot_startUpdateState()
{
    m_updateTimer->start();
}

void VelmoControlWidget::slot_stopUpdateState()
{
    // The panel polls for as long as it exists.
}

void VelmoControlWidget::slot_updateState()
{
    SerialComDev *service = SerialComDev::instance();
    emit service->signal_getCurrentPos(m_iIndex);
    emit service->signal_getDevState(m_iIndex);
}

void VelmoControlWidget::slot_updateCurrentPos(int ID, double pos)
{
    if (ID != m_iIndex)
        return;
    m_trace.addPosition(QDateTime::currentMSecsSinceEpoch(), pos);
    ui->label_currentPos->setText(QStringLiteral("%1 %2").arg(QString::number(pos, 'f', 3), m_unit));
}

void VelmoControlWidget::slot_updateDevState(int ID, MotorStageState state)
{
    if (ID != m_iIndex)
        return;

    // The first reading is applied in full: the all-zero state the panel
    // starts from is not something the controller said, so an axis that is
    // already running, disabled or unable to run must show it at once.
    m_trace.addState(QDateTime::currentMSecsSinceEpoch(), state);
    const bool first = !m_stateReceived;
    m_stateReceived = true;
    if (first || state.isStop != m_sState.isStop) {
        emit signal_broadcastRunningState(state.isStop != 0);
        ui->label_doingLight->setStyleSheet(lampStyle("label_doingLight", state.isStop != 1));
    }
    if (first || state.isHome != m_sState.isHome)
        ui->label_originLight->setStyleSheet(lampStyle("label_originLight", state.isHome != 0));
    if (first || state.isCanRun != m_sState.isCanRun) {
        qCDebug(lcApp) << "state.isCanRun != m_sState.isCanRun : " << state.isCanRun << m_sState.isCanRun;
        applyCanRun(state.isCanRun != 0);
    }

    const bool enabled = state.isEnable != 0;
    if (first || state.isEnable != m_sState.isEnable) {
        ui->pushButton_enable->setChecked(enabled);
        m_enableMismatch = 0;
    } else if (ui->pushButton_enable->isChecked() != enabled) {
        // The button was clicked but the controller kept its state (the
        // command failed or was refused): follow the controller once the
        // readings taken before the click have passed.
        if (++m_enableMismatch >= kEnableSettleReadings) {
            ui->pushButton_enable->setChecked(enabled);
            m_enableMismatch = 0;
        }
    } else {
        m_enableMismatch = 0;
    }

    if (state.currentJog != 0) {
        m_runCount = quint32(state.currentJog);
        appendLog(LogTypeRunCount, QString::number(m_runCount), LogStateRunning);
    } else if (m_runCount != 0) {
        appendLog(LogTypeRunCount, QString::number(m_runCount), LogStateFinished);
        m_runCount = 0;
    }

    qCDebug(lcApp) << "slot_updateDevState" << state.isLeftLimit << state.isRightLimit << state.isNegLimitFault
             << state.isPosLimitFault << state.isHomeFault;
    const struct {
        uint16_t now;
        uint16_t before;
        const char *text;
    } alarms[] = {
        {state.isLeftLimit, m_sState.isLeftLimit, QT_TR_NOOP("已到达负限位！")},
        {state.isRightLimit, m_sState.isRightLimit, QT_TR_NOOP("已到达正限位！")},
        {state.isNegLimitFault, m_sState.isNegLimitFault, QT_TR_NOOP("负限位光耦失效 ")},
        {state.isPosLimitFault, m_sState.isPosLimitFault, QT_TR_NOOP("正限位光耦失效 ")},
        {state.isHomeFault, m_sState.isHomeFault, QT_TR_NOOP("原点限位光耦失效 ")},
    };
    for (const auto &alarm : alarms) {
        if (alarm.now == 1 && alarm.before != 1)
            appendLog(LogTypeAlarm, tr(alarm.text), LogStateNone);
    }

    m_sState = state;
}

void VelmoControlWidget::applyCanRun(bool canRun)
{
    if (!m_rockerMode) {
        for (QPushButton *button : {ui->pushButton_circle, ui->pushButton_driveLeft, ui->pushButton_driveParam,
                                    ui->pushButton_driveRight, ui->pushButton_jogLeft, ui->pushButton_jogParam,
                                    ui->pushButton_jogRight, ui->pushButton_move, ui->pushButton_moveParam})
            button->setEnabled(canRun);
    }
    ui->pushButton_home->setEnabled(canRun);
}

// ------------------------------------------------------------ log

void VelmoControlWidget::slot_showOperationMsg(int Axis, int state, int type, QString msg)
{
    if (Axis != m_iIndex)
        return;
    appendLog(type, msg, state);
}

void VelmoControlWidget::appendLog(int type, const QString &msg, int state)
{
    QString text = QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('\n');

    QTextEdit *log = ui->textBrowser_operatioInfo;
    if (type == LogTypeRunCount) {
        // Replace the previous count entry (its time line and its text line)
        // so that a running sequence shows one count line, not one per poll.
        const QString plain = log->toPlainText();
        const QString lastLine = plain.mid(plain.lastIndexOf(QLatin1Char('\n')) + 1);
        // The English name has blanks of its own, so the whole name is
        // compared, not only the line's first word.
        if (lastLine.startsWith(objectText(typeName(LogTypeRunCount)) + QLatin1Char(' '))) {
            QTextCursor cursor = log->textCursor();
            cursor.movePosition(QTextCursor::End);
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.removeSelectedText();
            cursor.deletePreviousChar();
            cursor.movePosition(QTextCursor::End);
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.removeSelectedText();
        }
    }

    text += objectText(typeName(type));
    text += QLatin1Char(' ') + msg + QLatin1Char(' ');
    text += objectText(stateName(state));

    QString html;
    if (type == LogTypeAlarm)
        html = QStringLiteral("<pre><font color=red>") + text + QStringLiteral("</font></pre><font color=black> </font>");
    else
        html = QStringLiteral("<pre><font color=white>") + text + QStringLiteral("</font></pre><font color=red> </font>");
    log->append(html);
    // <pre> keeps a long line (an English message) from wrapping; let the
    // entry's lines wrap at the log's width instead of scrolling sideways.
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    for (int block = 0; block < 3 && cursor.block().isValid(); ++block) {
        QTextBlockFormat format = cursor.blockFormat();
        format.setNonBreakableLines(false);
        cursor.setBlockFormat(format);
        if (!cursor.movePosition(QTextCursor::PreviousBlock))
            break;
    }
}

// ------------------------------------------------------------ buttons

void VelmoControlWidget::startMotor(int mode)
{
    SerialComDev *service = SerialComDev::instance();
    if (mode == MOVE_CODE_MOVE) {
        // The move goes to the cached target, or by the relative distance
        // from where the axis stands when that mode is on.
        if (service->axisRelativeDispEnable(m_iIndex))
            m_trace.setTarget(m_trace.lastPosition() + service->axisRelativeDisp(m_iIndex));
        else
            m_trace.setTarget(service->axisTargetPos(m_iIndex));
    } else {
        m_trace.clearTarget();
    }
    emit service->signal_startMotor(m_iIndex, mode);
    m_updateTimer->start();
}

void VelmoControlWidget::on_pushButton_remove_clicked()
{
    emit signal_closed(ui->label_axisName->text());
}

void VelmoControlWidget::on_pushButton_setting_clicked()
{
    m_deviceParam->move(0, 0);
    m_deviceParam->show();
    m_deviceParam->raise();
}

void VelmoControlWidget::on_pushButton_move_clicked()
{
    qCDebug(lcApp) << "on_pushButton_move_clicked" << m_iIndex;
    startMotor(MOVE_CODE_MOVE);
}

void VelmoControlWidget::on_pushButton_home_clicked()
{
    m_trace.clearTarget();
    emit SerialComDev::instance()->signal_home(m_iIndex);
    m_updateTimer->start();
}

void VelmoControlWidget::on_pushButton_stop_clicked()
{
    emit SerialComDev::instance()->signal_stopMotor(m_iIndex);
}

void VelmoControlWidget::on_pushButton_enable_clicked(bool checked)
{
    m_enableMismatch = 0;
    emit SerialComDev::instance()->signal_enableMotor(m_iIndex, checked);
}

void VelmoControlWidget::on_pushButton_jogLeft_clicked() { startMotor(MOVE_CODE_JOG_NEGATIVE); }
void VelmoControlWidget::on_pushButton_jogRight_clicked() { startMotor(MOVE_CODE_JOG_POSITIVE); }
void VelmoControlWidget::on_pushButton_driveLeft_clicked() { startMotor(MOVE_CODE_DRIVE_NEGATIVE); }
void VelmoControlWidget::on_pushButton_driveRight_clicked() { startMotor(MOVE_CODE_DRIVE_POSITIVE); }

void VelmoControlWidget::on_pushButton_expand_clicked(bool checked)
{
    ui->pushButton_expand->setText(checked ? tr("缩小") : tr("放大"));
    emit signal_expandControl(checked);
}

void VelmoControlWidget::on_pushButton_circle_clicked()
{
    SerialComDev *service = SerialComDev::instance();
    m_cycle->setAxis(m_iIndex);
    m_cycle->loadParams(service->axisAcceleration(m_iIndex), service->axisSpeed(m_iIndex),
                        service->axisCircleDisp(m_iIndex), service->axisCircleCount(m_iIndex),
                        service->axisCircleDelay(m_iIndex));
    m_cycle->move(0, 0);
    m_cycle->show();
    m_cycle->raise();
}

MotionChartWindow *VelmoControlWidget::motionChart() const
{
    return m_chart;
}

void VelmoControlWidget::on_pushButton_chart_clicked()
{
    if (m_chart == nullptr) {
        // A window of its own, owned by the panel so it goes with it.
        m_chart = new MotionChartWindow(&m_trace, this);
        m_chart->setAxisName(axisName());
    }
    m_chart->show();
    m_chart->setWindowState(m_chart->windowState() & ~Qt::WindowMinimized);
    m_chart->raise();
    m_chart->activateWindow();
}

// ------------------------------------------------------------ pop-ups

QPoint VelmoControlWidget::popupBelow(const QPushButton *button)
{
    return button->mapToGlobal(QPoint(button->width() / 2 - 230, button->height()));
}

void VelmoControlWidget::noteDeactivation(QPushButton *button)
{
    button->setChecked(false);
    // Pressing the button of an open pop-up takes the activation away from
    // the pop-up before the click arrives; remember it so that this click
    // closes the pop-up rather than opening it again.
    if (button->isVisible() && button->rect().contains(button->mapFromGlobal(QCursor::pos()))) {
        m_closedByPress = button;
        m_closedByPressTime.start();
    } else {
        m_closedByPress = nullptr;
    }
}

bool VelmoControlWidget::swallowReopen(QPushButton *button)
{
    const bool swallow = m_closedByPress == button && m_closedByPressTime.isValid()
        && m_closedByPressTime.elapsed() < kReopenGuardMs;
    m_closedByPress = nullptr;
    if (swallow)
        button->setChecked(false);
    return swallow;
}

void VelmoControlWidget::slot_moveParamWindowDeactivated()
{
    noteDeactivation(ui->pushButton_moveParam);
}

void VelmoControlWidget::slot_jogParamWindowDeactivated()
{
    noteDeactivation(ui->pushButton_jogParam);
}

void VelmoControlWidget::slot_driveParamWindowDeactivated()
{
    noteDeactivation(ui->pushButton_driveParam);
}

bool VelmoControlWidget::popupWanted(QPushButton *button, ParamPopup *popup, bool checked)
{
    if (!checked) {
        popup->hide();
        return false;
    }
    return !swallowReopen(button);
}

void VelmoControlWidget::showPopup(ParamPopup *popup, const QPoint &at)
{
    popup->move(at);
    popup->show();
    popup->loadParams();
}

void VelmoControlWidget::on_pushButton_moveParam_clicked(bool checked)
{
    if (popupWanted(ui->pushButton_moveParam, m_moveParam, checked))
        showPopup(m_moveParam, popupBelow(ui->pushButton_moveParam));
}

void VelmoControlWidget::on_pushButton_jogParam_clicked(bool checked)
{
    if (popupWanted(ui->pushButton_jogParam, m_jogParam, checked))
        showPopup(m_jogParam, popupBelow(ui->pushButton_jogParam));
}

void VelmoControlWidget::on_pushButton_driveParam_clicked(bool checked)
{
    QPushButton *button = ui->pushButton_driveParam;
    if (!popupWanted(button, m_driveParam, checked))
        return;
    const QPoint below = popupBelow(button);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen != nullptr ? screen->geometry().height() : INT_MAX;
    if (m_driveParam->height() + below.y() > screenHeight) {
        // No room below the button: hang above it, pointing down.
        m_driveParam->setStyleSheet(driveParamStyle("driveParam.png"));
        showPopup(m_driveParam, button->mapToGlobal(QPoint(button->width() / 2 - 230, -120)));
    } else {
        m_driveParam->setStyleSheet(driveParamStyle("driveParamUp.png"));
        showPopup(m_driveParam, below);
    }
}

// ------------------------------------------------------------ joystick

void VelmoControlWidget::setRockerSpeed(int level)
{
    m_rockerLevel = level;
    const double speed = double(level) * m_devParam.maxRockerSpeed / 10;
    ui->label_rockerSpeed->setText(QStringLiteral("%1 %2").arg(QString::number(speed), UnitText::speed(m_unit)));
}

void VelmoControlWidget::setMoveBtnEnabled(bool enabled)
{
    m_rockerMode = !enabled;
    qCDebug(lcApp) << "setMoveBtnEnabled" << enabled << m_sState.isCanRun;
    const QList<QWidget *> motionWidgets{ui->pushButton_move,      ui->pushButton_moveParam, ui->pushButton_jogLeft,
                                         ui->pushButton_jogRight,  ui->pushButton_jogParam,  ui->pushButton_driveLeft,
                                         ui->pushButton_driveRight, ui->pushButton_driveParam, ui->label_6,
                                         ui->label_7,              ui->label_8};
    if (!enabled) {
        ui->pushButton_enable->setEnabled(false);
        ui->pushButton_circle->setEnabled(false);
        for (QWidget *widget : motionWidgets)
            widget->hide();
        ui->label_speed->show();
        ui->label_rockerSpeed->show();
        return;
    }
    // Leaving joystick mode always brings the motion widgets back; those that
    // start motions stay disabled while the axis cannot run, and the next
    // change of the axis's state enables them.
    for (QWidget *widget : motionWidgets)
        widget->show();
    ui->label_speed->hide();
    ui->label_rockerSpeed->hide();
    ui->pushButton_enable->setEnabled(true);
    applyCanRun(m_sState.isCanRun != 0);
}

// ------------------------------------------------------------ events

void VelmoControlWidget::resizeEvent(QResizeEvent *event)
{
    StyledWidget::resizeEvent(event);
    m_deviceParam->setFixedSize(size());
    m_cycle->setFixedSize(size());
}

void VelmoControlWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    StyledWidget::changeEvent(event);
}

void VelmoControlWidget::retranslate()
{
    ui->retranslateUi(this);
    ui->pushButton_expand->setText(ui->pushButton_expand->isChecked() ? tr("缩小") : tr("放大"));
    if (m_rockerLevel >= 0)
        setRockerSpeed(m_rockerLevel);
}

#include "CycleOperationWidget.h"
#include "ui_CycleOperationWidget.h"

#include "InputCheck.h"
#include "SerialComDev.h"
#include "StyledMessageBox.h"
#include "UnitText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

CycleOperationWidget::CycleOperationWidget(QWidget *parent)
    : StyledWidget(parent), ui(new Ui::CycleOperationWidget)
{
    ui->setupUi(this);
    applyUnit();
    // An overlay: it appears only when the panel's cycle button asks for it.
    hide();
}

CycleOperationWidget::~CycleOperationWidget()
{
    delete ui;
}

void CycleOperationWidget::setAxis(int axis)
{
    m_axis = axis;
}

void CycleOperationWidget::setUnit(const QString &unit)
{
    m_unit = unit;
    applyUnit();
}

void CycleOperationWidget::setPosRange(double minPos, double maxPos)
{
    m_travel = maxPos - minPos;
}

void CycleOperationWidget::setMaxSpeed(double maxSpeed)
{
    m_maxSpeed = maxSpeed;
}

void CycleOperationWidget::setMaxAcc(double maxAcc)
{
    m_maxAcc = maxAcc;
}

void CycleOperationWidget::loadParams(double acc, double speed, double circleDisp, int circleCount, int circleDelay)
{
    ui->doubleSpinBox_acc->setValue(acc);
    ui->doubleSpinBox_speed->setValue(speed);
    ui->doubleSpinBox_relativeDisp->setValue(circleDisp);
    ui->spinBox_time->setValue(circleCount);
    ui->spinBox_delay->setValue(circleDelay);
}

void CycleOperationWidget::setRunningState(bool b)
{
    m_stopped = b;
}

void CycleOperationWidget::on_pushButton_left_clicked()
{
    startCycle(MOVE_CODE_CIRCLE_NEGATIVE);
}

void CycleOperationWidget::on_pushButton_right_clicked()
{
    startCycle(MOVE_CODE_CIRCLE_POSITIVE);
}

void CycleOperationWidget::on_pushButton_stop_clicked()
{
    emit SerialComDev::instance()->signal_stopMotor(m_axis);
    emit signal_stopDoing();
}

void CycleOperationWidget::on_pushButton_close_clicked()
{
    if (!m_stopped) {
        QPointer<CycleOperationWidget> self(this);
        const bool confirmed = StyledMessageBox::show(
            this, tr("运行中关闭该界面将会自动停止，是否关闭？"), StyledMessageBox::Variant::CycleDialog);
        // The panel (and this overlay with it) may have gone while the box was open.
        if (self.isNull() || !confirmed)
            return;
        on_pushButton_stop_clicked();
    }
    hide();
}

void CycleOperationWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyUnit();
    }
    StyledWidget::changeEvent(event);
}

void CycleOperationWidget::startCycle(int mode)
{
    InputCheck check;
    // A field left empty or half typed keeps its old value behind the text;
    // that value must not be sent, nor judged against the limits.
    check.readable(ui->spinBox_time, ui->label->text());
    check.readable(ui->doubleSpinBox_acc, ui->label_4->text());
    check.readable(ui->doubleSpinBox_speed, ui->label_3->text());
    check.readable(ui->doubleSpinBox_relativeDisp, ui->label_2->text());
    check.readable(ui->spinBox_delay, ui->label_9->text());

    const int count = ui->spinBox_time->value();
    const double acc = ui->doubleSpinBox_acc->value();
    const double speed = ui->doubleSpinBox_speed->value();
    const double disp = ui->doubleSpinBox_relativeDisp->value();
    const int delay = ui->spinBox_delay->value();

    check.requireUpTo(ui->doubleSpinBox_relativeDisp, disp, m_travel,
                      QT_TRANSLATE_NOOP("QObject", "相对位移超出范围！(0，%1]"));
    check.requireUpTo(ui->doubleSpinBox_speed, speed, m_maxSpeed, QT_TRANSLATE_NOOP("QObject", "速度超出范围！(0，%1]"));
    check.requireUpTo(ui->doubleSpinBox_acc, acc, m_maxAcc, QT_TRANSLATE_NOOP("QObject", "加速度超出范围！(0，%1]"));
    if (check.wasReadable(ui->spinBox_time))
        check.require(count != 0, QCoreApplication::translate("QObject", "循环次数不能为0！"));

    if (check.failed()) {
        StyledMessageBox::show(this, check.text(), StyledMessageBox::Variant::CycleDialog);
        return;
    }

    SerialComDev *service = SerialComDev::instance();
    emit service->signal_setSpeedParams(m_axis, acc, speed);
    emit service->signal_setCircleParams(m_axis, count, disp, delay);
    emit service->signal_startMotor(m_axis, mode);
    emit signal_startDoing();
}

void CycleOperationWidget::applyUnit()
{
    ui->label_dispUnit->setText(m_unit);
    ui->label_speedUnit->setText(UnitText::speed(m_unit));
    ui->label_accUnit->setText(UnitText::acceleration(m_unit));
}

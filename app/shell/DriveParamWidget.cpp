#include "DriveParamWidget.h"
#include "ui_DriveParamWidget.h"

#include "InputCheck.h"
#include "SerialComDev.h"
#include "UnitText.h"

#include <QCoreApplication>

DriveParamWidget::DriveParamWidget(QWidget *parent) : ParamPopup(parent), ui(new Ui::DriveParamWidget)
{
    ui->setupUi(this);
    // The background image's pointer and rounded corners leave see-through parts.
    setAttribute(Qt::WA_TranslucentBackground);
}

DriveParamWidget::~DriveParamWidget()
{
    delete ui;
}

void DriveParamWidget::setPosRange(double minPos, double maxPos)
{
    m_travel = maxPos - minPos;
}

void DriveParamWidget::setMaxSpeed(double maxSpeed)
{
    m_maxSpeed = maxSpeed;
}

void DriveParamWidget::setMaxAcc(double maxAcc)
{
    m_maxAcc = maxAcc;
}

void DriveParamWidget::loadParams()
{
    SerialComDev *service = SerialComDev::instance();
    ui->doubleSpinBox_disp->setValue(service->axisRelativeDisp(axis()));
    ui->doubleSpinBox_speed->setValue(service->axisSpeed(axis()));
    ui->doubleSpinBox_acc->setValue(service->axisAcceleration(axis()));
    ui->checkBox_travelEnable->setChecked(service->axisRelativeDispEnable(axis()));
}

void DriveParamWidget::on_pushButton_confirm_clicked()
{
    InputCheck check;
    // A field that cannot be read is reported once, not again by its own check.
    check.readable(ui->doubleSpinBox_disp, ui->checkBox_travelEnable->text());
    check.readable(ui->doubleSpinBox_speed, ui->label_2->text());
    check.readable(ui->doubleSpinBox_acc, ui->label_3->text());

    const double disp = ui->doubleSpinBox_disp->value();
    const double speed = ui->doubleSpinBox_speed->value();
    const double acc = ui->doubleSpinBox_acc->value();
    const bool travelEnabled = ui->checkBox_travelEnable->isChecked();

    // The displacement is sent whether or not relative travel is on, so it
    // is checked either way: the controller keeps it for the next time.
    check.requireUpTo(ui->doubleSpinBox_disp, disp, m_travel, QT_TRANSLATE_NOOP("QObject", "相对位移超出范围！(0，%1]"));
    check.requireUpTo(ui->doubleSpinBox_speed, speed, m_maxSpeed, QT_TRANSLATE_NOOP("QObject", "速度超出范围！(0，%1]"));
    check.requireUpTo(ui->doubleSpinBox_acc, acc, m_maxAcc, QT_TRANSLATE_NOOP("QObject", "加速度超出范围！(0，%1]"));

    if (check.failed()) {
        showMessage(check.text());
        return;
    }

    // Queued to the service's thread, served in this order.
    SerialComDev *service = SerialComDev::instance();
    emit service->signal_setRelativeDispParams(axis(), disp, travelEnabled);
    emit service->signal_setSpeedParams(axis(), acc, speed);
    close();
}

void DriveParamWidget::on_pushButton_restore_clicked()
{
    loadParams();
}

void DriveParamWidget::retranslate()
{
    ui->retranslateUi(this);
}

void DriveParamWidget::emitDeactivated()
{
    emit signal_driveParamWindowDeactivated();
}

void DriveParamWidget::applyUnit()
{
    ui->label_relativeUnit->setText(unit());
    ui->label_speedUnit->setText(UnitText::speed(unit()));
    ui->label_accUnit->setText(UnitText::acceleration(unit()));
}

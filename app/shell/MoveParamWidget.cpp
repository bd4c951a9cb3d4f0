#include "MoveParamWidget.h"
#include "AppLogCategories.h"
#include "ui_MoveParamWidget.h"

#include "InputCheck.h"
#include "SerialComDev.h"
#include "UnitText.h"

#include <QCoreApplication>

MoveParamWidget::MoveParamWidget(QWidget *parent) : ParamPopup(parent), ui(new Ui::MoveParamWidget)
{
    ui->setupUi(this);
}

MoveParamWidget::~MoveParamWidget()
{
    delete ui;
}

void MoveParamWidget::setPosRange(double minPos, double maxPos)
{
    m_minPos = minPos;
    m_maxPos = maxPos;
}

void MoveParamWidget::setMaxSpeed(double maxSpeed)
{
    m_maxSpeed = maxSpeed;
}

void MoveParamWidget::setMaxAcc(double maxAcc)
{
    m_maxAcc = maxAcc;
}

void MoveParamWidget::loadParams()
{
    SerialComDev *service = SerialComDev::instance();
    const double target = service->axisTargetPos(axis());
    const double speed = service->axisSpeed(axis());
    const double acc = service->axisAcceleration(axis());
    // setValue also rewrites a field whose text was left half edited.
    ui->doubleSpinBox_disp->setValue(target);
    ui->doubleSpinBox_speed->setValue(speed);
    ui->doubleSpinBox_acc->setValue(acc);
    qCDebug(lcApp) << "loadParams" << target << speed << acc;
}

void MoveParamWidget::on_pushButton_confirm_clicked()
{
    InputCheck check;
    // An unreadable field still holds its previous value; checking that
    // value's range would report a number the user no longer sees.
    check.readable(ui->doubleSpinBox_disp, ui->label_pos->text());
    check.readable(ui->doubleSpinBox_speed, ui->label_speed->text());
    check.readable(ui->doubleSpinBox_acc, ui->label_acc->text());

    const double pos = ui->doubleSpinBox_disp->value();
    const double speed = ui->doubleSpinBox_speed->value();
    const double acc = ui->doubleSpinBox_acc->value();

    if (check.wasReadable(ui->doubleSpinBox_disp))
        check.require(m_minPos <= pos && pos <= m_maxPos,
                      QCoreApplication::translate("QObject", "位置超出范围！[%1，%2]")
                          .arg(InputCheck::number(m_minPos), InputCheck::number(m_maxPos)));
    check.requireUpTo(ui->doubleSpinBox_speed, speed, m_maxSpeed, QT_TRANSLATE_NOOP("QObject", "速度超出范围！(0，%1]"));
    check.requireUpTo(ui->doubleSpinBox_acc, acc, m_maxAcc, QT_TRANSLATE_NOOP("QObject", "加速度超出范围！(0，%1]"));

    if (check.failed()) {
        showMessage(check.text());
        return;
    }

    // Queued to the service's thread, served in this order.
    SerialComDev *service = SerialComDev::instance();
    emit service->signal_setAbsoluteDispParams(axis(), pos);
    emit service->signal_setSpeedParams(axis(), acc, speed);
    close();
}

void MoveParamWidget::on_pushButton_restore_clicked()
{
    loadParams();
}

void MoveParamWidget::retranslate()
{
    ui->retranslateUi(this);
}

void MoveParamWidget::emitDeactivated()
{
    emit signal_moveParamWindowDeactivated();
}

void MoveParamWidget::applyUnit()
{
    ui->label_posUnit->setText(unit());
    ui->label_speedUnit->setText(UnitText::speed(unit()));
    ui->label_accUnit->setText(UnitText::acceleration(unit()));
}

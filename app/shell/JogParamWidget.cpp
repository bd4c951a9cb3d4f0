#include "JogParamWidget.h"
#include "ui_JogParamWidget.h"

#include "InputCheck.h"
#include "SerialComDev.h"

#include <QCoreApplication>

JogParamWidget::JogParamWidget(QWidget *parent) : ParamPopup(parent), ui(new Ui::JogParamWidget)
{
    ui->setupUi(this);
    // The background image's pointer and rounded corners leave see-through parts.
    setAttribute(Qt::WA_TranslucentBackground);
}

JogParamWidget::~JogParamWidget()
{
    delete ui;
}

void JogParamWidget::setPosRange(double minPos, double maxPos)
{
    m_travel = maxPos - minPos;
}

void JogParamWidget::loadParams()
{
    SerialComDev *service = SerialComDev::instance();
    ui->doubleSpinBox_step->setValue(service->axisJogStep(axis()));
    ui->spinBox_count->setValue(service->axisJogCount(axis()));
    ui->spinBox_delay->setValue(service->axisJogDelay(axis()));
}

void JogParamWidget::on_pushButton_confirm_clicked()
{
    InputCheck check;
    // A field that cannot be read is reported once, not again by its own check.
    check.readable(ui->doubleSpinBox_step, ui->label_step->text());
    check.readable(ui->spinBox_count, ui->label_count->text());
    check.readable(ui->spinBox_delay, ui->label_delay->text());

    const double step = ui->doubleSpinBox_step->value();
    const int count = ui->spinBox_count->value();
    const int delay = ui->spinBox_delay->value();

    check.requireUpTo(ui->doubleSpinBox_step, step, m_travel, QT_TRANSLATE_NOOP("QObject", "步长超出范围！(0，%1]"));
    if (check.wasReadable(ui->spinBox_count))
        check.require(count != 0, QCoreApplication::translate("QObject", "步进次数不能为0！"));
    if (check.wasReadable(ui->spinBox_delay))
        check.require(delay != 0, QCoreApplication::translate("QObject", "步进延时不能为0！"));

    if (check.failed()) {
        showMessage(check.text());
        return;
    }

    emit SerialComDev::instance()->signal_setJogParams(axis(), step, count, delay);
    close();
}

void JogParamWidget::on_pushButton_restore_clicked()
{
    loadParams();
}

void JogParamWidget::retranslate()
{
    ui->retranslateUi(this);
}

void JogParamWidget::emitDeactivated()
{
    emit signal_jogParamWindowDeactivated();
}

void JogParamWidget::applyUnit()
{
    ui->label_stepUnit->setText(unit());
}

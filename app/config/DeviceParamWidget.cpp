#include "DeviceParamWidget.h"
#include "ui_DeviceParamWidget.h"

#include "SerialComDev.h"

#include <QEvent>
#include <QMouseEvent>

DeviceParamWidget::DeviceParamWidget(QWidget *parent)
    : StyledWidget(parent), ui(new Ui::DeviceParamWidget)
{
    ui->setupUi(this);
    // An overlay: it appears only when the panel asks for it.
    hide();
}

DeviceParamWidget::~DeviceParamWidget()
{
    delete ui;
}

void DeviceParamWidget::setAxis(int axis)
{
    m_axis = axis;
}

void DeviceParamWidget::setInputEnabled(bool enabled)
{
    ui->checkBox_input->setChecked(enabled);
}

bool DeviceParamWidget::isInputEnabled() const
{
    return ui->checkBox_input->isChecked();
}

void DeviceParamWidget::setOutputEnabled(bool enabled)
{
    ui->checkBox_output->setChecked(enabled);
}

bool DeviceParamWidget::isOutputEnabled() const
{
    return ui->checkBox_output->isChecked();
}

void DeviceParamWidget::on_pushButton_confirm_clicked()
{
    emit SerialComDev::instance()->signal_setTriggerParams(m_axis, isInputEnabled() ? 1 : 0,
                                                           isOutputEnabled() ? 1 : 0);
}

void DeviceParamWidget::on_pushButton_writeConfig_clicked()
{
    emit SerialComDev::instance()->signal_setMotorConfig(ui->comboBox_motorID->currentText().toInt(nullptr, 10),
                                                         ui->lineEdit_motorModel->text(),
                                                         ui->lineEdit_fileName->text());
}

void DeviceParamWidget::mousePressEvent(QMouseEvent *event)
{
    // Presses on the card's own empty parts arrive here too, in this
    // widget's coordinates; only the backdrop around the card closes.
    if (!ui->widget_back->geometry().contains(event->pos()))
        hide();
    StyledWidget::mousePressEvent(event);
}

void DeviceParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    StyledWidget::changeEvent(event);
}

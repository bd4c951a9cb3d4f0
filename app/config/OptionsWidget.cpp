#include "OptionsWidget.h"
#include "AppLogCategories.h"
#include "ui_OptionsWidget.h"

#include "FramelessDialog.h"
#include "InputCheck.h"
#include "MotorBlockText.h"
#include "SerialComDev.h"
#include "StyledMessageBox.h"
#include "velmoLibrary.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>

#include <cstring>

namespace {

constexpr int kStatusMs = 10000;
constexpr int kAxisWidgets = 3;
// Reported when the block cannot be read before a write.
constexpr int kReadBeforeWriteFailed = 1000;

// Shortest text that reads back as the same double: a read followed by a
// write must not round the values the user did not touch.
QString doubleText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// A label's text without its trailing colon, to name a field in a message.
QString fieldName(const QLabel *label)
{
    return InputCheck::fieldName(label->text());
}

} // namespace

OptionsWidget::OptionsWidget(QWidget *parent) : QWidget(parent), ui(new Ui::OptionsWidget)
{
    ui->setupUi(this);

    FramelessDialog::apply(this, ui->widget_back, ui->widget_title);
    ui->comboBox_motorAxis->setView(new QListView(ui->comboBox_motorAxis));

    m_pageGroup = new QButtonGroup(ui->widget_type);
    m_pageGroup->setExclusive(true);
    m_pageGroup->addButton(ui->pushButton_language);
    m_pageGroup->addButton(ui->pushButton_trigger);
    m_pageGroup->addButton(ui->pushButton_motorParam);
    m_pageGroup->addButton(ui->pushButton_posConpen);
    ui->pushButton_language->setChecked(true);
    ui->stackedWidget->setCurrentWidget(ui->page_language);

    m_msgTimer = new QTimer(this);
    m_msgTimer->setSingleShot(true);
    m_msgTimer->setInterval(kStatusMs);
    connect(m_msgTimer, &QTimer::timeout, ui->label_msg, &QLabel::clear);

    loadSettings();
}

OptionsWidget::~OptionsWidget()
{
    if (m_translatorInstalled)
        QCoreApplication::removeTranslator(&m_translator);
    delete ui;
}

// --- language -----------------------------------------------------------------

void OptionsWidget::setLanguage(int language)
{
    m_currentLanguage = language;
    if (language == LanguageSettings::Chinese) {
        QCoreApplication::removeTranslator(&m_translator);
        m_translatorInstalled = false;
        ui->retranslateUi(this);
    } else if (language == LanguageSettings::English) {
        // Without the catalogue beside the program the interface stays in
        // Chinese; the choice itself is still kept.
        if (m_translator.load(m_settings.translationPath())) {
            QCoreApplication::installTranslator(&m_translator);
            m_translatorInstalled = true;
            ui->retranslateUi(this);
        }
    }
}

bool OptionsWidget::saveLanguage(int language)
{
    return m_settings.writeLanguage(language);
}

void OptionsWidget::loadSettings()
{
    const int language = m_settings.readLanguage();
    setLanguage(language);
    if (language == LanguageSettings::Chinese)
        ui->radioButton_cn->setChecked(true);
    else if (language == LanguageSettings::English)
        ui->radioButton_en->setChecked(true);
}

void OptionsWidget::on_radioButton_cn_toggled(bool checked)
{
    const int language = checked ? LanguageSettings::Chinese : LanguageSettings::English;
    setLanguage(language);
    saveLanguage(language);
}

void OptionsWidget::on_radioButton_en_toggled(bool checked)
{
    const int language = checked ? LanguageSettings::English : LanguageSettings::Chinese;
    setLanguage(language);
    // Re-reading a value that could not be stored would undo the choice the
    // user just made; it then holds until the program ends.
    if (saveLanguage(language))
        loadSettings();
}

// --- pages ----------------------------------------------------------------------

void OptionsWidget::on_pushButton_close_clicked()
{
    close();
}

void OptionsWidget::on_pushButton_language_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_language);
}

void OptionsWidget::on_pushButton_trigger_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_trigger);
}

void OptionsWidget::on_pushButton_motorParam_clicked()
{
    QMessageBox::warning(nullptr, tr("提示"), tr("修改电机参数可能会导致电机故障，请谨慎修改！"));
    ui->stackedWidget->setCurrentWidget(ui->page_motorParam);
}

void OptionsWidget::on_pushButton_posConpen_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_posConpen);
}

// --- refresh ----------------------------------------------------------------------

OptionsWidget::AxisWidgets OptionsWidget::axisWidgets(int axis) const
{
    switch (axis) {
    case 0:
        return {ui->groupBox_trigger_1,    ui->checkBox_triggerIn_1,   ui->checkBox_triggerOut_1,
                ui->doubleSpinBox_Axis1,   ui->groupBox_posConpen_1,   ui->checkBox_posConpen_on1,
                ui->checkBox_posConpen_close1};
    case 1:
        return {ui->groupBox_trigger_2,    ui->checkBox_triggerIn_2,   ui->checkBox_triggerOut_2,
                ui->doubleSpinBox_Axis2,   ui->groupBox_posConpen_2,   ui->checkBox_posConpen_on2,
                ui->checkBox_posConpen_close2};
    default:
        return {ui->groupBox_trigger_3,    ui->checkBox_triggerIn_3,   ui->checkBox_triggerOut_3,
                ui->doubleSpinBox_Axis3,   ui->groupBox_posConpen_3,   ui->checkBox_posConpen_on3,
                ui->checkBox_posConpen_close3};
    }
}

void OptionsWidget::refreshFromDevice()
{
    SerialComDev *service = SerialComDev::instance();
    const int count = service->getDevAxisCount();
    for (int axis = 0; axis < kAxisWidgets; ++axis) {
        const AxisWidgets w = axisWidgets(axis);
        w.triggerGroup->setVisible(axis < count);
        w.compensationGroup->setVisible(axis < count);
    }
    for (int axis = qMin(count, kAxisWidgets) - 1; axis >= 0; --axis) {
        const AxisWidgets w = axisWidgets(axis);
        int input = 0;
        int output = 0;
        double step = 0.0;
        if (service->readTriggerParams(axis, &input, &output, &step) == 0) {
            w.triggerIn->setChecked(input != 0);
            w.triggerOut->setChecked(output != 0);
            w.displacement->setValue(step);
            // The displacement is fixed while the input is on, editable otherwise.
            w.displacement->setEnabled(input == 0);
        }
        bool enabled = false;
        if (service->getPosConpenEnable(axis, &enabled) == 0) {
            // One of the pair is always checked: checking "off" is what
            // unchecks "on".
            (enabled ? w.compensationOn : w.compensationOff)->setChecked(true);
        }
    }
}

// --- trigger ----------------------------------------------------------------------

void OptionsWidget::triggerInClicked(int axis)
{
    const AxisWidgets w = axisWidgets(axis);
    SerialComDev *service = SerialComDev::instance();
    QString model;
    const bool named = service->getMotorModelName(axis, model);
    const bool input = w.triggerIn->isChecked();
    const bool output = w.triggerOut->isChecked();

    if (input) {
        MotorParams block;
        std::memset(&block, 0, sizeof block);
        if (!named || model.isEmpty() || service->getMotorParams(axis, &block) < 0) {
            // No stage record to check against: warn and send all the same.
            showMessageBox(tr("请匹配位移台实际行程进行设置！"));
        } else {
            const double travel = block.maxPos - block.minPos;
            const double displacement = w.displacement->value();
            if (displacement > travel || displacement < -travel) {
                w.triggerIn->setChecked(false);
                showMessageBox(tr("位移量超出范围！[%1,%2]")
                                   .arg(QString::number(-travel, 'g', 6), QString::number(travel, 'g', 6)));
                return;
            }
        }
    }
    emit service->signal_setTriggerParams(axis, input ? 1 : 0, output ? 1 : 0);
    w.displacement->setEnabled(!input);
}

void OptionsWidget::triggerOutClicked(int axis)
{
    const AxisWidgets w = axisWidgets(axis);
    emit SerialComDev::instance()->signal_setTriggerParams(axis, w.triggerIn->isChecked() ? 1 : 0,
                                                           w.triggerOut->isChecked() ? 1 : 0);
}

void OptionsWidget::on_checkBox_triggerIn_1_clicked() { triggerInClicked(0); }
void OptionsWidget::on_checkBox_triggerOut_1_clicked() { triggerOutClicked(0); }
void OptionsWidget::on_checkBox_triggerIn_2_clicked() { triggerInClicked(1); }
void OptionsWidget::on_checkBox_triggerOut_2_clicked() { triggerOutClicked(1); }
void OptionsWidget::on_checkBox_triggerIn_3_clicked() { triggerInClicked(2); }
void OptionsWidget::on_checkBox_triggerOut_3_clicked() { triggerOutClicked(2); }

void OptionsWidget::on_doubleSpinBox_Axis1_editingFinished()
{
    emit SerialComDev::instance()->signal_setTriggerInDisp(0, ui->doubleSpinBox_Axis1->value());
}

void OptionsWidget::on_doubleSpinBox_Axis2_editingFinished()
{
    emit SerialComDev::instance()->signal_setTriggerInDisp(1, ui->doubleSpinBox_Axis2->value());
}

void OptionsWidget::on_doubleSpinBox_Axis3_editingFinished()
{
    qCDebug(lcApp) << "on_doubleSpinBox_Axis3_editingFinished" << ui->doubleSpinBox_Axis3->value();
    emit SerialComDev::instance()->signal_setTriggerInDisp(2, ui->doubleSpinBox_Axis3->value());
}

// --- compensation ---------------------------------------------------------------

void OptionsWidget::compensationClicked(int axis, bool enable)
{
    const AxisWidgets w = axisWidgets(axis);
    if ((enable ? w.compensationOn : w.compensationOff)->isChecked())
        emit SerialComDev::instance()->signal_setPosConpenEnable(axis, enable);
}

void OptionsWidget::on_checkBox_posConpen_on1_clicked() { compensationClicked(0, true); }
void OptionsWidget::on_checkBox_posConpen_close1_clicked() { compensationClicked(0, false); }
void OptionsWidget::on_checkBox_posConpen_on2_clicked() { compensationClicked(1, true); }
void OptionsWidget::on_checkBox_posConpen_close2_clicked() { compensationClicked(1, false); }
void OptionsWidget::on_checkBox_posConpen_on3_clicked() { compensationClicked(2, true); }
void OptionsWidget::on_checkBox_posConpen_close3_clicked() { compensationClicked(2, false); }

// --- motor parameters -------------------------------------------------------------

void OptionsWidget::on_pushButton_ReadParam_clicked()
{
    const int axis = ui->comboBox_motorAxis->currentIndex();
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    const int result = SerialComDev::instance()->getMotorParams(axis, &block);
    if (result < 0) {
        showStatus(tr("读取电机参数失败：error（%1）").arg(result), true);
        return;
    }
    ui->lineEdit_motor_modelName->setText(MotorBlockText::fieldText(block.modelName, int(sizeof block.modelName)));
    ui->lineEdit_motor_serialNumber->setText(
        MotorBlockText::fieldText(block.serialNumber, int(sizeof block.serialNumber)));
    ui->lineEdit_motor_pulse->setText(QString::number(block.pulse));
    ui->lineEdit_motor_helicalPitch->setText(doubleText(block.helicalPitch));
    ui->lineEdit_motor_restoreSpeed->setText(doubleText(block.restoreSpeed));
    ui->lineEdit_motor_Motor_type->setText(QString::number(block.motorType));
    ui->lineEdit_motor_PLimitPolarity->setText(QString::number(block.pLimitPolarity));
    ui->lineEdit_motor_NLimitPolarity->setText(QString::number(block.nLimitPolarity));
    ui->lineEdit_motor_zeroPolarity->setText(QString::number(block.zeroPolarity));
    ui->lineEdit_motor_derection->setText(QString::number(block.direction));
    ui->lineEdit_motor_limitDerection->setText(QString::number(block.limitDirection));
    ui->lineEdit_motor_unitType->setText(QString::number(block.unitType));
}

bool OptionsWidget::editedBlock(MotorParams &block, QString &message) const
{
    auto refuse = [&](const QLabel *label) {
        message = tr("%1无效或超出范围，未写入任何参数。").arg(fieldName(label));
        return false;
    };
    auto text = [&](const QLineEdit *edit, const QLabel *label, char *field, int size) {
        return MotorBlockText::toTextField(edit->text(), field, size) || refuse(label);
    };
    auto real = [&](const QLineEdit *edit, const QLabel *label, double &field) {
        return MotorBlockText::toFiniteDouble(edit->text(), field) || refuse(label);
    };
    auto small = [&](const QLineEdit *edit, const QLabel *label, int16_t &field) {
        return MotorBlockText::toInt16(edit->text(), field) || refuse(label);
    };

    if (!text(ui->lineEdit_motor_modelName, ui->label_motor_modelName, block.modelName, int(sizeof block.modelName)))
        return false;
    // Pulses per revolution is a 32-bit count: 70000 is a valid value.
    if (!MotorBlockText::toUInt32(ui->lineEdit_motor_pulse->text(), block.pulse))
        return refuse(ui->label_motor_pulse);
    return text(ui->lineEdit_motor_serialNumber, ui->label_motor_serialNumber, block.serialNumber,
                int(sizeof block.serialNumber))
        && real(ui->lineEdit_motor_helicalPitch, ui->label_motor_helicalPitch, block.helicalPitch)
        && small(ui->lineEdit_motor_Motor_type, ui->label_motor_Motor_type, block.motorType)
        && real(ui->lineEdit_motor_restoreSpeed, ui->label_motor_restoreSpeed, block.restoreSpeed)
        && small(ui->lineEdit_motor_unitType, ui->label_motor_unitType, block.unitType)
        && small(ui->lineEdit_motor_PLimitPolarity, ui->label_motor_PLimitPolarity, block.pLimitPolarity)
        && small(ui->lineEdit_motor_derection, ui->label_motor_derection, block.direction)
        && small(ui->lineEdit_motor_NLimitPolarity, ui->label_motor_NLimitPolarity, block.nLimitPolarity)
        && small(ui->lineEdit_motor_limitDerection, ui->label_motor_limitDerection, block.limitDirection)
        && small(ui->lineEdit_motor_zeroPolarity, ui->label_motor_zeroPolarity, block.zeroPolarity);
}

void OptionsWidget::on_pushButton_WriteParam_clicked()
{
    // Without a parent, like the warning before the page: the dialog's
    // light-on-dark label rules would make a standard box unreadable.
    if (QMessageBox::question(nullptr, tr("提示"), tr("是否确认修改电机参数？"), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;

    SerialComDev *service = SerialComDev::instance();
    const int axis = ui->comboBox_motorAxis->currentIndex();
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    if (service->getMotorParams(axis, &block) < 0) {
        showStatus(tr("写入电机参数失败：error（%1）").arg(kReadBeforeWriteFailed), false);
        return;
    }
    // Every field is checked before anything is sent: a half-parsed block
    // on the stage's ID chip would be worse than none.
    QString problem;
    if (!editedBlock(block, problem)) {
        showStatus(problem, true);
        return;
    }
    const int result = service->setMotorParams(axis, block);
    if (result < 0)
        showStatus(tr("写入电机参数失败：error（%1）").arg(result), true);
    else
        showStatus(tr("写入电机参数成功"), true);
}

void OptionsWidget::showStatus(const QString &text, bool clearLater)
{
    ui->label_msg->setText(text);
    if (clearLater)
        m_msgTimer->start();
}

void OptionsWidget::showMessageBox(const QString &text)
{
    StyledMessageBox::show(this, text, StyledMessageBox::Variant::OptionsDialog);
}

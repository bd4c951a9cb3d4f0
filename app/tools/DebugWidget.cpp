#include "DebugWidget.h"
#include "AppLogCategories.h"
#include "ui_DebugWidget.h"

#include "Heart.h"
#include "InputCheck.h"
#include "MotorBlockText.h"
#include "SerialComDev.h"
#include "velmoLibrary.h"

#include <QMap>
#include <QMessageBox>
#include <QMutexLocker>
#include <QStandardItemModel>

#include <cmath>
#include <cstring>

namespace {

// Direction codes of startJog, startDrive and startCircle.
constexpr int kPositive = 1;
constexpr int kNegative = 2;

constexpr int kTextBytes = 32;
constexpr int kCompensationPoints = 10;
constexpr int kCompensationColumns = 4;
constexpr int kCompensationColumnWidth = 80;

// Runs one library call with the service's controller while holding the
// lock that serialises the service's own calls.
template<typename Call>
auto callLocked(int axis, Call call) -> decltype(call(0, 0))
{
    QMutexLocker lock(&SerialComDev::libMutex);
    return call(SerialComDev::currentDevId(), axis);
}

bool parseDouble(const QString &text, double &value)
{
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok;
}

QString generalNumber(double value, int digits)
{
    return QString::number(value, 'g', digits);
}

// A label's text without its trailing colon, to name a field in a message.
QString fieldName(const QLabel *label)
{
    return InputCheck::fieldName(label->text());
}

} // namespace

DebugWidget::DebugWidget(QWidget *parent) : QWidget(parent), ui(new Ui::DebugWidget)
{
    ui->setupUi(this);
    setWindowFlag(Qt::Window);
    // The panel's own style sheet paints its background.
    setAttribute(Qt::WA_StyledBackground);

    // Developer labels: the library's own words, never translated.
    const struct {
        QPushButton *button;
        const char *text;
    } commandTexts[] = {
        {ui->pushButton_1, "当前位置"},         {ui->pushButton_2, "Move"},
        {ui->pushButton_22, "home"},            {ui->pushButton_3, "Stop"},
        {ui->pushButton_4, "JogLeft"},          {ui->pushButton_24, "JogRight"},
        {ui->pushButton_5, "DriveLeft"},        {ui->pushButton_25, "DriveRight"},
        {ui->pushButton_6, "CircleLeft"},       {ui->pushButton_26, "CircleRight"},
        {ui->pushButton_7, "设置位置"},         {ui->pushButton_27, "读取位置"},
        {ui->pushButton_8, "设置速度"},         {ui->pushButton_28, "读取速度"},
        {ui->pushButton_9, "设置加速度"},       {ui->pushButton_29, "读取加速度"},
        {ui->pushButton_10, "设置使能"},        {ui->pushButton_30, "运行状态"},
        {ui->pushButton_11, "写相对位移"},      {ui->pushButton_31, "读相对位移"},
        {ui->pushButton_12, "写相对位移使能"},  {ui->pushButton_32, "读相对位移使能"},
        {ui->pushButton_13, "写JOG步长"},       {ui->pushButton_33, "读JOG步长"},
        {ui->pushButton_14, "写JOG延时"},       {ui->pushButton_34, "读JOG延时"},
        {ui->pushButton_15, "写JOG次数"},       {ui->pushButton_35, "读JOG次数"},
        {ui->pushButton_16, "写循环位移"},      {ui->pushButton_36, "读循环位移"},
        {ui->pushButton_17, "写循环次数"},      {ui->pushButton_37, "读循环次数"},
        {ui->pushButton_18, "写循环延时"},      {ui->pushButton_38, "读循环延时"},
        {ui->pushButton_19, "读JOG当前次数"},   {ui->pushButton_39, "读循环当前次数"},
        {ui->pushButton_41, "写设备名称"},      {ui->pushButton_51, "读设备名称"},
        {ui->pushButton_42, "写设备序列号"},    {ui->pushButton_52, "读设备序列号"},
        {ui->pushButton_43, "写设备轴数"},      {ui->pushButton_53, "读设备轴数"},
        {ui->pushButton_45, "写位移台序列号"},  {ui->pushButton_55, "读位移台序列号"},
        {ui->pushButton_46, "写位移台名称"},    {ui->pushButton_56, "读位移台名称"},
        {ui->pushButton_47, "读嵌入式版本"},    {ui->pushButton_20, "写触发输入使能"},
        {ui->pushButton_40, "读触发输入使能"},  {ui->pushButton_60, "写触发输出使能"},
        {ui->pushButton_61, "读触发输出使能"},  {ui->pushButton_48, "写位移台单位"},
        {ui->pushButton_58, "读位移台单位"},    {ui->pushButton_49, "设置摇杆使能"},
        {ui->pushButton_59, "读取摇杆使能"},    {ui->pushButton_44, "开始心跳"},
        {ui->pushButton_54, "结束心跳"},
    };
    for (const auto &entry : commandTexts)
        entry.button->setText(QString::fromUtf8(entry.text));

    setUpCompensationTable();
}

DebugWidget::~DebugWidget()
{
    // Stop the beat before the heart (and its thread) goes.
    if (m_heart)
        m_heart->stopHeart();
    m_heart.reset();
    delete ui;
}

void DebugWidget::setUpCompensationTable()
{
    m_compensationModel = new QStandardItemModel(kCompensationPoints, kCompensationColumns, this);
    m_compensationModel->setHorizontalHeaderLabels({tr("+期望位置"), tr("+实际位置"), tr("-期望位置"), tr("-实际位置")});
    for (int row = 0; row < kCompensationPoints; ++row) {
        for (int column = 0; column < kCompensationColumns; ++column) {
            auto *item = new QStandardItem;
            if (row == 0) {
                // Both tables start at the origin: 0 -> 0, not editable.
                item->setText(QStringLiteral("0"));
                item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
            }
            m_compensationModel->setItem(row, column, item);
        }
    }
    ui->tableView->setModel(m_compensationModel);
    for (int column = 0; column < kCompensationColumns; ++column)
        ui->tableView->setColumnWidth(column, kCompensationColumnWidth);
}

// ------------------------------------------------------------ the patterns

int DebugWidget::axis() const
{
    return ui->comboBox->currentIndex();
}

void DebugWidget::showCode(int code)
{
    ui->lineEdit_msg->setText(QString::number(code));
}

void DebugWidget::refuseInput(const QPushButton *button)
{
    ui->lineEdit_msg->setText(QStringLiteral("%1：输入无效，未发送。").arg(button->text()));
}

void DebugWidget::runAction(Action call)
{
    showCode(callLocked(axis(), call));
}

void DebugWidget::runDirection(DirectionAction call, int direction)
{
    showCode(callLocked(axis(), [&](int id, int axis) { return call(id, axis, direction); }));
}

void DebugWidget::runDoubleSetter(const QPushButton *button, const QLineEdit *edit, DoubleSetter call)
{
    double value = 0;
    if (!parseDouble(edit->text(), value)) {
        refuseInput(button);
        return;
    }
    showCode(callLocked(axis(), [&](int id, int axis) { return call(id, axis, value); }));
}

void DebugWidget::runIntSetter(const QPushButton *button, const QLineEdit *edit, IntSetter call)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        refuseInput(button);
        return;
    }
    showCode(callLocked(axis(), [&](int id, int axis) { return call(id, axis, value); }));
}

void DebugWidget::runUnsignedSetter(const QPushButton *button, const QLineEdit *edit, IntSetter call)
{
    bool ok = false;
    const uint value = edit->text().trimmed().toUInt(&ok, 10);
    if (!ok) {
        refuseInput(button);
        return;
    }
    // Passed on bit for bit; the library sends what the controller takes.
    showCode(callLocked(axis(), [&](int id, int axis) { return call(id, axis, int(value)); }));
}

void DebugWidget::runTextSetter(const QPushButton *button, const QLineEdit *edit, TextSetter call)
{
    QByteArray bytes;
    // An empty text is sent as an empty field: that is how a name is cleared.
    if (!MotorBlockText::latin1Bytes(edit->text(), bytes)) {
        refuseInput(button);
        return;
    }
    showCode(callLocked(axis(), [&](int id, int axis) { return call(id, axis, bytes.constData(), bytes.size()); }));
}

void DebugWidget::runIntGetter(QLineEdit *edit, IntGetter call, Shown shown)
{
    const int value = callLocked(axis(), call);
    edit->setText(QString::number(value));
    if (shown == Shown::RowAndMessage)
        ui->lineEdit_msg->setText(QString::number(value));
}

void DebugWidget::runDoubleGetter(QLineEdit *edit, DoubleGetter call, Shown shown)
{
    const double value = callLocked(axis(), call);
    edit->setText(generalNumber(value, 8));
    if (shown == Shown::RowAndMessage)
        ui->lineEdit_msg->setText(generalNumber(value, 6));
}

void DebugWidget::runTextGetter(QLineEdit *edit, TextGetter call)
{
    char buffer[kTextBytes] = {};
    const int result = callLocked(axis(), [&](int id, int axis) { return call(id, axis, buffer, kTextBytes); });
    edit->setText(MotorBlockText::fieldText(buffer, kTextBytes));
    showCode(result);
}

// ------------------------------------------------------------ motion

void DebugWidget::on_pushButton_1_clicked()
{
    runDoubleGetter(
        ui->lineEdit_1, [](int id, int axis) { return ::getCurrentPos(id, axis, nullptr); }, Shown::RowOnly);
}

void DebugWidget::on_pushButton_2_clicked() { runAction(::startMove); }
void DebugWidget::on_pushButton_22_clicked() { runAction(::home); }
void DebugWidget::on_pushButton_3_clicked() { runAction(::stopRuning); }
void DebugWidget::on_pushButton_4_clicked() { runDirection(::startJog, kNegative); }
void DebugWidget::on_pushButton_24_clicked() { runDirection(::startJog, kPositive); }
void DebugWidget::on_pushButton_5_clicked() { runDirection(::startDrive, kNegative); }
void DebugWidget::on_pushButton_25_clicked() { runDirection(::startDrive, kPositive); }
void DebugWidget::on_pushButton_6_clicked() { runDirection(::startCircle, kNegative); }
void DebugWidget::on_pushButton_26_clicked() { runDirection(::startCircle, kPositive); }

void DebugWidget::on_pushButton_7_clicked() { runDoubleSetter(ui->pushButton_7, ui->lineEdit_7, ::setTargetPos); }

void DebugWidget::on_pushButton_27_clicked()
{
    runDoubleGetter(ui->lineEdit_7, [](int id, int axis) {
        char ok = 0;
        return ::getTargetPos(id, axis, &ok);
    });
}

void DebugWidget::on_pushButton_8_clicked() { runDoubleSetter(ui->pushButton_8, ui->lineEdit_8, ::setSpeed); }
void DebugWidget::on_pushButton_28_clicked() { runDoubleGetter(ui->lineEdit_8, ::getSpeed); }
void DebugWidget::on_pushButton_9_clicked() { runDoubleSetter(ui->pushButton_9, ui->lineEdit_9, ::setAcceleration); }
void DebugWidget::on_pushButton_29_clicked() { runDoubleGetter(ui->lineEdit_9, ::getAcceleration); }
void DebugWidget::on_pushButton_10_clicked() { runIntSetter(ui->pushButton_10, ui->lineEdit_10, ::setMotorEnable); }

void DebugWidget::on_pushButton_30_clicked()
{
    MotorStageState state;
    std::memset(&state, 0, sizeof state);
    const int result = callLocked(axis(), [&](int id, int axis) { return ::getRuningState(id, axis, &state); });
    ui->lineEdit_10->setText(QString::number(result));
    ui->lineEdit_msg->setText(tr("可以运行：%1, 停止：%2, 使能：%3, 归零：%4, 左限位：%5, 右限位：%6")
                                  .arg(state.isCanRun)
                                  .arg(state.isStop)
                                  .arg(state.isEnable)
                                  .arg(state.isHome)
                                  .arg(state.isLeftLimit)
                                  .arg(state.isRightLimit));
}

void DebugWidget::on_pushButton_11_clicked() { runDoubleSetter(ui->pushButton_11, ui->lineEdit_11, ::setRelativeDisp); }
void DebugWidget::on_pushButton_31_clicked() { runDoubleGetter(ui->lineEdit_11, ::getRelativeDisp); }

void DebugWidget::on_pushButton_12_clicked()
{
    runIntSetter(ui->pushButton_12, ui->lineEdit_12, ::setRelativeDispEnable);
}

void DebugWidget::on_pushButton_32_clicked() { runIntGetter(ui->lineEdit_12, ::getRelativeDispEnable); }
void DebugWidget::on_pushButton_13_clicked() { runDoubleSetter(ui->pushButton_13, ui->lineEdit_13, ::setJogStep); }
void DebugWidget::on_pushButton_33_clicked() { runDoubleGetter(ui->lineEdit_13, ::getJogStep); }
void DebugWidget::on_pushButton_14_clicked() { runIntSetter(ui->pushButton_14, ui->lineEdit_14, ::setJogDelay); }
void DebugWidget::on_pushButton_34_clicked() { runIntGetter(ui->lineEdit_14, ::getJogDelay); }
void DebugWidget::on_pushButton_15_clicked() { runIntSetter(ui->pushButton_15, ui->lineEdit_15, ::setJogCount); }
void DebugWidget::on_pushButton_35_clicked() { runIntGetter(ui->lineEdit_15, ::getJogCount); }
void DebugWidget::on_pushButton_16_clicked() { runDoubleSetter(ui->pushButton_16, ui->lineEdit_16, ::setCircleDisp); }
void DebugWidget::on_pushButton_36_clicked() { runDoubleGetter(ui->lineEdit_16, ::getCircleDisp); }
void DebugWidget::on_pushButton_17_clicked() { runIntSetter(ui->pushButton_17, ui->lineEdit_17, ::setCircleCount); }
void DebugWidget::on_pushButton_37_clicked() { runIntGetter(ui->lineEdit_17, ::getCircleCount); }
void DebugWidget::on_pushButton_18_clicked() { runIntSetter(ui->pushButton_18, ui->lineEdit_18, ::setCircleDelay); }
void DebugWidget::on_pushButton_38_clicked() { runIntGetter(ui->lineEdit_18, ::getCircleDelay); }
void DebugWidget::on_pushButton_19_clicked() { runIntGetter(ui->lineEdit_19, ::getJogIndex); }
void DebugWidget::on_pushButton_39_clicked() { runIntGetter(ui->lineEdit_19, ::getCircleIndex); }

// ------------------------------------------------------------ identity

void DebugWidget::on_pushButton_41_clicked()
{
    runTextSetter(ui->pushButton_41, ui->lineEdit_21,
                  [](int id, int, const char *text, int length) { return ::setDevModelName(id, text, length); });
}

void DebugWidget::on_pushButton_51_clicked()
{
    runTextGetter(ui->lineEdit_21,
                  [](int id, int, char *buffer, int size) { return ::getDevModelName(id, buffer, size); });
}

void DebugWidget::on_pushButton_42_clicked()
{
    runTextSetter(ui->pushButton_42, ui->lineEdit_22,
                  [](int id, int, const char *text, int length) { return ::setDevSerialNumber(id, text, length); });
}

void DebugWidget::on_pushButton_52_clicked()
{
    runTextGetter(ui->lineEdit_22,
                  [](int id, int, char *buffer, int size) { return ::getDevSerialNumber(id, buffer, size); });
}

void DebugWidget::on_pushButton_43_clicked()
{
    runUnsignedSetter(ui->pushButton_43, ui->lineEdit_23,
                      [](int id, int, int count) { return ::setDevAxisCount(id, count); });
}

void DebugWidget::on_pushButton_53_clicked()
{
    runIntGetter(ui->lineEdit_23, [](int id, int) { return ::getDevAxisCount(id); });
}

void DebugWidget::on_pushButton_45_clicked()
{
    runTextSetter(ui->pushButton_45, ui->lineEdit_25, ::setMotorSerialNumber);
}

void DebugWidget::on_pushButton_55_clicked() { runTextGetter(ui->lineEdit_25, ::getMotorSerialNumber); }
void DebugWidget::on_pushButton_46_clicked() { runTextSetter(ui->pushButton_46, ui->lineEdit_26, ::setMotorModelName); }
void DebugWidget::on_pushButton_56_clicked() { runTextGetter(ui->lineEdit_26, ::getMotorModelName); }

void DebugWidget::on_pushButton_47_clicked()
{
    runTextGetter(ui->lineEdit_27,
                  [](int id, int, char *buffer, int size) { return ::getDevSoftVersion(id, buffer, size); });
}

// ------------------------------------------------------------ trigger, unit, joystick

void DebugWidget::on_pushButton_20_clicked()
{
    runIntSetter(ui->pushButton_20, ui->lineEdit_20, ::setTriggerInEnable);
}

void DebugWidget::on_pushButton_40_clicked() { runIntGetter(ui->lineEdit_20, ::getTriggerInEnable); }

void DebugWidget::on_pushButton_60_clicked()
{
    runIntSetter(ui->pushButton_60, ui->lineEdit_31, ::setTriggerOutEnable);
}

void DebugWidget::on_pushButton_61_clicked() { runIntGetter(ui->lineEdit_31, ::getTriggerOutEnable); }
void DebugWidget::on_pushButton_48_clicked() { runIntSetter(ui->pushButton_48, ui->lineEdit_28, ::setMotorUnitType); }
void DebugWidget::on_pushButton_58_clicked() { runIntGetter(ui->lineEdit_28, ::getMotorUnitType); }

void DebugWidget::on_pushButton_49_clicked()
{
    runIntSetter(ui->pushButton_49, ui->lineEdit_29, [](int id, int, int enable) { return ::setRockerEnable(id, enable); });
}

void DebugWidget::on_pushButton_59_clicked()
{
    runIntGetter(
        ui->lineEdit_29, [](int id, int) { return ::getRockerEnable(id); }, Shown::RowOnly);
}

// ------------------------------------------------------------ heartbeat

void DebugWidget::createHeart()
{
    // The Heart moves itself into its own thread; its timer stays here.
    m_heart = std::make_unique<Heart>();
    Heart *heart = m_heart.get();
    // Served on the heart thread, apart from the service's heartbeat, so the
    // main window's heartbeat never counts this one's failures or the
    // reverse.
    connect(heart, &Heart::sendHeart, heart, [heart] {
        CONTROLER_STATE state;
        std::memset(&state, 0, sizeof state);
        int result = 0;
        {
            QMutexLocker lock(&SerialComDev::libMutex);
            result = ::getRockerInfo(SerialComDev::currentDevId(), &state);
        }
        heart->rcvHeartInfo(state, result);
    });
    connect(heart, &Heart::heartBreak, this, &DebugWidget::hertBreak, Qt::QueuedConnection);
}

void DebugWidget::on_pushButton_44_clicked()
{
    ui->lineEdit_24->setText(QStringLiteral("0"));
    if (!m_heart)
        createHeart();
    m_heart->startHeart();
}

void DebugWidget::on_pushButton_54_clicked()
{
    if (m_heart)
        m_heart->stopHeart();
}

void DebugWidget::hertBreak(int n)
{
    ui->lineEdit_24->setText(QString::number(n));
}

// ------------------------------------------------------------ motor parameter block

bool DebugWidget::pageBlock(MotorParams &block, QString &problem) const
{
    auto refuse = [&](const QLabel *label) {
        problem = QStringLiteral("%1无效或超出范围，未写入任何参数。").arg(fieldName(label));
        return false;
    };
    auto text = [&](const QLineEdit *edit, const QLabel *label, char *field, int size) {
        return MotorBlockText::toTextField(edit->text(), field, size) || refuse(label);
    };
    auto real = [&](const QLineEdit *edit, const QLabel *label, double &field) {
        return MotorBlockText::toFiniteDouble(edit->text(), field) || refuse(label);
    };
    auto unsigned32 = [&](const QLineEdit *edit, const QLabel *label, uint32_t &field) {
        return MotorBlockText::toUInt32(edit->text(), field) || refuse(label);
    };
    // Every 16-bit field of the block is an int16_t.
    auto signed16 = [&](const QLineEdit *edit, const QLabel *label, int16_t &field) {
        return MotorBlockText::toInt16(edit->text(), field) || refuse(label);
    };
    // A combo box shows no item when the stage reported a value it does not list.
    auto index = [&](const QComboBox *box, const QLabel *label, int16_t &field) {
        if (box->currentIndex() < 0)
            return refuse(label);
        field = int16_t(box->currentIndex());
        return true;
    };
    auto order = [&](const QComboBox *box, const QLabel *label, char *field, int size) {
        const QByteArray bytes = box->currentText().toUtf8();
        if (box->currentIndex() < 0 || bytes.size() >= size)
            return refuse(label);
        std::memset(field, 0, size_t(size));
        std::memcpy(field, bytes.constData(), size_t(bytes.size()));
        return true;
    };

    return text(ui->lineEdit_motor_modelName, ui->label_motor_modelName, block.modelName, int(sizeof block.modelName))
        && text(ui->lineEdit_motor_serialNumber, ui->label_motor_serialNumber, block.serialNumber,
                int(sizeof block.serialNumber))
        && unsigned32(ui->lineEdit_motor_pulse, ui->label_motor_pulse, block.pulse)
        && real(ui->lineEdit_motor_helicalPitch, ui->label_motor_helicalPitch, block.helicalPitch)
        && real(ui->lineEdit_motor_restoreSpeed, ui->label_motor_restoreSpeed, block.restoreSpeed)
        && index(ui->comboBox_motor_Motor_type, ui->label_motor_Motor_type, block.motorType)
        && index(ui->comboBox_motor_PLimitPolarity, ui->label_motor_PLimitPolarity, block.pLimitPolarity)
        && index(ui->comboBox_motor_NLimitPolarity, ui->label_motor_NLimitPolarity, block.nLimitPolarity)
        && index(ui->comboBox_motor_zeroPolarity, ui->label_motor_zeroPolarity, block.zeroPolarity)
        && index(ui->comboBox_motor_derection, ui->label_motor_derection, block.direction)
        && signed16(ui->lineEdit_motor_limitDerection, ui->label_motor_limitDerection, block.limitDirection)
        && index(ui->comboBox_motor_unitType, ui->label_motor_unitType, block.unitType)
        && order(ui->comboBox_opt_order, ui->label_opt_order, block.optOrder, int(sizeof block.optOrder))
        && real(ui->lineEdit_max_speed, ui->label_max_speed, block.maxSpeed)
        && real(ui->lineEdit_max_acc, ui->label_max_acc, block.maxAcc)
        && real(ui->lineEdit_min_pos, ui->label_min_pos, block.minPos)
        && real(ui->lineEdit_max_pos, ui->label_max_pos, block.maxPos)
        && signed16(ui->lineEdit_zopt_width, ui->label_zopt_width, block.zoptWidth)
        && signed16(ui->lineEdit_opt_num, ui->label_opt_num, block.optNum)
        && signed16(ui->lineEdit_return_trip, ui->label_return_trip, block.returnTrip)
        && signed16(ui->lineEdit_motor_phase, ui->label_motor_phase, block.motorPhase)
        && unsigned32(ui->lineEdit_modify_date, ui->label_modify_date, block.modifyDate)
        && real(ui->lineEdit_motor_maxRockrtSpeed, ui->label_motor_maxRockrtSpeed, block.maxRockerSpeed);
}

void DebugWidget::showBlock(const MotorParams &block)
{
    ui->lineEdit_motor_modelName->setText(MotorBlockText::fieldText(block.modelName, int(sizeof block.modelName)));
    ui->lineEdit_motor_serialNumber->setText(
        MotorBlockText::fieldText(block.serialNumber, int(sizeof block.serialNumber)));
    ui->lineEdit_motor_pulse->setText(QString::number(block.pulse));
    ui->lineEdit_motor_helicalPitch->setText(generalNumber(block.helicalPitch, 6));
    ui->lineEdit_motor_restoreSpeed->setText(generalNumber(block.restoreSpeed, 6));
    ui->comboBox_motor_Motor_type->setCurrentIndex(block.motorType);
    ui->comboBox_motor_PLimitPolarity->setCurrentIndex(block.pLimitPolarity);
    ui->comboBox_motor_NLimitPolarity->setCurrentIndex(block.nLimitPolarity);
    ui->comboBox_motor_zeroPolarity->setCurrentIndex(block.zeroPolarity);
    ui->comboBox_motor_derection->setCurrentIndex(block.direction);
    ui->lineEdit_motor_limitDerection->setText(QString::number(block.limitDirection));
    ui->comboBox_motor_unitType->setCurrentIndex(block.unitType);
    // An order the list does not hold shows no item rather than a stale one.
    ui->comboBox_opt_order->setCurrentIndex(
        ui->comboBox_opt_order->findText(MotorBlockText::fieldText(block.optOrder, int(sizeof block.optOrder))));
    ui->lineEdit_max_speed->setText(generalNumber(block.maxSpeed, 6));
    ui->lineEdit_max_acc->setText(generalNumber(block.maxAcc, 6));
    ui->lineEdit_min_pos->setText(generalNumber(block.minPos, 6));
    ui->lineEdit_max_pos->setText(generalNumber(block.maxPos, 6));
    ui->lineEdit_zopt_width->setText(QString::number(block.zoptWidth));
    ui->lineEdit_opt_num->setText(QString::number(block.optNum));
    ui->lineEdit_return_trip->setText(QString::number(block.returnTrip));
    ui->lineEdit_motor_phase->setText(QString::number(block.motorPhase));
    ui->lineEdit_modify_date->setText(QString::number(block.modifyDate));
    ui->lineEdit_motor_maxRockrtSpeed->setText(generalNumber(block.maxRockerSpeed, 6));
}

void DebugWidget::on_pushButton_readMorotParams_clicked()
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    const int result = callLocked(axis(), [&](int id, int axis) { return ::getMotorParams(id, axis, &block); });
    if (result < 0) {
        ui->lineEdit_msg->setText(QStringLiteral("读取电机参数失败：error（%1）").arg(result));
        return;
    }
    showBlock(block);
}

void DebugWidget::on_pushButton_writeMotorParams_clicked()
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    // Every field is checked before anything is sent: a half-written block
    // on the stage's ID chip would be worse than none.
    QString problem;
    if (!pageBlock(block, problem)) {
        ui->lineEdit_msg->setText(problem);
        return;
    }
    qCDebug(lcApp) << "setMotorParams minPos" << block.minPos;
    const int result = callLocked(axis(), [&](int id, int axis) { return ::setMotorParams(id, axis, block); });
    if (result < 0) {
        ui->lineEdit_msg->setText(QStringLiteral("写入电机参数失败：error（%1）").arg(result));
        return;
    }
    ui->lineEdit_msg->setText(QStringLiteral("写入电机参数成功"));
    // Shown after the lock is released: the box's event loop must not hold
    // back the service or the heartbeats.
    QMessageBox::information(nullptr, QStringLiteral("提示"),
                             QStringLiteral("写入中，请等待控制器状态指示灯变绿后再进行其他操作！"), QMessageBox::Ok);
}

void DebugWidget::on_pushButton_clear_clicked()
{
    callLocked(axis(), ::setClearIDChip);
}

// ------------------------------------------------------------ position compensation

void DebugWidget::on_pushButton_pos_conpen_enable_clicked()
{
    runAction([](int id, int axis) { return ::setPosConpenEnable(id, axis, true); });
}

void DebugWidget::on_pushButton_pos_conpen_disable_clicked()
{
    runAction([](int id, int axis) { return ::setPosConpenEnable(id, axis, false); });
}

void DebugWidget::on_pushButton_clicked()
{
    for (int row = 0; row < kCompensationPoints; ++row) {
        for (int column = 0; column < kCompensationColumns; ++column)
            m_compensationModel->item(row, column)->setText(QString());
    }
    // Reads one table into its two columns; returns the library's result.
    auto readTable = [&](int firstColumn, auto getter) {
        PosConpenPoint points[kCompensationPoints];
        std::memset(points, 0, sizeof points);
        int count = 0;
        const int result = callLocked(axis(), [&](int id, int axis) { return getter(id, axis, points, &count); });
        for (int i = 0; i < qBound(0, count, kCompensationPoints); ++i) {
            m_compensationModel->item(i, firstColumn)->setText(generalNumber(points[i].expectPos, 6));
            m_compensationModel->item(i, firstColumn + 1)->setText(generalNumber(points[i].actualPos, 6));
        }
        return result;
    };
    const int positive = readTable(0, ::getPositivePosConpen);
    const int negative = readTable(2, ::getNegativePosConpen);
    ui->lineEdit_msg->setText(QStringLiteral("%1 %2").arg(positive).arg(negative));
}

void DebugWidget::on_pushButton_pos_conpen_write_clicked()
{
    // Expected -> actual position of the rows whose two cells both parse; a
    // repeated expected position keeps the later row's value.
    auto tableOf = [&](int firstColumn) {
        QMap<double, double> table;
        for (int row = 0; row < kCompensationPoints; ++row) {
            double expected = 0;
            double actual = 0;
            if (parseDouble(m_compensationModel->item(row, firstColumn)->text(), expected)
                && parseDouble(m_compensationModel->item(row, firstColumn + 1)->text(), actual)
                && std::isfinite(expected) && std::isfinite(actual))
                table.insert(expected, actual);
        }
        return table;
    };
    const QMap<double, double> positiveTable = tableOf(0);
    const QMap<double, double> negativeTable = tableOf(2);

    PosConpenPoint positive[kCompensationPoints];
    PosConpenPoint negative[kCompensationPoints];
    std::memset(positive, 0, sizeof positive);
    std::memset(negative, 0, sizeof negative);
    int positiveCount = 0;
    for (auto it = positiveTable.constBegin(); it != positiveTable.constEnd(); ++it, ++positiveCount)
        positive[positiveCount] = PosConpenPoint{it.key(), it.value()};
    // The negative direction runs from the origin outwards: largest first.
    int negativeCount = 0;
    for (auto it = negativeTable.constEnd(); it != negativeTable.constBegin(); ++negativeCount) {
        --it;
        negative[negativeCount] = PosConpenPoint{it.key(), it.value()};
    }

    const int positiveResult = callLocked(
        axis(), [&](int id, int axis) { return ::setPositivePosConpen(id, axis, positive, positiveCount); });
    const int negativeResult = callLocked(
        axis(), [&](int id, int axis) { return ::setNegativePosConpen(id, axis, negative, negativeCount); });
    ui->lineEdit_msg->setText(QStringLiteral("%1 %2").arg(positiveResult).arg(negativeResult));
}

// The developer panel against the virtual controller: every command row
// sends its one request for the chosen axis and shows what the rules say,
// rows that do not parse send nothing, the running-state text, the motor
// parameter block's round trip and refusals, the compensation tables, the
// panel's own heartbeat and commands without an open controller.

#include "AppResources.h"
#include "DebugWidget.h"
#include "Heart.h"
#include "PanelHarness.h"
#include "velmoLibrary.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <memory>

using namespace panelharness;

namespace {

// Three axes whose stored values all differ, so a row that reads the wrong
// field or axis shows it. Axis B's stage reports an optical order ("Z")
// that the panel's list does not hold.
const char kScenario[] = R"({"controllers": [{"portPath": [1, 4],
  "joystick": {"present": true, "enabled": true, "speed": 3},
  "axes": [
    {"stage": "VLS-50", "position": 25, "homed": true, "targetPos": 12.5, "speed": 1.23456789,
     "acceleration": 33, "relativeDisp": 2.25, "relativeDispEnable": 1, "jogStep": 0.5, "jogDelay": 250,
     "jogCount": 9, "circleDisp": 6.25, "circleCount": 4, "circleDelay": 40, "triggerInEnable": 1,
     "triggerOutEnable": 0},
    {"stage": "VRS-360", "serialNumber": "RS-0042"},
    {}]}]})";

// Shown in the result line before a click, to tell "unchanged" apart.
const QString kUntouched = QStringLiteral("untouched");

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray le16(int value)
{
    const quint16 v = qToLittleEndian(quint16(value));
    return QByteArray(reinterpret_cast<const char *>(&v), 2);
}

QByteArray le32(qint32 value)
{
    const qint32 v = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&v), 4);
}

QByteArray f64(double value)
{
    QByteArray bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

QByteArray text32(const char *text)
{
    QByteArray bytes(text);
    bytes.append(QByteArray(32 - bytes.size(), '\0'));
    return bytes;
}

template<typename T>
T *child(const QWidget &parent, const QString &name)
{
    T *found = parent.findChild<T *>(name);
    if (found == nullptr)
        qFatal("no child %s", qPrintable(name));
    return found;
}

void click(const QWidget &panel, const QString &button)
{
    QTest::mouseClick(child<QPushButton>(panel, button), Qt::LeftButton);
}

QString textOf(const QWidget &panel, const QString &edit)
{
    return child<QLineEdit>(panel, edit)->text();
}

void setText(const QWidget &panel, const QString &edit, const QString &text)
{
    child<QLineEdit>(panel, edit)->setText(text);
}

QStandardItemModel *compensationModel(const QWidget &panel)
{
    return qobject_cast<QStandardItemModel *>(child<QTableView>(panel, QStringLiteral("tableView"))->model());
}

// One compensation table as it travelled: the count and the ten points.
struct SentTable {
    int count = -1;
    QList<QPair<double, double>> points;
};

SentTable sentTable(int code)
{
    SentTable table;
    const QList<Written> frames = framesOf(code);
    if (frames.size() != 1)
        return table;
    const Written &w = frames.first();
    table.count = w.u16(2);
    for (int i = 0; i < 10; ++i)
        table.points.append({w.f64(4 + i * 16), w.f64(12 + i * 16)});
    return table;
}

// The motor parameter page: line edits and combo boxes by object name.
const char *const kPageEdits[] = {
    "lineEdit_motor_modelName", "lineEdit_motor_serialNumber", "lineEdit_motor_pulse",
    "lineEdit_motor_helicalPitch", "lineEdit_motor_restoreSpeed", "lineEdit_motor_limitDerection",
    "lineEdit_max_speed", "lineEdit_max_acc", "lineEdit_min_pos", "lineEdit_max_pos", "lineEdit_zopt_width",
    "lineEdit_opt_num", "lineEdit_return_trip", "lineEdit_motor_phase", "lineEdit_modify_date",
    "lineEdit_motor_maxRockrtSpeed"};
const char *const kPageCombos[] = {
    "comboBox_motor_Motor_type", "comboBox_motor_PLimitPolarity", "comboBox_motor_NLimitPolarity",
    "comboBox_motor_zeroPolarity", "comboBox_motor_derection", "comboBox_motor_unitType", "comboBox_opt_order"};

// The page's content, to compare a read with what was written.
QStringList pageContent(const QWidget &panel)
{
    QStringList content;
    for (const char *name : kPageEdits)
        content << QLatin1String(name) + QLatin1Char('=') + textOf(panel, QLatin1String(name));
    for (const char *name : kPageCombos) {
        const auto *box = child<QComboBox>(panel, QLatin1String(name));
        content << QLatin1String(name) + QLatin1Char('=') + QString::number(box->currentIndex());
    }
    return content;
}

void blankPage(const QWidget &panel)
{
    for (const char *name : kPageEdits)
        setText(panel, QLatin1String(name), QString());
    for (const char *name : kPageCombos)
        child<QComboBox>(panel, QLatin1String(name))->setCurrentIndex(0);
}

} // namespace

class tst_DebugWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppResources::init(); }

    void init()
    {
        QVERIFY(openController(kScenario));
        m_panel = std::make_unique<DebugWidget>();
        m_panel->show();
        child<QLineEdit>(*m_panel, QStringLiteral("lineEdit_msg"))->setText(kUntouched);
    }

    void cleanup()
    {
        m_panel.reset();
        SerialComDev::instance()->closeDevice();
    }

    // Every command row: its button's text, the one request it sends (code,
    // axis and value, byte for byte) and what the row and the result line
    // show afterwards.
    void commandRowsSendTheirRequestAndShowTheResult_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<int>("axis");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("rowShows");
        QTest::addColumn<QString>("messageShows");

        const QString none;
        const QString ok = QStringLiteral("0");
        auto row = [](const char *tag, const char *button, const char *text, int axis, const char *edit,
                      const char *input, int code, const QByteArray &payload, const QString &rowShows,
                      const QString &messageShows) {
            QTest::newRow(tag) << QString::fromLatin1(button) << u8(text) << axis << QString::fromLatin1(edit)
                               << u8(input) << code << payload << rowShows << messageShows;
        };
        const QByteArray a0 = le16(0);
        const QByteArray a1 = le16(1);
        const QByteArray a2 = le16(2);

        // Actions: the return code.
        row("current position, row only", "pushButton_1", "当前位置", 0, "lineEdit_1", "", 0x0023, a0,
            QStringLiteral("25"), kUntouched);
        row("move", "pushButton_2", "Move", 0, "", "", 0x0001, a0, none, ok);
        row("home", "pushButton_22", "home", 0, "", "", 0x0003, a0, none, ok);
        row("stop", "pushButton_3", "Stop", 0, "", "", 0x0002, a0, none, ok);
        row("jog left on B", "pushButton_4", "JogLeft", 1, "", "", 0x0004, a1 + le16(2), none, ok);
        row("jog right", "pushButton_24", "JogRight", 0, "", "", 0x0004, a0 + le16(1), none, ok);
        row("drive left", "pushButton_5", "DriveLeft", 0, "", "", 0x0005, a0 + le16(2), none, ok);
        row("drive right on B", "pushButton_25", "DriveRight", 1, "", "", 0x0005, a1 + le16(1), none, ok);
        row("circle left", "pushButton_6", "CircleLeft", 0, "", "", 0x0006, a0 + le16(2), none, ok);
        row("circle right", "pushButton_26", "CircleRight", 0, "", "", 0x0006, a0 + le16(1), none, ok);
        // Setters: the row's value parsed, the return code.
        row("target", "pushButton_7", "设置位置", 0, "lineEdit_7", "12.75", 0x0007, a0 + f64(12.75), u8("12.75"), ok);
        row("speed", "pushButton_8", "设置速度", 1, "lineEdit_8", " 3.5 ", 0x0009, a1 + f64(3.5), u8(" 3.5 "), ok);
        row("acceleration", "pushButton_9", "设置加速度", 0, "lineEdit_9", "4e1", 0x000B, a0 + f64(40), u8("4e1"), ok);
        row("enable", "pushButton_10", "设置使能", 2, "lineEdit_10", "1", 0x0025, a2 + le16(1), u8("1"), ok);
        row("relative", "pushButton_11", "写相对位移", 0, "lineEdit_11", "-2.5", 0x000D, a0 + f64(-2.5), u8("-2.5"), ok);
        row("relative on", "pushButton_12", "写相对位移使能", 0, "lineEdit_12", "1", 0x000F, a0 + le16(1), u8("1"), ok);
        row("jog step", "pushButton_13", "写JOG步长", 0, "lineEdit_13", "0.75", 0x0011, a0 + f64(0.75), u8("0.75"), ok);
        row("jog delay", "pushButton_14", "写JOG延时", 0, "lineEdit_14", "300", 0x0013, a0 + le32(300), u8("300"), ok);
        row("jog count", "pushButton_15", "写JOG次数", 0, "lineEdit_15", "7", 0x0015, a0 + le32(7), u8("7"), ok);
        row("cycle travel", "pushButton_16", "写循环位移", 0, "lineEdit_16", "4.5", 0x0018, a0 + f64(4.5), u8("4.5"), ok);
        row("cycle count", "pushButton_17", "写循环次数", 0, "lineEdit_17", "2", 0x001A, a0 + le32(2), u8("2"), ok);
        row("cycle delay", "pushButton_18", "写循环延时", 0, "lineEdit_18", "100", 0x001D, a0 + le32(100), u8("100"), ok);
        row("trigger in", "pushButton_20", "写触发输入使能", 0, "lineEdit_20", "1", 0x001F, a0 + le16(1), u8("1"), ok);
        row("trigger out", "pushButton_60", "写触发输出使能", 0, "lineEdit_31", "1", 0x0021, a0 + le16(1), u8("1"), ok);
        row("unit", "pushButton_48", "写位移台单位", 0, "lineEdit_28", "1", 0x101D, a0 + le16(1), u8("1"), ok);
        row("axis count", "pushButton_43", "写设备轴数", 0, "lineEdit_23", "3", 0x1005, le16(3), u8("3"), ok);
        row("joystick", "pushButton_49", "设置摇杆使能", 0, "lineEdit_29", "0", 0x0027, le16(0), u8("0"), ok);
        row("controller name", "pushButton_41", "写设备名称", 0, "lineEdit_21", "VM-9X", 0x1001, text32("VM-9X"),
            u8("VM-9X"), ok);
        // An empty name is a name too: it clears the field.
        row("controller name, cleared", "pushButton_41", "写设备名称", 0, "lineEdit_21", "", 0x1001, text32(""),
            u8(""), ok);
        row("controller serial", "pushButton_42", "写设备序列号", 0, "lineEdit_22", "SN-77", 0x1003, text32("SN-77"),
            u8("SN-77"), ok);
        row("stage serial", "pushButton_45", "写位移台序列号", 1, "lineEdit_25", "S-1", 0x1009, a1 + text32("S-1"),
            u8("S-1"), ok);
        row("stage name, Latin-1", "pushButton_46", "写位移台名称", 0, "lineEdit_26", "X-9\xc2\xb5", 0x1007,
            a0 + text32("X-9\xb5"), u8("X-9\xc2\xb5"), ok);
        row("compensation on", "pushButton_pos_conpen_enable", "位置补偿使能", 1, "", "", 0x1041, a1 + le16(1), none, ok);
        row("compensation off", "pushButton_pos_conpen_disable", "位置补偿失能", 0, "", "", 0x1041, a0 + le16(0), none,
            ok);
        row("erase chip, no display", "pushButton_clear", "擦除芯片", 2, "", "", 0x1043, a2, none, kUntouched);
        // Getters: integers in both places, doubles with 8 and 6 digits,
        // texts in the row with the return code in the result line.
        row("target read", "pushButton_27", "读取位置", 0, "lineEdit_7", "", 0x0008, a0, u8("12.5"), u8("12.5"));
        row("speed read", "pushButton_28", "读取速度", 0, "lineEdit_8", "", 0x000A, a0, u8("1.2345679"),
            u8("1.23457"));
        row("acceleration read", "pushButton_29", "读取加速度", 0, "lineEdit_9", "", 0x000C, a0, u8("33"), u8("33"));
        row("relative read", "pushButton_31", "读相对位移", 0, "lineEdit_11", "", 0x000E, a0, u8("2.25"), u8("2.25"));
        row("relative on read", "pushButton_32", "读相对位移使能", 0, "lineEdit_12", "", 0x0010, a0, u8("1"), u8("1"));
        row("jog step read", "pushButton_33", "读JOG步长", 0, "lineEdit_13", "", 0x0012, a0, u8("0.5"), u8("0.5"));
        row("jog delay read", "pushButton_34", "读JOG延时", 0, "lineEdit_14", "", 0x0014, a0, u8("250"), u8("250"));
        row("jog count read", "pushButton_35", "读JOG次数", 0, "lineEdit_15", "", 0x0016, a0, u8("9"), u8("9"));
        row("jog count read on B", "pushButton_35", "读JOG次数", 1, "lineEdit_15", "", 0x0016, a1, u8("5"), u8("5"));
        row("cycle travel read", "pushButton_36", "读循环位移", 0, "lineEdit_16", "", 0x0019, a0, u8("6.25"), u8("6.25"));
        row("cycle count read", "pushButton_37", "读循环次数", 0, "lineEdit_17", "", 0x001B, a0, u8("4"), u8("4"));
        row("cycle delay read", "pushButton_38", "读循环延时", 0, "lineEdit_18", "", 0x001E, a0, u8("40"), u8("40"));
        row("jog index", "pushButton_19", "读JOG当前次数", 0, "lineEdit_19", "", 0x0017, a0, u8("0"), u8("0"));
        row("cycle index", "pushButton_39", "读循环当前次数", 0, "lineEdit_19", "", 0x001C, a0, u8("0"), u8("0"));
        row("trigger in read", "pushButton_40", "读触发输入使能", 0, "lineEdit_20", "", 0x0020, a0, u8("1"), u8("1"));
        row("trigger out read", "pushButton_61", "读触发输出使能", 0, "lineEdit_31", "", 0x0022, a0, u8("0"), u8("0"));
        row("unit read on B", "pushButton_58", "读位移台单位", 1, "lineEdit_28", "", 0x101E, a1, u8("1"), u8("1"));
        row("axis count read", "pushButton_53", "读设备轴数", 0, "lineEdit_23", "", 0x1006, le16(0), u8("3"), u8("3"));
        row("joystick read, row only", "pushButton_59", "读取摇杆使能", 0, "lineEdit_29", "", 0x0028, QByteArray(),
            u8("1"), kUntouched);
        row("controller name read", "pushButton_51", "读设备名称", 0, "lineEdit_21", "", 0x1002, le16(0), u8("VM-3A"),
            ok);
        row("controller serial read", "pushButton_52", "读设备序列号", 0, "lineEdit_22", "", 0x1004, QByteArray(),
            u8("VM-0001"), ok);
        row("stage serial read on B", "pushButton_55", "读位移台序列号", 1, "lineEdit_25", "", 0x100A, a1,
            u8("RS-0042"), ok);
        row("stage name read on B", "pushButton_56", "读位移台名称", 1, "lineEdit_26", "", 0x1008, a1, u8("VRS-360"),
            ok);
        row("firmware read", "pushButton_47", "读嵌入式版本", 0, "lineEdit_27", "", 0x101F, le16(0), u8("VM 1.0.0"), ok);
    }

    void commandRowsSendTheirRequestAndShowTheResult()
    {
        QFETCH(QString, button);
        QFETCH(QString, buttonText);
        QFETCH(int, axis);
        QFETCH(QString, edit);
        QFETCH(QString, input);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QString, rowShows);
        QFETCH(QString, messageShows);

        const DebugWidget &panel = *m_panel;
        QCOMPARE(child<QPushButton>(panel, button)->text(), buttonText);
        child<QComboBox>(panel, QStringLiteral("comboBox"))->setCurrentIndex(axis);
        if (!edit.isEmpty())
            setText(panel, edit, input);

        click(panel, button);

        const QList<Written> frames = written();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().code, code);
        QCOMPARE(frames.first().data, payload);
        if (!edit.isEmpty())
            QCOMPARE(textOf(panel, edit), rowShows);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), messageShows);
    }

    // A setter whose row does not parse sends nothing and names its button.
    void unparsableRowsSendNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("input");

        QTest::newRow("double, letters") << "pushButton_8" << "lineEdit_8" << "abc";
        QTest::newRow("double, empty") << "pushButton_7" << "lineEdit_7" << "";
        QTest::newRow("int, fraction") << "pushButton_14" << "lineEdit_14" << "2.5";
        QTest::newRow("int, beyond 32 bits") << "pushButton_17" << "lineEdit_17" << "4294967296";
        QTest::newRow("axis count, negative") << "pushButton_43" << "lineEdit_23" << "-1";
        QTest::newRow("text, outside Latin-1") << "pushButton_46" << "lineEdit_26" << u8("台-1");
    }

    void unparsableRowsSendNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, edit);
        QFETCH(QString, input);

        const DebugWidget &panel = *m_panel;
        setText(panel, edit, input);
        click(panel, button);

        QCOMPARE(written().size(), 0);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")),
                 child<QPushButton>(panel, button)->text() + u8("：输入无效，未发送。"));
        QCOMPARE(textOf(panel, edit), input);
    }

    // The six flags in the order of the record, for the chosen axis.
    void runningStateText_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<bool>("place");
        QTest::addColumn<double>("placeAt");
        QTest::addColumn<QString>("expected");

        QTest::newRow("stopped, enabled, homed, free")
            << 0 << false << 0.0 << u8("可以运行：1, 停止：1, 使能：1, 归零：1, 左限位：0, 右限位：0");
        // Placed beyond the travel, the stage sits on the switch.
        QTest::newRow("on the negative limit")
            << 0 << true << -5.0 << u8("可以运行：1, 停止：1, 使能：1, 归零：1, 左限位：1, 右限位：0");
        QTest::newRow("on the positive limit")
            << 0 << true << 60.0 << u8("可以运行：1, 停止：1, 使能：1, 归零：1, 左限位：0, 右限位：1");
        QTest::newRow("not homed, axis B")
            << 1 << false << 0.0 << u8("可以运行：1, 停止：1, 使能：1, 归零：0, 左限位：0, 右限位：0");
    }

    void runningStateText()
    {
        QFETCH(int, axis);
        QFETCH(bool, place);
        QFETCH(double, placeAt);
        QFETCH(QString, expected);

        if (place)
            QCOMPARE(vsim_set_axis_position(kId, axis, placeAt), VSIM_OK);
        const DebugWidget &panel = *m_panel;
        child<QComboBox>(panel, QStringLiteral("comboBox"))->setCurrentIndex(axis);
        click(panel, QStringLiteral("pushButton_30"));

        QCOMPARE(child<QPushButton>(panel, QStringLiteral("pushButton_30"))->text(), u8("运行状态"));
        QCOMPARE(framesOf(0x0024).size(), 1);
        QCOMPARE(framesOf(0x0024).first().axis(), axis);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_10")), QStringLiteral("0"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), expected);
    }

    // Read a stage's block, change every field, write it to another axis and
    // read it back: each field survives, 70000 pulses included.
    void motorBlockRoundTrip()
    {
        const DebugWidget &panel = *m_panel;
        auto *axis = child<QComboBox>(panel, QStringLiteral("comboBox"));
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_motor_modelName")), QStringLiteral("VLS-50"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_motor_pulse")), QStringLiteral("12800"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_modify_date")), QStringLiteral("20240115"));
        QCOMPARE(child<QComboBox>(panel, QStringLiteral("comboBox_opt_order"))->currentText(), QStringLiteral("NZP"));

        const struct {
            const char *edit;
            const char *text;
        } edits[] = {{"lineEdit_motor_modelName", "VLS-100 \xc3\xa9"}, {"lineEdit_motor_serialNumber", "L100-0001"},
                     {"lineEdit_motor_pulse", "70000"},             {"lineEdit_motor_helicalPitch", "2.54"},
                     {"lineEdit_motor_restoreSpeed", "3.75"},       {"lineEdit_motor_limitDerection", "-1"},
                     {"lineEdit_max_speed", "12.5"},                {"lineEdit_max_acc", "60"},
                     {"lineEdit_min_pos", "-50"},                   {"lineEdit_max_pos", "50.25"},
                     {"lineEdit_zopt_width", "12"},                 {"lineEdit_opt_num", "2"},
                     {"lineEdit_return_trip", "-7"},                {"lineEdit_motor_phase", "5"},
                     {"lineEdit_modify_date", "4000000000"},        {"lineEdit_motor_maxRockrtSpeed", "7.5"}};
        for (const auto &e : edits)
            setText(panel, QLatin1String(e.edit), u8(e.text));
        const int indexes[] = {3, 1, 0, 1, 1, 1, 5};
        for (int i = 0; i < 7; ++i)
            child<QComboBox>(panel, QLatin1String(kPageCombos[i]))->setCurrentIndex(indexes[i]);
        const QStringList page = pageContent(panel);

        axis->setCurrentIndex(2);
        vsim_clear_written(kId);
        {
            MessageBoxAnswer answer(true);
            click(panel, QStringLiteral("pushButton_writeMotorParams"));
            QVERIFY(answer.seen());
            QCOMPARE(answer.text(), u8("写入中，请等待控制器状态指示灯变绿后再进行其他操作！"));
        }
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), u8("写入电机参数成功"));
        QCOMPARE(framesOf(0x100B).size(), 1);
        QCOMPARE(framesOf(0x100B).first().axis(), 2);
        QCOMPARE(quint32(framesOf(0x100B).first().i32()), 70000u);
        QCOMPARE(framesOf(0x1007).first().data, le16(2) + text32("VLS-100 \xe9"));
        QCOMPARE(framesOf(0x2000).size(), 1);

        // What the stage holds, read by the library itself.
        MotorParams stored;
        std::memset(&stored, 0, sizeof stored);
        QCOMPARE(getMotorParams(kId, 2, &stored), 0);
        QCOMPARE(stored.pulse, 70000u);
        QCOMPARE(stored.modifyDate, 4000000000u);
        QCOMPARE(stored.returnTrip, int16_t(-7));
        QCOMPARE(stored.motorType, int16_t(3));
        QCOMPARE(stored.minPos, -50.0);
        QCOMPARE(QByteArray(stored.optOrder, 3), QByteArray("NPZ"));

        // Back through the panel: every field as it was written.
        blankPage(panel);
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(pageContent(panel), page);
        // The other stage is untouched.
        axis->setCurrentIndex(0);
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_motor_modelName")), QStringLiteral("VLS-50"));
    }

    // The first field that does not parse or fit its type is named and
    // nothing at all is written.
    void motorBlockRefusesABadField_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");

        QTest::newRow("pitch, letters") << "lineEdit_motor_helicalPitch" << "abc" << u8("导程");
        QTest::newRow("pulse, beyond 32 bits") << "lineEdit_motor_pulse" << "4294967296" << u8("一圈的脉冲数");
        QTest::newRow("pulse, negative") << "lineEdit_motor_pulse" << "-1" << u8("一圈的脉冲数");
        QTest::newRow("name, 33 bytes") << "lineEdit_motor_modelName" << QString(33, QLatin1Char('x')) << u8("型号名称");
        QTest::newRow("serial, outside Latin-1") << "lineEdit_motor_serialNumber" << u8("序-1") << u8("序列号");
        QTest::newRow("backlash, beyond 16 bits") << "lineEdit_return_trip" << "32768" << u8("回程差（脉冲）");
        QTest::newRow("phases, fraction") << "lineEdit_motor_phase" << "2.5" << u8("电机相数");
        QTest::newRow("limit direction, empty") << "lineEdit_motor_limitDerection" << "" << u8("限位方向");
        QTest::newRow("date, negative") << "lineEdit_modify_date" << "-5" << u8("修改日期");
        QTest::newRow("joystick speed, infinite") << "lineEdit_motor_maxRockrtSpeed" << "inf" << u8("最大摇杆速度");
        QTest::newRow("min position, not a number") << "lineEdit_min_pos" << "nan" << u8("最小位置");
    }

    void motorBlockRefusesABadField()
    {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, named);

        const DebugWidget &panel = *m_panel;
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        setText(panel, edit, text);
        vsim_clear_written(kId);
        click(panel, QStringLiteral("pushButton_writeMotorParams"));

        QCOMPARE(written().size(), 0);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), named + u8("无效或超出范围，未写入任何参数。"));
    }

    // A stage whose optical order the list does not hold shows none, and
    // writing that page back is refused instead of writing another order.
    void unlistedOpticalOrderIsNotWrittenBack()
    {
        const DebugWidget &panel = *m_panel;
        auto *order = child<QComboBox>(panel, QStringLiteral("comboBox_opt_order"));
        order->setCurrentIndex(4);
        child<QComboBox>(panel, QStringLiteral("comboBox"))->setCurrentIndex(1);
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_motor_modelName")), QStringLiteral("VRS-360"));
        QCOMPARE(order->currentIndex(), -1);

        vsim_clear_written(kId);
        click(panel, QStringLiteral("pushButton_writeMotorParams"));
        QCOMPARE(written().size(), 0);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), u8("光耦顺序无效或超出范围，未写入任何参数。"));
    }

    // A failing step of the block is reported with its code.
    void motorBlockFailuresShowTheFailingStep()
    {
        const DebugWidget &panel = *m_panel;
        click(panel, QStringLiteral("pushButton_readMorotParams"));

        // Field 3 (pulse) refused: -6; nothing after it is sent.
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x100B, 1), VSIM_OK);
        vsim_clear_written(kId);
        click(panel, QStringLiteral("pushButton_writeMotorParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), u8("写入电机参数失败：error（-6）"));
        QCOMPARE(framesOf(0x100D).size(), 0);

        // Field 1 (model name) refused on reading: -2, the page unchanged.
        setText(panel, QStringLiteral("lineEdit_motor_pulse"), QStringLiteral("123"));
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1008, 1), VSIM_OK);
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), u8("读取电机参数失败：error（-2）"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_motor_pulse")), QStringLiteral("123"));
    }

    void compensationTableStartsAtTheOrigin()
    {
        const DebugWidget &panel = *m_panel;
        QStandardItemModel *model = compensationModel(panel);
        QVERIFY(model != nullptr);
        QCOMPARE(model->rowCount(), 10);
        QCOMPARE(model->columnCount(), 4);
        const QStringList headers{u8("+期望位置"), u8("+实际位置"), u8("-期望位置"), u8("-实际位置")};
        auto *view = child<QTableView>(panel, QStringLiteral("tableView"));
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headers.at(column));
            QCOMPARE(view->columnWidth(column), 80);
            for (int row = 0; row < 10; ++row) {
                QStandardItem *item = model->item(row, column);
                QVERIFY(item != nullptr);
                QCOMPARE(item->text(), row == 0 ? QStringLiteral("0") : QString());
                QCOMPARE(item->isEnabled(), row != 0);
            }
        }
    }

    // Positive points in ascending order, negative ones from the origin
    // outwards; rows with an empty or unparsable cell are left out, and a
    // repeated expected position keeps the later row. Read back into the
    // table in the order they were stored.
    void compensationWriteOrderAndReadBack()
    {
        const DebugWidget &panel = *m_panel;
        QStandardItemModel *model = compensationModel(panel);
        auto put = [&](int row, int column, const char *text) { model->item(row, column)->setText(u8(text)); };
        put(1, 0, "2");
        put(1, 1, "2.01");
        put(2, 0, "1");
        put(2, 1, "1.01");
        put(3, 0, "3"); // only the expected position: skipped
        put(4, 0, "abc");
        put(4, 1, "4");
        put(5, 0, "1"); // repeats row 2's expected position
        put(5, 1, "1.5");
        put(1, 2, "-1");
        put(1, 3, "-1.02");
        put(2, 2, "-2");
        put(2, 3, "-2.05");
        put(3, 3, "-3.1"); // only the actual position: skipped
        child<QComboBox>(panel, QStringLiteral("comboBox"))->setCurrentIndex(1);

        click(panel, QStringLiteral("pushButton_pos_conpen_write"));

        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), QStringLiteral("0 0"));
        QCOMPARE(framesOf(0x103D).first().axis(), 1);
        QCOMPARE(framesOf(0x103F).first().axis(), 1);
        const SentTable positive = sentTable(0x103D);
        QCOMPARE(positive.count, 3);
        QCOMPARE(positive.points.mid(0, 3), (QList<QPair<double, double>>{{0, 0}, {1, 1.5}, {2, 2.01}}));
        const SentTable negative = sentTable(0x103F);
        QCOMPARE(negative.count, 3);
        QCOMPARE(negative.points.mid(0, 3), (QList<QPair<double, double>>{{0, 0}, {-1, -1.02}, {-2, -2.05}}));
        for (int i = 3; i < 10; ++i) {
            QCOMPARE(positive.points.at(i), (QPair<double, double>(0, 0)));
            QCOMPARE(negative.points.at(i), (QPair<double, double>(0, 0)));
        }

        // Read back: every cell cleared first, then the stored points.
        click(panel, QStringLiteral("pushButton"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), QStringLiteral("0 0"));
        const QStringList expected[] = {{u8("0"), u8("0"), u8("0"), u8("0")},
                                        {u8("1"), u8("1.5"), u8("-1"), u8("-1.02")},
                                        {u8("2"), u8("2.01"), u8("-2"), u8("-2.05")}};
        for (int row = 0; row < 10; ++row) {
            for (int column = 0; column < 4; ++column) {
                const QString want = row < 3 ? expected[row].at(column) : QString();
                QCOMPARE(model->item(row, column)->text(), want);
            }
        }
        QVERIFY(!model->item(0, 0)->isEnabled());
    }

    // The panel's heartbeat reads the joystick record itself; its failure
    // count reaches the row once the controller stops answering, and it
    // never goes through the service (whose heartbeat is the main window's).
    void heartbeatCountsItsOwnFailures_data()
    {
        QTest::addColumn<bool>("unplug");
        QTest::newRow("unplugged") << true;
        QTest::newRow("refused") << false;
    }

    void heartbeatCountsItsOwnFailures()
    {
        QFETCH(bool, unplug);

        DebugWidget &panel = *m_panel;
        QSignalSpy serviceBeats(SerialComDev::instance(), &SerialComDev::signal_heartBeatInfo);
        QCOMPARE(child<QPushButton>(panel, QStringLiteral("pushButton_44"))->text(), u8("开始心跳"));
        QCOMPARE(child<QPushButton>(panel, QStringLiteral("pushButton_54"))->text(), u8("结束心跳"));
        QVERIFY(panel.heart() == nullptr);
        setText(panel, QStringLiteral("lineEdit_24"), QStringLiteral("x"));

        click(panel, QStringLiteral("pushButton_44"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_24")), QStringLiteral("0"));
        QVERIFY(panel.heart() != nullptr);
        QVERIFY(panel.heart()->isBeating());
        // Answered beats: the joystick record arrives, no failure.
        QTRY_VERIFY_WITH_TIMEOUT(framesOf(0x1038).size() >= 2, 3000);
        QCOMPARE(panel.heart()->controlerState().rockerEnabled, uint8_t(1));
        QCOMPARE(panel.heart()->controlerState().rockerSpeed, uint16_t(3));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_24")), QStringLiteral("0"));

        if (unplug)
            QCOMPARE(vsim_set_plugged(kId, 0), VSIM_OK);
        else
            QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1023, -1), VSIM_OK);
        QTRY_VERIFY_WITH_TIMEOUT(textOf(panel, QStringLiteral("lineEdit_24")).toInt() >= 2, 5000);

        // Stopped: the count stays where it is.
        click(panel, QStringLiteral("pushButton_54"));
        QVERIFY(!panel.heart()->isBeating());
        QTest::qWait(3 * Heart::kIntervalMs);
        const QString stopped = textOf(panel, QStringLiteral("lineEdit_24"));
        QCOMPARE(stopped, QString::number(panel.heart()->failures()));
        QTest::qWait(3 * Heart::kIntervalMs);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_24")), stopped);

        // Started again: the same heart, the row restarts from "0".
        Heart *first = panel.heart();
        click(panel, QStringLiteral("pushButton_44"));
        QCOMPARE(panel.heart(), first);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_24")), QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(textOf(panel, QStringLiteral("lineEdit_24")) != QStringLiteral("0"), 3000);
        QCOMPARE(serviceBeats.count(), 0);
        // Destroyed while beating: the thread ends with the panel.
        m_panel.reset();
    }

    // Without an open controller the library's error codes are shown.
    void withoutControllerTheLibraryErrorsAreShown()
    {
        SerialComDev::instance()->closeDevice();
        const DebugWidget &panel = *m_panel;
        const QString notSent = QStringLiteral("-1");

        click(panel, QStringLiteral("pushButton_2"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), notSent);
        click(panel, QStringLiteral("pushButton_28"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_8")), notSent);
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), notSent);
        setText(panel, QStringLiteral("lineEdit_21"), QStringLiteral("stale"));
        click(panel, QStringLiteral("pushButton_51"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_21")), QString());
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), notSent);
        click(panel, QStringLiteral("pushButton_30"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_10")), notSent);
        click(panel, QStringLiteral("pushButton_readMorotParams"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), u8("读取电机参数失败：error（-1）"));
        click(panel, QStringLiteral("pushButton"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), QStringLiteral("-1 -1"));
        QCOMPARE(compensationModel(panel)->item(0, 0)->text(), QString());
        click(panel, QStringLiteral("pushButton_pos_conpen_write"));
        QCOMPARE(textOf(panel, QStringLiteral("lineEdit_msg")), QStringLiteral("-1 -1"));
        click(panel, QStringLiteral("pushButton_clear"));
        QCOMPARE(written().size(), 0);
    }

    // Labels follow the language at construction; the command buttons keep
    // their fixed texts. The panel is a window of its own even with a parent.
    void englishLabelsFixedCommandTexts()
    {
        QTranslator english;
        QVERIFY(AppResources::loadEnglish(english));
        QCoreApplication::installTranslator(&english);
        QWidget owner;
        auto *panel = new DebugWidget(&owner);
        QCoreApplication::removeTranslator(&english);

        QVERIFY(panel->isWindow());
        QCOMPARE(child<QLabel>(*panel, QStringLiteral("label_motor_helicalPitch"))->text(), QStringLiteral("Lead"));
        QCOMPARE(child<QPushButton>(*panel, QStringLiteral("pushButton_7"))->text(), u8("设置位置"));
        QCOMPARE(child<QPushButton>(*panel, QStringLiteral("pushButton_4"))->text(), QStringLiteral("JogLeft"));
        for (QLabel *label : panel->findChildren<QLabel *>()) {
            for (const QChar c : label->text())
                QVERIFY2(c.script() != QChar::Script_Han, qPrintable(label->objectName()));
        }
        for (QLineEdit *edit : panel->findChildren<QLineEdit *>())
            QVERIFY(edit->text().isEmpty());
    }

private:
    std::unique_ptr<DebugWidget> m_panel;
};

QTEST_MAIN(tst_DebugWidget)
#include "tst_DebugWidget.moc"

// The options dialog against the virtual controller: what a refresh shows
// for one, two and three axes, the trigger input's travel check, the motor
// parameter read and the write's parse and range rules, compensation.
#include "IsolatedSettings.h"
#include "OptionsWidget.h"
#include "PanelHarness.h"
#include "velmoLibrary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <cstring>

using namespace panelharness;

namespace {

const char kOneAxis[] = R"({"controllers": [{"axes": [{"stage": "VLS-50"}]}]})";
const char kTwoAxes[] = R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}]}]})";
// The third axis has no programmed ID chip.
const char kThreeAxes[] = R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {}]}]})";

// Frames that write the motor parameter block (a write always starts with
// the name and ends with closing the sequence); reads use the odd codes + 1.
int blockWrites()
{
    int count = 0;
    for (const Written &w : written()) {
        if (w.code == 0x1007 || w.code == 0x100B || w.code == 0x2000)
            ++count;
    }
    return count;
}

// Waits for the service's thread to serve what the dialog emitted.
bool waitForFrames(int code, int count)
{
    return QTest::qWaitFor([&] { return framesOf(code).size() >= count; }, 3000);
}

} // namespace

class tst_OptionsWidget : public QObject
{
    Q_OBJECT

    IsolatedSettings *settings = nullptr;

    template <typename T>
    static T *child(const OptionsWidget &dialog, const QString &name)
    {
        T *widget = dialog.findChild<T *>(name);
        if (widget == nullptr)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }

    static void click(const OptionsWidget &dialog, const QString &name)
    {
        QTest::mouseClick(child<QAbstractButton>(dialog, name), Qt::LeftButton, {}, QPoint(8, 8));
    }

    // Gives axis a block with the travel minPos … maxPos and a model name.
    static void setTravel(int axis, double minPos, double maxPos, const char *name)
    {
        MotorParams block;
        std::memset(&block, 0, sizeof block);
        QCOMPARE(getMotorParams(kId, axis, &block), 0);
        std::memset(block.modelName, 0, sizeof block.modelName);
        std::memcpy(block.modelName, name, qMin(std::strlen(name), sizeof block.modelName));
        block.minPos = minPos;
        block.maxPos = maxPos;
        QCOMPARE(setMotorParams(kId, axis, block), 0);
        vsim_clear_written(kId);
    }

    static void fillMotorFields(OptionsWidget &dialog)
    {
        click(dialog, QStringLiteral("pushButton_ReadParam"));
        QVERIFY(!child<QLineEdit>(dialog, QStringLiteral("lineEdit_motor_pulse"))->text().isEmpty());
    }

    static void setField(OptionsWidget &dialog, const char *field, const QString &text)
    {
        auto *edit = child<QLineEdit>(dialog, QStringLiteral("lineEdit_motor_") + QLatin1String(field));
        edit->clear();
        // QTest types ASCII only; other characters arrive as input would.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, c.toLatin1());
            else
                edit->insert(QString(c));
        }
    }

    static QString writeAndReport(OptionsWidget &dialog, bool confirm = true)
    {
        MessageBoxAnswer answer(confirm);
        click(dialog, QStringLiteral("pushButton_WriteParam"));
        return answer.seen() ? child<QLabel>(dialog, QStringLiteral("label_msg"))->text() : QStringLiteral("<no question>");
    }

private slots:
    void initTestCase() { settings = new IsolatedSettings; }
    void cleanupTestCase() { delete settings; }
    void cleanup() { SerialComDev::instance()->closeDevice(); }

    void refreshShowsTheControllersAxes_data()
    {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<int>("axes");
        QTest::newRow("one") << QByteArray(kOneAxis) << 1;
        QTest::newRow("two") << QByteArray(kTwoAxes) << 2;
        QTest::newRow("three") << QByteArray(kThreeAxes) << 3;
    }

    void refreshShowsTheControllersAxes()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(int, axes);
        QVERIFY(openController(scenario.constData()));
        // The last axis: trigger input on with a step, output off,
        // compensation on; the others as the controller starts.
        const int last = axes - 1;
        QCOMPARE(setTriggerInEnable(kId, last, 1), 0);
        QCOMPARE(setTriggerStep(kId, last, 2.5), 0);
        QCOMPARE(setPosConpenEnable(kId, last, 1), 0);

        OptionsWidget dialog;
        // Stale states from an earlier opening are replaced by the controller's.
        for (int n = 1; n <= 3; ++n) {
            child<QDoubleSpinBox>(dialog, QStringLiteral("doubleSpinBox_Axis%1").arg(n))->setEnabled(false);
            child<QCheckBox>(dialog, QStringLiteral("checkBox_posConpen_on%1").arg(n))->setChecked(true);
        }
        dialog.refreshFromDevice();
        for (int n = 1; n <= 3; ++n) {
            const bool shown = n <= axes;
            QCOMPARE(!child<QGroupBox>(dialog, QStringLiteral("groupBox_trigger_%1").arg(n))->isHidden(), shown);
            QCOMPARE(!child<QGroupBox>(dialog, QStringLiteral("groupBox_posConpen_%1").arg(n))->isHidden(), shown);
            if (!shown)
                continue;
            const bool isLast = n == axes;
            QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("checkBox_triggerIn_%1").arg(n))->isChecked(), isLast);
            QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("checkBox_triggerOut_%1").arg(n))->isChecked(), false);
            auto *spin = child<QDoubleSpinBox>(dialog, QStringLiteral("doubleSpinBox_Axis%1").arg(n));
            QCOMPARE(spin->isEnabled(), !isLast);
            if (isLast)
                QCOMPARE(spin->value(), 2.5);
            QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("checkBox_posConpen_on%1").arg(n))->isChecked(), isLast);
            QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("checkBox_posConpen_close%1").arg(n))->isChecked(), !isLast);
        }

        // Without a controller nothing is shown and nothing is touched.
        SerialComDev::instance()->closeDevice();
        dialog.refreshFromDevice();
        QVERIFY(child<QGroupBox>(dialog, QStringLiteral("groupBox_trigger_1"))->isHidden());
    }

    void triggerInputIsCheckedAgainstTheTravel()
    {
        QVERIFY(openController(kThreeAxes));
        setTravel(0, -25, 25, "VLS-50");
        OptionsWidget dialog;
        dialog.show();
        click(dialog, QStringLiteral("pushButton_trigger"));
        dialog.refreshFromDevice();
        auto *input = child<QCheckBox>(dialog, QStringLiteral("checkBox_triggerIn_1"));
        auto *spin = child<QDoubleSpinBox>(dialog, QStringLiteral("doubleSpinBox_Axis1"));

        // Just inside the travel of 50: sent, and the displacement is fixed.
        spin->setValue(-50);
        click(dialog, QStringLiteral("checkBox_triggerIn_1"));
        QVERIFY(waitForFrames(0x001F, 1));
        QCOMPARE(framesOf(0x001F).last().axis(), 0);
        QCOMPARE(framesOf(0x001F).last().u16(), 1);
        QVERIFY(waitForFrames(0x0021, 1));
        QCOMPARE(framesOf(0x0021).last().u16(), 0);
        QVERIFY(!spin->isEnabled());

        // Unchecking sends too and frees the displacement.
        click(dialog, QStringLiteral("checkBox_triggerIn_1"));
        QVERIFY(waitForFrames(0x001F, 2));
        QVERIFY(waitForFrames(0x0021, 2));
        QCOMPARE(framesOf(0x001F).last().u16(), 0);
        QVERIFY(spin->isEnabled());

        // Beyond it: refused with the travel in the message, nothing sent.
        vsim_clear_written(kId);
        spin->setValue(50.001);
        {
            MessageBoxAnswer answer(true);
            click(dialog, QStringLiteral("checkBox_triggerIn_1"));
            QVERIFY(answer.seen());
            QCOMPARE(answer.text(), QStringLiteral("位移量超出范围！[-50,50]"));
        }
        QVERIFY(!input->isChecked());
        QTest::qWait(100);
        QCOMPARE(framesOf(0x001F).size(), 0);

        // The output alone is sent with the input's current state.
        click(dialog, QStringLiteral("checkBox_triggerOut_1"));
        QVERIFY(waitForFrames(0x0021, 1));
        QCOMPARE(framesOf(0x0021).last().u16(), 1);
        QCOMPARE(framesOf(0x001F).last().u16(), 0);

        // A stage without a name has no travel to check against: warned, sent.
        vsim_clear_written(kId);
        {
            MessageBoxAnswer answer(true);
            click(dialog, QStringLiteral("checkBox_triggerIn_3"));
            QVERIFY(answer.seen());
            QCOMPARE(answer.text(), QStringLiteral("请匹配位移台实际行程进行设置！"));
        }
        QVERIFY(waitForFrames(0x001F, 1));
        QCOMPARE(framesOf(0x001F).last().axis(), 2);

        // The displacement goes out when editing ends.
        spin->setValue(12.5);
        emit spin->editingFinished();
        QVERIFY(waitForFrames(0x103B, 1));
        QCOMPARE(framesOf(0x103B).last().f64(), 12.5);
    }

    void motorParametersReadAndWrite()
    {
        QVERIFY(openController(kTwoAxes));
        setTravel(1, -180, 180, "VRS-360-with-its-long-model-name");
        OptionsWidget dialog;
        dialog.show();
        child<QStackedWidget>(dialog, QStringLiteral("stackedWidget"))->setCurrentIndex(2);
        child<QComboBox>(dialog, QStringLiteral("comboBox_motorAxis"))->setCurrentIndex(1);
        fillMotorFields(dialog);
        QCOMPARE(child<QLineEdit>(dialog, QStringLiteral("lineEdit_motor_modelName"))->text(),
                 QStringLiteral("VRS-360-with-its-long-model-name"));
        QCOMPARE(child<QLineEdit>(dialog, QStringLiteral("lineEdit_motor_Motor_type"))->text(), QStringLiteral("1"));
        vsim_clear_written(kId);

        // No: nothing written, the status line untouched.
        QCOMPARE(writeAndReport(dialog, false), QString());
        QCOMPARE(written().size(), 0);
        QCOMPARE(blockWrites(), 0);

        // A shorter name leaves nothing of the old one; 70000 pulses fit.
        setField(dialog, "modelName", QStringLiteral("VRS-2"));
        setField(dialog, "pulse", QStringLiteral("70000"));
        setField(dialog, "helicalPitch", QStringLiteral("0.3175"));
        QCOMPARE(writeAndReport(dialog), QStringLiteral("写入电机参数成功"));
        QCOMPARE(framesOf(0x1007).last().axis(), 1);
        QCOMPARE(framesOf(0x1007).last().data.mid(2), QByteArray("VRS-2") + QByteArray(27, '\0'));
        QCOMPARE(quint32(framesOf(0x100B).last().i32()), 70000u);
        MotorParams stored;
        QCOMPARE(getMotorParams(kId, 1, &stored), 0);
        QCOMPARE(stored.pulse, 70000u);
        QCOMPARE(stored.helicalPitch, 0.3175);
        QCOMPARE(stored.minPos, -180.0); // fields the page does not show are kept
        QCOMPARE(stored.maxPos, 180.0);

        // Anything that does not parse or fit: nothing at all is written and
        // the field is named.
        const struct {
            const char *field;
            QString text;
            QString label;
        } bad[] = {
            {"pulse", QStringLiteral("4294967296"), QStringLiteral("一圈的脉冲数")},
            {"pulse", QStringLiteral("-1"), QStringLiteral("一圈的脉冲数")},
            {"helicalPitch", QStringLiteral("abc"), QStringLiteral("导程")},
            {"restoreSpeed", QStringLiteral("inf"), QStringLiteral("回原点的速度")},
            {"Motor_type", QStringLiteral("40000"), QStringLiteral("位移台类型")},
            {"zeroPolarity", QString(), QStringLiteral("零点位极性")},
            {"modelName", QString(33, QLatin1Char('x')), QStringLiteral("型号名称")},
            {"serialNumber", QStringLiteral("SN-") + QChar(0x4F4D), QStringLiteral("序列号")},
        };
        for (const auto &b : bad) {
            fillMotorFields(dialog);
            vsim_clear_written(kId);
            setField(dialog, b.field, b.text);
            QCOMPARE(writeAndReport(dialog), QStringLiteral("%1无效或超出范围，未写入任何参数。").arg(b.label));
            QVERIFY2(blockWrites() == 0, b.field);
        }

        // The block cannot be read first: a fixed code, nothing written.
        fillMotorFields(dialog);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1008, 1), VSIM_OK);
        QCOMPARE(writeAndReport(dialog), QStringLiteral("写入电机参数失败：error（1000）"));
        QCOMPARE(blockWrites(), 0);
        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1008, 1), VSIM_OK);
        click(dialog, QStringLiteral("pushButton_ReadParam"));
        QVERIFY(child<QLabel>(dialog, QStringLiteral("label_msg"))->text().startsWith(QStringLiteral("读取电机参数失败：error（-")));
        QCOMPARE(child<QLineEdit>(dialog, QStringLiteral("lineEdit_motor_modelName"))->text(), QStringLiteral("VRS-2"));
    }

    void compensationSwitchesReachTheController()
    {
        QVERIFY(openController(kTwoAxes));
        OptionsWidget dialog;
        dialog.show();
        click(dialog, QStringLiteral("pushButton_posConpen"));
        dialog.refreshFromDevice();
        click(dialog, QStringLiteral("checkBox_posConpen_on2"));
        QVERIFY(waitForFrames(0x1041, 1));
        QCOMPARE(framesOf(0x1041).last().axis(), 1);
        QCOMPARE(framesOf(0x1041).last().u16(), 1);
        click(dialog, QStringLiteral("checkBox_posConpen_close2"));
        QVERIFY(waitForFrames(0x1041, 2));
        QCOMPARE(framesOf(0x1041).last().u16(), 0);
        QVERIFY(!child<QCheckBox>(dialog, QStringLiteral("checkBox_posConpen_on2"))->isChecked());
    }

    void pageButtonsChooseThePage()
    {
        OptionsWidget dialog;
        auto *pages = child<QStackedWidget>(dialog, QStringLiteral("stackedWidget"));
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("page_language"));
        click(dialog, QStringLiteral("pushButton_trigger"));
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("page_trigger"));
        {
            MessageBoxAnswer answer(true); // the warning comes first, then the page
            click(dialog, QStringLiteral("pushButton_motorParam"));
            QVERIFY(answer.seen());
            QCOMPARE(answer.text(), QStringLiteral("修改电机参数可能会导致电机故障，请谨慎修改！"));
        }
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("page_motorParam"));
        QVERIFY(child<QPushButton>(dialog, QStringLiteral("pushButton_motorParam"))->isChecked());
        click(dialog, QStringLiteral("pushButton_posConpen"));
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("page_posConpen"));
        QVERIFY(!child<QPushButton>(dialog, QStringLiteral("pushButton_motorParam"))->isChecked());
    }
};

QTEST_MAIN(tst_OptionsWidget)
#include "tst_OptionsWidget.moc"

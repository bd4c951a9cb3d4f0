// The axis panel against the virtual controller: what its buttons send, how
// polled states drive the position, lamps, buttons and log, joystick mode,
// the pop-up buttons and the overlays, and the language switch.
#include "CycleOperationWidget.h"
#include "DeviceParamWidget.h"
#include "DriveParamWidget.h"
#include "MoveParamWidget.h"
#include "PanelHarness.h"
#include "AppResources.h"
#include "VelmoControlWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

using namespace panelharness;

namespace {

MotorStageState idleState()
{
    MotorStageState state{};
    state.isCanRun = 1;
    state.isStop = 1;
    state.isEnable = 1;
    return state;
}

// The log's lines without the time lines.
QStringList logLines(const VelmoControlWidget &panel)
{
    const auto *log = panel.findChild<QTextBrowser *>(QStringLiteral("textBrowser_operatioInfo"));
    QStringList lines;
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    for (const QString &line : log->toPlainText().split(QLatin1Char('\n'))) {
        // Each entry's line ends in the blank that follows its text.
        if (!time.match(line).hasMatch() && !line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

} // namespace

class tst_VelmoControlWidget : public QObject
{
    Q_OBJECT

private:
    SerialComDev *service = nullptr;

    // A panel set up the way the main window sets one up.
    VelmoControlWidget *makePanel(int axis, const VelmoDevParam &param = linearStage())
    {
        auto *panel = new VelmoControlWidget;
        connect(service, &SerialComDev::signal_updateCurrentPos, panel, &VelmoControlWidget::slot_updateCurrentPos);
        connect(service, &SerialComDev::signal_updateDevState, panel, &VelmoControlWidget::slot_updateDevState);
        connect(service, &SerialComDev::signal_showOperationMsg, panel, &VelmoControlWidget::slot_showOperationMsg);
        panel->configure(param.name, axis, param);
        panel->logInitialized();
        return panel;
    }

    template<typename T> static T *child(const QWidget &parent, const char *name)
    {
        T *found = parent.findChild<T *>(QLatin1String(name));
        if (found == nullptr)
            qFatal("no child %s", name);
        return found;
    }
    static QPushButton *button(const QWidget &panel, const char *name) { return child<QPushButton>(panel, name); }

    static bool hasCommand(int code, int axis, int direction = -1)
    {
        for (const Written &w : commands()) {
            if (w.code == code && w.axis() == axis && (direction < 0 || w.u16() == direction))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        AppResources::init();
        service = SerialComDev::instance();
    }

    void init() { QVERIFY(openController(R"({"timeScale": 10})")); }
    void cleanup() { service->closeDevice(); }

    void pollingShowsPositionSerialAndLamps()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        auto *position = child<QLabel>(*panel, "label_currentPos");
        QTRY_COMPARE_WITH_TIMEOUT(position->text(), QStringLiteral("10.000 mm"), 2000);
        // The polls go on while the panel is hidden, and only for its axis.
        panel->hide();
        vsim_clear_written(kId);
        QTest::qWait(350);
        const QList<Written> frames = written();
        int polls = 0;
        for (const Written &w : frames) {
            QVERIFY(w.code == 0x0023 || w.code == 0x0024);
            QCOMPARE(w.axis(), 0);
            ++polls;
        }
        QVERIFY2(polls >= 4 && polls <= 10, qPrintable(QString::number(polls)));

        QCOMPARE(logLines(*panel).value(0), QStringLiteral("初始化运动轴参数成功"));
        QCOMPARE(logLines(*panel).value(1), QStringLiteral("位移台序列号：L50-00017"));

        // An idle axis: stopped (gray), not homed (gray); homing lights both
        // while it runs and leaves the origin lamp green.
        auto *doing = child<QLabel>(*panel, "label_doingLight");
        auto *origin = child<QLabel>(*panel, "label_originLight");
        QTRY_VERIFY_WITH_TIMEOUT(doing->styleSheet().contains(QLatin1String("grayPot")), 2000);
        panel->show();
        QTest::mouseClick(button(*panel, "pushButton_home"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hasCommand(0x0003, 0), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(origin->styleSheet().contains(QLatin1String("greenPot")), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(doing->styleSheet().contains(QLatin1String("grayPot")), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(position->text(), QStringLiteral("0.000 mm"), 5000);
    }

    void buttonsSendTheirCommands_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("direction");
        QTest::newRow("move") << "pushButton_move" << 0x0001 << -1;
        QTest::newRow("jog right") << "pushButton_jogRight" << 0x0004 << 1;
        QTest::newRow("jog left") << "pushButton_jogLeft" << 0x0004 << 2;
        QTest::newRow("drive right") << "pushButton_driveRight" << 0x0005 << 1;
        QTest::newRow("drive left") << "pushButton_driveLeft" << 0x0005 << 2;
        QTest::newRow("home") << "pushButton_home" << 0x0003 << -1;
        QTest::newRow("stop") << "pushButton_stop" << 0x0002 << -1;
    }

    void buttonsSendTheirCommands()
    {
        QFETCH(QString, buttonName);
        QFETCH(int, code);
        QFETCH(int, direction);
        QScopedPointer<VelmoControlWidget> panel(makePanel(1));
        panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(button(*panel, "pushButton_move")->isEnabled(), 2000);
        vsim_clear_written(kId);
        QTest::mouseClick(button(*panel, buttonName.toLatin1().constData()), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hasCommand(code, 1, direction), 2000);
        QCOMPARE(commands().size(), 1);
        // The service's answer lands in this panel's log.
        QTRY_VERIFY_WITH_TIMEOUT(logLines(*panel).last().endsWith(QStringLiteral("操作成功")), 2000);
        QTest::mouseClick(button(*panel, "pushButton_stop"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hasCommand(0x0002, 1), 2000);
    }

    void enableButtonFollowsTheController()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        QPushButton *enable = button(*panel, "pushButton_enable");
        QTRY_VERIFY_WITH_TIMEOUT(enable->isChecked(), 2000); // the default axis is enabled
        QTest::mouseClick(enable, Qt::LeftButton);
        QVERIFY(!enable->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(hasCommand(0x0025, 0, 0), 2000);
        // Disabled: the controller refuses motion, so the motion buttons go.
        QTRY_VERIFY_WITH_TIMEOUT(!button(*panel, "pushButton_move")->isEnabled(), 2000);
        QVERIFY(enable->isEnabled());
        QTest::qWait(400);
        QVERIFY(!enable->isChecked());

    }

    void enableButtonSettlesOnWhatTheControllerKeeps()
    {
        // Readings fed by hand: the controller keeps the axis disabled
        // although the button was pressed (a refused or lost command).
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        QObject::disconnect(service, nullptr, panel.data(), nullptr);
        panel->show();
        QPushButton *enable = button(*panel, "pushButton_enable");
        MotorStageState state = idleState();
        state.isEnable = 0;
        panel->slot_updateDevState(0, state);
        QVERIFY(!enable->isChecked());
        QTest::mouseClick(enable, Qt::LeftButton);
        QVERIFY(enable->isChecked());
        // Readings that may predate the command do not flip it back...
        panel->slot_updateDevState(0, state);
        panel->slot_updateDevState(0, state);
        QVERIFY(enable->isChecked());
        // ...but a controller that stays disabled is believed.
        panel->slot_updateDevState(0, state);
        QVERIFY(!enable->isChecked());
        // An accepted command: the reading agrees and the button stays.
        QTest::mouseClick(enable, Qt::LeftButton);
        state.isEnable = 1;
        for (int reading = 0; reading < 5; ++reading)
            panel->slot_updateDevState(0, state);
        QVERIFY(enable->isChecked());
    }

    void driveIntoTheLimitWritesOneRedMessage()
    {
        service->closeDevice();
        QVERIFY(openController(R"({"timeScale": 10, "controllers": [{"axes": [
            {"stage": "VLS-50", "position": 45, "speed": 10, "acceleration": 50}, {"stage": "VRS-360"}]}]})"));
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(button(*panel, "pushButton_driveRight")->isEnabled(), 2000);
        QTest::mouseClick(button(*panel, "pushButton_driveRight"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(logLines(*panel).contains(QStringLiteral("已到达正限位！")), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(*panel, "label_currentPos")->text(), QStringLiteral("50.000 mm"), 3000);
        QTest::qWait(300); // still on the switch: no second message
        QCOMPARE(logLines(*panel).count(QStringLiteral("已到达正限位！")), 1);
        const auto *log = child<QTextBrowser>(*panel, "textBrowser_operatioInfo");
        QVERIFY(log->toHtml().contains(QLatin1String("#ff0000")));
    }

    void stateEdgesAndLamps()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(2));
        QSignalSpy running(panel.data(), &VelmoControlWidget::signal_broadcastRunningState);
        auto *doing = child<QLabel>(*panel, "label_doingLight");
        auto *origin = child<QLabel>(*panel, "label_originLight");
        QVERIFY(doing->styleSheet().isEmpty()); // the style sheet's gray until a state arrives

        // The first reading is shown in full, even where it equals the
        // all-zero start: a running axis lights its lamp at once.
        MotorStageState state = idleState();
        state.isStop = 0;
        state.isCanRun = 0;
        panel->slot_updateDevState(2, state);
        QCOMPARE(running.count(), 1);
        QCOMPARE(running.last().at(0).toBool(), false);
        QVERIFY(doing->styleSheet().contains(QLatin1String("greenPot")));
        QVERIFY(origin->styleSheet().contains(QLatin1String("grayPot")));
        QVERIFY(!button(*panel, "pushButton_move")->isEnabled());
        state.isCanRun = 1;
        state.isHome = 1;
        panel->slot_updateDevState(2, state);
        QCOMPARE(running.count(), 1);
        QVERIFY(button(*panel, "pushButton_move")->isEnabled());
        QVERIFY(doing->styleSheet().contains(QLatin1String("greenPot")));
        QVERIFY(origin->styleSheet().contains(QLatin1String("greenPot")));
        panel->slot_updateDevState(2, state); // no change, no signal
        QCOMPARE(running.count(), 1);
        state.isStop = 1;
        panel->slot_updateDevState(2, state);
        QCOMPARE(running.last().at(0).toBool(), true);
        QVERIFY(doing->styleSheet().contains(QLatin1String("grayPot")));

        // Another axis's state changes nothing here.
        MotorStageState other{};
        other.isLeftLimit = 1;
        panel->slot_updateDevState(0, other);
        panel->slot_updateCurrentPos(0, 3.0);
        QVERIFY(button(*panel, "pushButton_move")->isEnabled());
        QCOMPARE(child<QLabel>(*panel, "label_currentPos")->text(), QStringLiteral("0.0"));

        // Limit messages at rising edges only: 0 -> 1 -> 1 -> 0 -> 1.
        const int before = logLines(*panel).size();
        for (int flag : {1, 1, 0, 1}) {
            state.isLeftLimit = uint16_t(flag);
            panel->slot_updateDevState(2, state);
        }
        state.isHomeFault = 1;
        panel->slot_updateDevState(2, state);
        const QStringList added = logLines(*panel).mid(before);
        QCOMPARE(added, (QStringList{QStringLiteral("已到达负限位！"), QStringLiteral("已到达负限位！"),
                                     QStringLiteral("原点限位光耦失效")}));

        // isCanRun drives the motion buttons and home, never stop or enable.
        state.isCanRun = 0;
        panel->slot_updateDevState(2, state);
        for (const char *name : {"pushButton_circle", "pushButton_driveLeft", "pushButton_driveParam",
                                 "pushButton_driveRight", "pushButton_jogLeft", "pushButton_jogParam",
                                 "pushButton_jogRight", "pushButton_move", "pushButton_moveParam", "pushButton_home"})
            QVERIFY2(!button(*panel, name)->isEnabled(), name);
        QVERIFY(button(*panel, "pushButton_stop")->isEnabled());
        QVERIFY(button(*panel, "pushButton_enable")->isEnabled());
    }

    void positionText()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(1));
        auto *position = child<QLabel>(*panel, "label_currentPos");
        panel->slot_updateCurrentPos(1, -0.0004);
        QCOMPARE(position->text(), QStringLiteral("-0.000 mm"));
        panel->slot_updateCurrentPos(1, 1234.5);
        QCOMPARE(position->text(), QStringLiteral("1234.500 mm"));
        panel->setUnit(QStringLiteral("°"));
        panel->slot_updateCurrentPos(1, 90);
        QCOMPARE(position->text(), QStringLiteral("90.000 °"));
    }

    void logEntriesAndTheRunCountLine()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        auto *log = child<QTextBrowser>(*panel, "textBrowser_operatioInfo");
        log->clear();
        panel->slot_showOperationMsg(0, 3, 5, QStringLiteral("x"));
        panel->slot_showOperationMsg(1, 3, 5, QStringLiteral("other axis"));
        QStringList all = log->toPlainText().split(QLatin1Char('\n'));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(all.value(0)).hasMatch());
        QCOMPARE(all.value(1), QStringLiteral("步进 x 操作成功 "));
        QCOMPARE(logLines(*panel).size(), 1);

        // A run of 3, 4, 5 then 0 leaves one count line, the last one finished.
        MotorStageState state = idleState();
        for (int count : {3, 4, 5, 0}) {
            state.currentJog = count;
            panel->slot_updateDevState(0, state);
        }
        QCOMPARE(logLines(*panel), (QStringList{QStringLiteral("步进 x 操作成功"), QStringLiteral("当前运行次数 5 运行完成")}));
        // Any other entry after a count line keeps that line.
        panel->slot_showOperationMsg(0, 3, 5, QStringLiteral("z"));
        state.currentJog = 1;
        panel->slot_updateDevState(0, state);
        panel->slot_showOperationMsg(0, 2, 8, QStringLiteral("y"));
        state.currentJog = 2;
        panel->slot_updateDevState(0, state);
        QCOMPARE(logLines(*panel).mid(1),
                 (QStringList{QStringLiteral("当前运行次数 5 运行完成"), QStringLiteral("步进 z 操作成功"),
                              QStringLiteral("当前运行次数 1 运行中"), QStringLiteral("停止 y 操作失败"),
                              QStringLiteral("当前运行次数 2 运行中")}));
    }

    void runCountLineIsReplacedInEnglishToo()
    {
        QTranslator translator;
        QVERIFY(translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
        QCoreApplication::installTranslator(&translator);
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        child<QTextBrowser>(*panel, "textBrowser_operatioInfo")->clear();
        MotorStageState state = idleState();
        for (int count : {1, 2, 3, 0}) {
            state.currentJog = count;
            panel->slot_updateDevState(0, state);
        }
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(logLines(*panel), QStringList{QStringLiteral("current run count 3 Operation completed")});
    }

    void joystickMode()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        MotorStageState state = idleState();
        panel->slot_updateDevState(0, state);
        panel->setRockerSpeed(5); // 5 x 20 / 10
        QCOMPARE(child<QLabel>(*panel, "label_rockerSpeed")->text(), QStringLiteral("10 mm/s"));

        panel->setMoveBtnEnabled(false);
        QVERIFY(panel->isRockerMode());
        QVERIFY(child<QLabel>(*panel, "label_rockerSpeed")->isVisible());
        QVERIFY(!button(*panel, "pushButton_move")->isVisible());
        QVERIFY(!child<QLabel>(*panel, "label_6")->isVisible());
        QVERIFY(!button(*panel, "pushButton_enable")->isEnabled());
        QVERIFY(!button(*panel, "pushButton_circle")->isEnabled());

        // In joystick mode only home follows the axis.
        state.isCanRun = 0;
        panel->slot_updateDevState(0, state);
        QVERIFY(!button(*panel, "pushButton_home")->isEnabled());
        QVERIFY(!button(*panel, "pushButton_circle")->isEnabled());
        button(*panel, "pushButton_move")->setEnabled(true);
        state.isCanRun = 1;
        panel->slot_updateDevState(0, state);
        QVERIFY(button(*panel, "pushButton_home")->isEnabled());
        state.isCanRun = 0;
        panel->slot_updateDevState(0, state);
        QVERIFY(button(*panel, "pushButton_move")->isEnabled()); // untouched while hidden

        // Leaving joystick mode while the axis cannot run brings the motion
        // buttons back, disabled, and the next state enables them.
        panel->setMoveBtnEnabled(true);
        QVERIFY(!panel->isRockerMode());
        QVERIFY(button(*panel, "pushButton_move")->isVisible());
        QVERIFY(!button(*panel, "pushButton_move")->isEnabled());
        QVERIFY(button(*panel, "pushButton_enable")->isEnabled());
        QVERIFY(!child<QLabel>(*panel, "label_rockerSpeed")->isVisible());
        state.isCanRun = 1;
        panel->slot_updateDevState(0, state);
        QVERIFY(button(*panel, "pushButton_move")->isEnabled());
        QVERIFY(button(*panel, "pushButton_circle")->isEnabled());
    }

    void parameterPopupsHangFromTheirButtons()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->move(0, 0);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.data()));
        QTRY_VERIFY_WITH_TIMEOUT(button(*panel, "pushButton_moveParam")->isEnabled(), 2000);

        QPushButton *moveParam = button(*panel, "pushButton_moveParam");
        MoveParamWidget *move = panel->moveParamWidget();
        QTest::mouseClick(moveParam, Qt::LeftButton);
        QVERIFY(moveParam->isChecked());
        QVERIFY(move->isVisible());
        QCOMPARE(move->pos(), moveParam->mapToGlobal(QPoint(moveParam->width() / 2 - 230, moveParam->height())));
        // It shows what the service holds for the axis.
        QCOMPARE(child<QDoubleSpinBox>(*move, "doubleSpinBox_speed")->value(), service->axisSpeed(0));

        // Losing the activation (a click elsewhere) closes it and unchecks the button.
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(move, &deactivate);
        QVERIFY(!move->isVisible());
        QVERIFY(!moveParam->isChecked());
        // Unchecking the button closes an open pop-up as well.
        QTest::mouseClick(moveParam, Qt::LeftButton);
        QVERIFY(move->isVisible());
        QTest::mouseClick(moveParam, Qt::LeftButton);
        QVERIFY(!move->isVisible());

        // A press on the button of the open pop-up takes the activation
        // first; the click that follows must not open it again.
        QTest::mouseClick(moveParam, Qt::LeftButton);
        QVERIFY(move->isVisible());
        QCursor::setPos(moveParam->mapToGlobal(moveParam->rect().center()));
        QCoreApplication::sendEvent(move, &deactivate);
        QTest::mouseClick(moveParam, Qt::LeftButton);
        QVERIFY(!move->isVisible());
        QVERIFY(!moveParam->isChecked());
        QCursor::setPos(0, 0);

        // The drive pop-up hangs below when there is room, above when not.
        QPushButton *driveParam = button(*panel, "pushButton_driveParam");
        DriveParamWidget *drive = panel->driveParamWidget();
        QTest::mouseClick(driveParam, Qt::LeftButton);
        QCOMPARE(drive->pos(), driveParam->mapToGlobal(QPoint(driveParam->width() / 2 - 230, driveParam->height())));
        QVERIFY(drive->styleSheet().contains(QLatin1String("driveParamUp.png")));
        QTest::mouseClick(driveParam, Qt::LeftButton);
        QVERIFY(!drive->isVisible());

        const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
        panel->move(0, screenHeight - panel->height());
        QTRY_VERIFY(driveParam->mapToGlobal(QPoint(0, driveParam->height())).y() + drive->height() > screenHeight);
        QTest::mouseClick(driveParam, Qt::LeftButton);
        QCOMPARE(drive->pos(), driveParam->mapToGlobal(QPoint(driveParam->width() / 2 - 230, -120)));
        QVERIFY(drive->styleSheet().contains(QLatin1String("settings/driveParam.png")));
        QTest::mouseClick(driveParam, Qt::LeftButton);

        // Without the panel's choice the application style points downwards.
        const QRegularExpression rule(QStringLiteral("(^|\\n)DriveParamWidget\\s*\\{[^}]*url\\(([^)]*)\\)"));
        const QRegularExpressionMatch match = rule.match(AppResources::styleSheet());
        QVERIFY(match.hasMatch());
        QCOMPARE(match.captured(2), QStringLiteral(":/image/settings/driveParam.png"));
    }

    void overlaysCoverThePanel()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(button(*panel, "pushButton_circle")->isEnabled(), 2000);
        QTest::mouseClick(button(*panel, "pushButton_circle"), Qt::LeftButton);
        CycleOperationWidget *cycle = panel->cycleOperationWidget();
        QVERIFY(cycle->isVisible());
        QCOMPARE(cycle->geometry(), panel->rect());
        QCOMPARE(cycle->axis(), 0);
        QCOMPARE(child<QSpinBox>(*cycle, "spinBox_time")->value(), service->axisCircleCount(0));
        QCOMPARE(child<QDoubleSpinBox>(*cycle, "doubleSpinBox_speed")->value(), service->axisSpeed(0));

        // The cycle overlay hears from the panel whether the axis runs.
        MotorStageState state = idleState();
        state.isStop = 0;
        panel->slot_updateDevState(0, state);
        QVERIFY(!cycle->isStopped());
        state.isStop = 1;
        panel->slot_updateDevState(0, state);
        QVERIFY(cycle->isStopped());

        panel->setFixedSize(1060, 560);
        QCOMPARE(cycle->size(), QSize(1060, 560));
        QCOMPARE(panel->deviceParamWidget()->size(), QSize(1060, 560));

        // The device parameter overlay takes the panel's axis.
        panel->setAxisIndex(2);
        QCOMPARE(panel->deviceParamWidget()->axis(), 2);
        QCOMPARE(panel->moveParamWidget()->axis(), 2);
    }

    void removeAndExpandAnnounceThemselves()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(1));
        panel->show();
        QSignalSpy closed(panel.data(), &VelmoControlWidget::signal_closed);
        QTest::mouseClick(button(*panel, "pushButton_remove"), Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("Axis2"));
        QVERIFY(!button(*panel, "pushButton_expand")->isVisible());
        QVERIFY(!button(*panel, "pushButton_setting")->isVisible());
    }

    void languageChangeReappliesTexts()
    {
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->setRockerSpeed(5);
        QTranslator translator;
        QVERIFY(translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
        QCoreApplication::installTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(button(*panel, "pushButton_home")->toolTip(), QStringLiteral("Home position return"));
        QCOMPARE(child<QLabel>(*panel, "label_doing")->text(), QStringLiteral("Doing"));
        QCOMPARE(child<QLabel>(*panel, "label_axisName")->text(), QStringLiteral("Axis1"));
        QCOMPARE(child<QLabel>(*panel, "label_modelName")->text(), QStringLiteral("VLS-50"));
        QCOMPARE(child<QLabel>(*panel, "label_rockerSpeed")->text(), QStringLiteral("10 mm/s"));
        QCOMPARE(child<QLabel>(*panel->cycleOperationWidget(), "label_speedUnit")->text(), QStringLiteral("mm/s"));
        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(button(*panel, "pushButton_home")->toolTip(), QStringLiteral("回到原点"));
    }
};

QTEST_MAIN(tst_VelmoControlWidget)
#include "tst_VelmoControlWidget.moc"

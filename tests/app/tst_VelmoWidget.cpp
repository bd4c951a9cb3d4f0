// The main window end to end against the virtual controller: connecting
// through the connection dialog, axis auto-detection, the axis buttons and
// the panel grid, closing and re-showing panels, joystick mode following the
// heartbeat, disconnecting, unplugging, and how long the GUI thread may stall.
#include "AddControlsWidget.h"
#include "AppResources.h"
#include "ConnectionWidget.h"
#include "DebugWidget.h"
#include "Heart.h"
#include "EventLoopGaps.h"
#include "IsolatedSettings.h"
#include "OptionsWidget.h"
#include "PanelHarness.h"
#include "SerialPortChangeFilter.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSettings>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QtTest>

using namespace panelharness;

namespace {

// Three axes; only the second (index 1) carries a programmed ID chip.
const char kOneOfThree[] = R"({"timeScale": 4, "controllers": [{"axes": [{}, {"stage": "VRS-360"}, {}]}]})";
// Three axes, all identified.
const char kThreeOfThree[] =
    R"({"timeScale": 4, "controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {"stage": "VLS-50"}]}]})";
// Eleven axes; indexes 0, 1 and 9 identified.
const char kElevenAxes[] = R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {}, {}, {}, {}, {},
    {}, {}, {"stage": "VLS-50"}, {}]}]})";
// The default controller with its joystick switched on.
const char kJoystickOn[] = R"({"controllers": [{"joystick": {"present": true, "enabled": true, "speed": 3}}]})";

// Every warning Qt or the program prints while a test runs.
QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // The offscreen platform cannot pass size hints or stacking to a window system.
    const bool platformLimit = text.contains(QLatin1String("does not support propagateSizeHints"))
        || text.contains(QLatin1String("does not support raise()"));
    if ((type == QtWarningMsg || type == QtCriticalMsg) && !platformLimit)
        g_warnings << text;
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, text);
}

// The size the grid asks for, within the window's minimum size (its bars
// and the scroll area's least size).
QSize expectedSize(const VelmoWidget &window, int shownPanels)
{
    return VelmoWidget::gridWindowSize(shownPanels).expandedTo(window.minimumSize());
}

QStringList texts(const QList<QPushButton *> &buttons)
{
    QStringList result;
    for (const QPushButton *button : buttons)
        result << button->text();
    return result;
}

QStringList panelNames(const VelmoWidget &window, bool shownOnly = false)
{
    QStringList result;
    for (VelmoControlWidget *control : window.controlWidgets()) {
        if (!shownOnly || window.isControlShown(control))
            result << control->axisName();
    }
    return result;
}

int writtenCount(int code)
{
    int count = 0;
    for (const Written &w : written())
        count += w.code == code ? 1 : 0;
    return count;
}

} // namespace

class tst_VelmoWidget : public QObject
{
    Q_OBJECT

private:
    SerialComDev *service = nullptr;
    QScopedPointer<IsolatedSettings> settings;

    // Opens the connection dialog from the menu bar and connects to the
    // controller it lists first, with the mouse.
    void connectThroughDialog(VelmoWidget &window)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_connect")), Qt::LeftButton);
        ConnectionWidget *dialog = window.connectionWidget();
        QVERIFY(dialog->isVisible());
        auto *list = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_comList"));
        QVERIFY(list->count() >= 1);
        QCOMPARE(list->currentData().toInt(), kId);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_connectSerial")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(service->isConnected());
    }

    void disconnectThroughDialog(VelmoWidget &window)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_connect")), Qt::LeftButton);
        ConnectionWidget *dialog = window.connectionWidget();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_disConnect")), Qt::LeftButton);
        QVERIFY(dialog->isVisible()); // disconnecting keeps the dialog open
        dialog->hide();
    }

private slots:
    void initTestCase()
    {
        settings.reset(new IsolatedSettings);
        AppResources::init(); // as the program does before its window
        g_previousHandler = qInstallMessageHandler(collectWarnings);
        service = SerialComDev::instance();
    }

    void init()
    {
        service->closeDevice();
        service->setConnected(false);
        g_warnings.clear();
    }

    void cleanup()
    {
        service->closeDevice();
        service->setConnected(false);
        QCOMPARE(g_warnings, QStringList());
    }

    // No button shows the developer panel; Ctrl+Shift+D on the main window
    // does, as a window of its own that the main window ends with itself.
    void theDebugPanelOpensFromTheKeyboard()
    {
        QPointer<DebugWidget> panel;
        {
            VelmoWidget window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QApplication::setActiveWindow(&window);
            QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pushButton_debug"))->isHidden());
            panel = window.debugWidget();
            QVERIFY(panel);
            QVERIFY(panel->isWindow());
            QCOMPARE(panel->parentWidget(), nullptr);
            QVERIFY(!panel->isVisible());

            QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(panel->isVisible());
            QCOMPARE(VelmoWidget::debugPanelShortcut().toString(), QStringLiteral("Ctrl+Shift+D"));
        }
        QVERIFY(panel.isNull());
    }

    void aNewWindowIsEmptyAndQuiet()
    {
        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        VelmoWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(window.controlWidgets().isEmpty());
        QVERIFY(window.axisButtons().isEmpty());
        QCOMPARE(window.maxAxisCount(), 0);
        QVERIFY(!window.heart()->isBeating());
        auto *rocker = window.findChild<QRadioButton *>(QStringLiteral("radioButton_Rocker"));
        QVERIFY(!rocker->isVisible());
        QVERIFY(!rocker->isEnabled());
        QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("pushButton_debug"))->isVisible());
        // Nothing happened on the bus but the enumeration.
        QCOMPARE(vsim_open_handles(kId), 0);

        // Adding an axis needs a controller.
        MessageBoxAnswer answer(true);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_addAsix")), Qt::LeftButton);
        QVERIFY(answer.seen());
        QCOMPARE(answer.text(), QStringLiteral("设备未连接，请连接设备后继续操作!"));
    }

    void connectingCreatesPanelsOnlyForIdentifiedAxes()
    {
        QCOMPARE(vsim_load_scenario(kOneOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);

        QCOMPARE(window.maxAxisCount(), 3);
        QCOMPARE(panelNames(window), QStringList{QStringLiteral("Axis2")});
        QCOMPARE(texts(window.axisButtons()), QStringList{QStringLiteral("Axis2")});
        QVERIFY(window.isAutoDetected(window.axisButtons().first()));
        QVERIFY(window.heart()->isBeating());
        VelmoControlWidget *panel = window.controlWidgets().first();
        QCOMPARE(panel->axisIndex(), 1);
        QCOMPARE(panel->modelName(), QStringLiteral("VRS-360"));
        QCOMPARE(panel->unit(), QStringLiteral("°"));
        QCOMPARE(panel->devParam().maxPos, 360.0);
        QCOMPARE(VelmoWidget::gridWindowSize(1), QSize(820, 590));
        QCOMPARE(window.size(), expectedSize(window, 1));

        // The panel polls its own axis through the service.
        vsim_clear_written(kId);
        QTRY_VERIFY_WITH_TIMEOUT(writtenCount(0x0023) >= 3, 2000);
        for (const Written &w : written()) {
            if (w.code == 0x0023 || w.code == 0x0024)
                QCOMPARE(w.axis(), 1);
        }
        QCOMPARE(window.freeAxisNames(), (QStringList{QStringLiteral("Axis1"), QStringLiteral("Axis3")}));
    }

    void gridSizesAndPlaces()
    {
        QCOMPARE(VelmoWidget::gridWindowSize(0), QSize(820, 140));
        QCOMPARE(VelmoWidget::gridWindowSize(3), QSize(1630, 1040));

        QCOMPARE(vsim_load_scenario(kThreeOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        QCOMPARE(panelNames(window), (QStringList{QStringLiteral("Axis1"), QStringLiteral("Axis2"), QStringLiteral("Axis3")}));
        QCOMPARE(window.size(), expectedSize(window, 3));
        QTest::qWait(50);
        // Two per row, in axis order.
        const QList<VelmoControlWidget *> panels = window.controlWidgets();
        QCOMPARE(panels.at(0)->pos().y(), panels.at(1)->pos().y());
        QVERIFY(panels.at(0)->pos().x() < panels.at(1)->pos().x());
        QCOMPARE(panels.at(2)->pos().x(), panels.at(0)->pos().x());
        QVERIFY(panels.at(2)->pos().y() > panels.at(0)->pos().y());

        // Every axis has a panel: no more may be added.
        MessageBoxAnswer full(true);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_addAsix")), Qt::LeftButton);
        QCOMPARE(full.text(), QStringLiteral("轴数量已达上限!"));
        MessageBoxAnswer over(true);
        window.slot_addControl(QStringLiteral("VLS-50"), 2, panels.at(2)->devParam());
        QCOMPARE(over.text(), QStringLiteral("轴数量超出上限,请检查操作窗口后继续操作！"));
        QCOMPARE(window.controlWidgets().size(), 3);
        QCOMPARE(window.axisButtons().size(), 3);
    }

    void axisButtonsSortByText()
    {
        QCOMPARE(vsim_load_scenario(kElevenAxes), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        QCOMPARE(texts(window.axisButtons()),
                 (QStringList{QStringLiteral("Axis1"), QStringLiteral("Axis10"), QStringLiteral("Axis2")}));
        // The bar: connect first, the axes, add-axis last.
        QLayout *bar = window.findChild<QWidget *>(QStringLiteral("widget_menuBar"))->layout();
        QCOMPARE(bar->itemAt(0)->widget()->objectName(), QStringLiteral("pushButton_connect"));
        QCOMPARE(bar->itemAt(4)->widget()->objectName(), QStringLiteral("pushButton_addAsix"));
        // Panels stay in axis order.
        QCOMPARE(panelNames(window), (QStringList{QStringLiteral("Axis1"), QStringLiteral("Axis2"), QStringLiteral("Axis10")}));
    }

    void closingHidesIdentifiedPanelsAndDeletesAddedOnes()
    {
        QCOMPARE(vsim_load_scenario(kOneOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);

        // An axis added by hand: the service reads its parameters first.
        vsim_clear_written(kId);
        VelmoDevParam model;
        model.name = QStringLiteral("VLS-50");
        model.unitString = QStringLiteral("mm");
        model.maxPos = 50;
        model.maxSpeed = 10;
        model.maxAcc = 50;
        window.slot_addControl(model.name, 2, model);
        QVERIFY(writtenCount(0x000A) >= 1); // the speed read of initAxis
        QCOMPARE(texts(window.axisButtons()), (QStringList{QStringLiteral("Axis2"), QStringLiteral("Axis3")}));
        QVERIFY(!window.isAutoDetected(window.axisButtons().at(1)));
        QCOMPARE(window.size(), expectedSize(window, 2));
        QCOMPARE(window.freeAxisNames(), QStringList{QStringLiteral("Axis1")});

        VelmoControlWidget *identified = window.controlWidgets().at(0);
        VelmoControlWidget *added = window.controlWidgets().at(1);

        // Cancelling the question keeps the panel.
        {
            MessageBoxAnswer cancel(false);
            QTest::mouseClick(identified->findChild<QPushButton *>(QStringLiteral("pushButton_remove")), Qt::LeftButton);
            QCOMPARE(cancel.text(), QStringLiteral("您确定要关闭控制轴窗口吗?"));
            QVERIFY(window.isControlShown(identified));
        }
        // The identified axis: hidden, still listed, still not offered.
        {
            MessageBoxAnswer confirm(true);
            QTest::mouseClick(identified->findChild<QPushButton *>(QStringLiteral("pushButton_remove")), Qt::LeftButton);
            QVERIFY(confirm.seen());
        }
        QVERIFY(!window.isControlShown(identified));
        QVERIFY(!identified->isVisible());
        QCOMPARE(panelNames(window), (QStringList{QStringLiteral("Axis2"), QStringLiteral("Axis3")}));
        QCOMPARE(panelNames(window, true), QStringList{QStringLiteral("Axis3")});
        QCOMPARE(window.axisButtons().size(), 2);
        QCOMPARE(window.freeAxisNames(), QStringList{QStringLiteral("Axis1")});
        QCOMPARE(window.size(), expectedSize(window, 1));
        // Its button shows it again, before the other one in the grid.
        QTest::mouseClick(window.axisButtons().at(0), Qt::LeftButton);
        QVERIFY(window.isControlShown(identified));
        QVERIFY(identified->isVisible());
        QTest::qWait(20);
        QVERIFY(identified->pos().x() < added->pos().x());
        QCOMPARE(window.size(), expectedSize(window, 2));

        // The axis added by hand: panel and button go, the axis is free again.
        QPointer<VelmoControlWidget> gone = added;
        {
            MessageBoxAnswer confirm(true);
            QTest::mouseClick(added->findChild<QPushButton *>(QStringLiteral("pushButton_remove")), Qt::LeftButton);
            QVERIFY(confirm.seen());
        }
        QTRY_VERIFY(gone.isNull());
        QCOMPARE(panelNames(window), QStringList{QStringLiteral("Axis2")});
        QCOMPARE(texts(window.axisButtons()), QStringList{QStringLiteral("Axis2")});
        QCOMPARE(window.freeAxisNames(), (QStringList{QStringLiteral("Axis1"), QStringLiteral("Axis3")}));
    }

    void joystickModeFollowsTheHeartbeat()
    {
        QCOMPARE(vsim_load_scenario(kJoystickOn), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        auto *rocker = window.findChild<QRadioButton *>(QStringLiteral("radioButton_Rocker"));
        // The controller's joystick is on: joystick mode from the start.
        QVERIFY(rocker->isChecked());
        for (VelmoControlWidget *control : window.controlWidgets())
            QVERIFY(control->isRockerMode());
        // The first beat offers the control and hands out the speed level.
        QTRY_VERIFY_WITH_TIMEOUT(rocker->isVisible() && rocker->isEnabled(), 3000);
        QCOMPARE(int(window.heart()->controlerState().rockerSpeed), 3);

        // The joystick is switched off at the controller: joystick mode ends
        // everywhere and the control goes away.
        {
            QMutexLocker lock(&SerialComDev::libMutex);
            QCOMPARE(setRockerEnable(kId, 0), 0);
        }
        vsim_clear_written(kId);
        QTRY_VERIFY_WITH_TIMEOUT(!rocker->isVisible(), 3000);
        QVERIFY(!rocker->isEnabled());
        QVERIFY(!rocker->isChecked());
        for (VelmoControlWidget *control : window.controlWidgets())
            QVERIFY(!control->isRockerMode());
        QTRY_VERIFY_WITH_TIMEOUT(writtenCount(0x0027) == 1, 2000); // the service was told

        // A new panel while joystick mode is on starts in it.
        rocker->setEnabled(true);
        rocker->show();
        QTest::mouseClick(rocker, Qt::LeftButton);
        QVERIFY(rocker->isChecked());
        for (VelmoControlWidget *control : window.controlWidgets())
            QVERIFY(control->isRockerMode());
        // A second click switches joystick mode off again.
        QTest::mouseClick(rocker, Qt::LeftButton);
        QVERIFY(!rocker->isChecked());
        for (VelmoControlWidget *control : window.controlWidgets())
            QVERIFY(!control->isRockerMode());
    }

    void disconnectingRemovesEverything()
    {
        QCOMPARE(vsim_load_scenario(kOneOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        VelmoDevParam model;
        model.name = QStringLiteral("VLS-50");
        model.unitString = QStringLiteral("mm");
        model.maxPos = 50;
        window.slot_addControl(model.name, 0, model);
        {
            MessageBoxAnswer confirm(true);
            QTest::mouseClick(window.controlWidgets().at(1)->findChild<QPushButton *>(QStringLiteral("pushButton_remove")),
                              Qt::LeftButton);
        }
        QCOMPARE(window.controlWidgets().size(), 2);

        disconnectThroughDialog(window);
        QVERIFY(window.controlWidgets().isEmpty());
        QVERIFY(window.axisButtons().isEmpty());
        QVERIFY(window.findChildren<VelmoControlWidget *>().isEmpty());
        QVERIFY(!window.heart()->isBeating());
        QVERIFY(!service->isConnected());
        QCOMPARE(vsim_open_handles(kId), 0);
        QCOMPARE(window.maxAxisCount(), 3); // kept
        QCOMPARE(window.size(), expectedSize(window, 0));
        // Nothing polls any more.
        vsim_clear_written(kId);
        QTest::qWait(300);
        QCOMPARE(vsim_written_count(kId), 0);

        // Connecting again starts over.
        connectThroughDialog(window);
        QCOMPARE(panelNames(window), QStringList{QStringLiteral("Axis2")});
    }

    void unplugIsReportedAndTheGuiKeepsRunning()
    {
        QCOMPARE(vsim_load_scenario(kThreeOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        EventLoopGaps meter;

        // Another device comes and goes: the controller is still there.
        window.portChangeFilter()->handleDeviceEvent("add", "usb_device");
        QTest::qWait(100);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        QCOMPARE(vsim_set_plugged(kId, 0), VSIM_OK);
        MessageBoxAnswer lost(true);
        window.portChangeFilter()->handleDeviceEvent("remove", "usb_device");
        QTRY_VERIFY(lost.seen());
        QCOMPARE(lost.text(), QStringLiteral("设备断开连接"));
        // The panels stay and keep polling; the reads fail quietly in their logs.
        QTest::qWait(600);
        QCOMPARE(window.controlWidgets().size(), 3);
        QVERIFY(service->isConnected());
        g_warnings.clear(); // the library's own report of the failed transfers
        qInfo("longest GUI stall across the unplug: %lld ms", meter.longestMs());
        QVERIFY2(meter.longestMs() <= 250, qPrintable(QString::number(meter.longestMs())));

        disconnectThroughDialog(window);
        QVERIFY(window.controlWidgets().isEmpty());
        g_warnings.clear();
    }

    void theGuiThreadNeverWaitsLong()
    {
        QCOMPARE(vsim_load_scenario(kThreeOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        EventLoopGaps meter;
        // Three axes poll; one of them moves across its travel.
        QTest::qWait(500);
        VelmoControlWidget *first = window.controlWidgets().first();
        emit service->signal_setAbsoluteDispParams(0, 40.0);
        QTest::mouseClick(first->findChild<QPushButton *>(QStringLiteral("pushButton_move")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(first->findChild<QLabel *>(QStringLiteral("label_currentPos"))->text().startsWith(
                                     QStringLiteral("40.000")),
                                 15000);
        qInfo("longest GUI stall while three axes poll and one moves: %lld ms", meter.longestMs());
        QVERIFY2(meter.longestMs() <= 250, qPrintable(QString::number(meter.longestMs())));
    }

    void languageSwitchRetranslatesTheWindow()
    {
        VelmoWidget window;
        auto *connect = window.findChild<QPushButton *>(QStringLiteral("pushButton_connect"));
        QCOMPARE(connect->toolTip(), QStringLiteral("连接设备"));
        OptionsWidget *options = window.optionsWidget();
        auto *english = options->findChild<QRadioButton *>(QStringLiteral("radioButton_en"));
        QTest::mouseClick(english, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(connect->toolTip(), QStringLiteral("Connect the device serial port COM"));
        QVERIFY(connect->styleSheet().contains(QStringLiteral("connect_normal_english.png")));
        // Every dialog follows.
        QCOMPARE(window.addControlsWidget()->findChild<QLabel *>(QStringLiteral("label_title"))->text(),
                 QStringLiteral("Add Controller"));
        QCOMPARE(window.connectionWidget()->findChild<QLabel *>(QStringLiteral("label_name"))->text(),
                 QCoreApplication::translate("ConnectionWidget", "连接设备"));
        QCOMPARE(QSettings(settings->programFile(), QSettings::IniFormat).value(QStringLiteral("language/type")).toInt(), 1);

        auto *chinese = options->findChild<QRadioButton *>(QStringLiteral("radioButton_cn"));
        QTest::mouseClick(chinese, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(connect->toolTip(), QStringLiteral("连接设备"));
        QVERIFY(connect->styleSheet().contains(QStringLiteral("connect_normal.png")));
        QCOMPARE(window.addControlsWidget()->findChild<QLabel *>(QStringLiteral("label_title"))->text(),
                 QStringLiteral("添加控制器"));
    }

    void theStoredLanguageAppliesAtStartUp()
    {
        QSettings(settings->programFile(), QSettings::IniFormat).setValue(QStringLiteral("language/type"), 1);
        {
            VelmoWidget window;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
            auto *connect = window.findChild<QPushButton *>(QStringLiteral("pushButton_connect"));
            QCOMPARE(connect->toolTip(), QStringLiteral("Connect the device serial port COM"));
            QVERIFY(connect->styleSheet().contains(QStringLiteral("connect_normal_english.png")));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        // A value of neither language: nothing is translated, yet a language
        // change shows the English images, as for any language but Chinese.
        QSettings(settings->programFile(), QSettings::IniFormat).setValue(QStringLiteral("language/type"), 2);
        {
            VelmoWidget window;
            auto *connect = window.findChild<QPushButton *>(QStringLiteral("pushButton_connect"));
            QCOMPARE(window.optionsWidget()->currentLanguage(), 2);
            QCOMPARE(connect->toolTip(), QStringLiteral("连接设备"));
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(&window, &change);
            QVERIFY(connect->styleSheet().contains(QStringLiteral("connect_normal_english.png")));
        }
        QFile::remove(settings->programFile());
    }

    void addingAnAxisByHandProgramsItAndOpensItsPanel()
    {
        QCOMPARE(vsim_load_scenario(kOneOfThree), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        QCOMPARE(window.controlWidgets().size(), 1);
        vsim_clear_written(kId);

        AddControlsWidget *dialog = window.addControlsWidget();
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_addAsix")), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        auto *axes = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_Axsi"));
        QCOMPARE(axes->count(), 2);
        QCOMPARE(axes->itemText(0), QStringLiteral("Axis1"));
        QCOMPARE(axes->itemText(1), QStringLiteral("Axis3"));
        QVERIFY(!dialog->catalogue().rotationModels().isEmpty()); // the catalogue beside the program

        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_rotationControl")), Qt::LeftButton);
        auto *models = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_models"));
        const QString model = models->itemText(0);
        axes->setCurrentIndex(1);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_confirm")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());

        QCOMPARE(window.controlWidgets().size(), 2);
        QStringList buttons;
        for (QPushButton *button : window.axisButtons())
            buttons << button->text();
        QCOMPARE(buttons, QStringList({QStringLiteral("Axis2"), QStringLiteral("Axis3")}));
        QVERIFY(!window.isAutoDetected(window.axisButtons().at(1)));
        // The model reached the chip of axis index 2.
        bool named = false;
        for (const Written &w : commands()) {
            if (w.code == 0x1007 && w.axis() == 2)
                named = w.data.mid(2).startsWith(model.toUtf8());
        }
        QVERIFY(named);
        char name[33] = {};
        QCOMPARE(getMotorModelName(kId, 2, name, int(sizeof name)), 0);
        QCOMPARE(QString::fromUtf8(name), model);
        disconnectThroughDialog(window);
    }

    void settingsButtonRefreshesTheOptionsDialog()
    {
        QCOMPARE(vsim_load_scenario(R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}]}]})"),
                 VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        QCOMPARE(setTriggerOutEnable(kId, 1, 1), 0);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_settings")), Qt::LeftButton);
        OptionsWidget *options = window.optionsWidget();
        QVERIFY(options->isVisible());
        QVERIFY(options->findChild<QGroupBox *>(QStringLiteral("groupBox_trigger_3"))->isHidden());
        QVERIFY(!options->findChild<QGroupBox *>(QStringLiteral("groupBox_trigger_2"))->isHidden());
        QVERIFY(options->findChild<QCheckBox *>(QStringLiteral("checkBox_triggerOut_2"))->isChecked());
        options->hide();
        disconnectThroughDialog(window);
    }

    // Last: quitting ends every event loop of the thread from now on.
    void closeButtonClosesTheControllerAndQuits()
    {
        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        auto *window = new VelmoWidget;
        window->show();
        connectThroughDialog(*window);
        QCOMPARE(vsim_open_handles(kId), 1);

        // An event loop stands in for the application's; quit() ends it.
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QTimer::singleShot(0, window, [window] {
            QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButton_close")), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        loop.exec();
        QVERIFY(clock.elapsed() < 4000);
        QCOMPARE(vsim_open_handles(kId), 0);
        QCOMPARE(SerialComDev::currentDevId(), 0);
        // Torn down with its heartbeat and panels still alive.
        delete window;
    }
};

QTEST_MAIN(tst_VelmoWidget)
#include "tst_VelmoWidget.moc"

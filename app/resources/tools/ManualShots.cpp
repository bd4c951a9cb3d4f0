// Build-time tool: the screenshots of the user manual, taken from the real
// program's windows on the virtual controller.
//
//   velmo_manualshots <folder>
//
// Run with QT_QPA_PLATFORM=offscreen and the virtual controller first on
// LD_LIBRARY_PATH. Builds the main window as velmoApp does, connects as a
// user would and saves one PNG per shot into <folder>, then the list of
// their names as <folder>/shots.txt. Exits non-zero, naming the shot, when a
// window cannot be reached or saved; shots.txt is then not written, so the
// build tries again next time.
//
// A new shot is one runner.add() call below: bring the windows into the
// state to show, return the widget to capture, optionally tidy up after.

#include "AddControlsWidget.h"
#include "AppResources.h"
#include "ConnectionWidget.h"
#include "CycleOperationWidget.h"
#include "DebugWidget.h"
#include "DeviceParamWidget.h"
#include "DriveParamWidget.h"
#include "HelpWidget.h"
#include "JogParamWidget.h"
#include "LanguageSettings.h"
#include "MotionChartWindow.h"
#include "MoveParamWidget.h"
#include "OptionsWidget.h"
#include "SerialComDev.h"
#include "ShotRunner.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kWindowMs = 5000;
constexpr int kConnectMs = 10000;
constexpr int kMoveMs = 20000;

VelmoControlWidget *firstPanel(const VelmoWidget &window)
{
    const QList<VelmoControlWidget *> panels = window.controlWidgets();
    return panels.isEmpty() ? nullptr : panels.first();
}

QWidget *shownWithin(QWidget *widget, int ms)
{
    if (widget == nullptr)
        return nullptr;
    return ShotRunner::waitUntil([widget] { return widget->isVisible(); }, ms) ? widget : nullptr;
}

// Opens the pop-up behind a panel's (checkable) button; the tidy step
// presses the button again, which closes it.
void addPopupShot(ShotRunner &runner, const VelmoWidget &window, const QString &name, const QString &button,
                  const std::function<QWidget *(VelmoControlWidget *)> &popup)
{
    runner.add(
        name,
        [&window, button, popup]() -> QWidget * {
            VelmoControlWidget *panel = firstPanel(window);
            if (panel == nullptr || !ShotRunner::click(panel, button))
                return nullptr;
            return shownWithin(popup(panel), kWindowMs);
        },
        [&window, button, popup] {
            if (VelmoControlWidget *panel = firstPanel(window)) {
                popup(panel)->hide();
                if (auto *toggle = panel->findChild<QPushButton *>(button))
                    toggle->setChecked(false);
            }
        });
}

// Moves the first axis to share of its travel and waits until it is there.
bool moveFirstAxis(const VelmoWidget &window, double share)
{
    VelmoControlWidget *panel = firstPanel(window);
    if (panel == nullptr)
        return false;
    const VelmoDevParam &stage = panel->devParam();
    const double target = stage.minPos + share * (stage.maxPos - stage.minPos);
    emit SerialComDev::instance()->signal_setAbsoluteDispParams(panel->axisIndex(), target);
    if (!ShotRunner::click(panel, QStringLiteral("pushButton_move")))
        return false;
    auto *position = panel->findChild<QLabel *>(QStringLiteral("label_currentPos"));
    const QString arrived = QString::number(target, 'f', 3);
    return position != nullptr
        && ShotRunner::waitUntil([&] { return position->text().startsWith(arrived); }, kMoveMs);
}

QWidget *optionsPage(VelmoWidget &window, const QString &pageButton)
{
    OptionsWidget *options = window.optionsWidget();
    if (!options->isVisible())
        ShotRunner::click(&window, QStringLiteral("pushButton_settings"));
    if (shownWithin(options, kWindowMs) == nullptr || !ShotRunner::click(options, pageButton))
        return nullptr;
    return options;
}

bool chooseLanguage(VelmoWidget &window, bool english)
{
    if (optionsPage(window, QStringLiteral("pushButton_language")) == nullptr)
        return false;
    OptionsWidget *options = window.optionsWidget();
    if (!ShotRunner::click(options, english ? QStringLiteral("radioButton_en") : QStringLiteral("radioButton_cn")))
        return false;
    ShotRunner::click(options, QStringLiteral("pushButton_close"));
    return options->currentLanguage() == (english ? LanguageSettings::English : LanguageSettings::Chinese);
}

// The shots run after this returns: the steps capture nothing of its own.
void addShots(ShotRunner &runner, VelmoWidget &window)
{
    runner.add(QStringLiteral("main-start"), [&window]() -> QWidget * { return &window; });
    runner.add(QStringLiteral("connection-dialog"), [&window]() -> QWidget * {
        ShotRunner::click(&window, QStringLiteral("pushButton_connect"));
        return shownWithin(window.connectionWidget(), kWindowMs);
    });
    runner.add(QStringLiteral("main-connected"), [&window]() -> QWidget * {
        ShotRunner::click(window.connectionWidget(), QStringLiteral("pushButton_connectSerial"));
        if (!ShotRunner::waitUntil([&window] { return window.controlWidgets().size() >= 2; }, kConnectMs))
            return nullptr;
        return &window;
    });

    addPopupShot(runner, window, QStringLiteral("move-params"), QStringLiteral("pushButton_moveParam"),
                 [](VelmoControlWidget *panel) -> QWidget * { return panel->moveParamWidget(); });
    addPopupShot(runner, window, QStringLiteral("jog-params"), QStringLiteral("pushButton_jogParam"),
                 [](VelmoControlWidget *panel) -> QWidget * { return panel->jogParamWidget(); });
    addPopupShot(runner, window, QStringLiteral("drive-params"), QStringLiteral("pushButton_driveParam"),
                 [](VelmoControlWidget *panel) -> QWidget * { return panel->driveParamWidget(); });

    runner.add(
        QStringLiteral("cycle-dialog"),
        [&window]() -> QWidget * {
            VelmoControlWidget *panel = firstPanel(window);
            if (panel == nullptr || !ShotRunner::click(panel, QStringLiteral("pushButton_circle")))
                return nullptr;
            return shownWithin(panel->cycleOperationWidget(), kWindowMs);
        },
        [&window] { firstPanel(window)->cycleOperationWidget()->hide(); });
    // The panel's own button for it is hidden in this version; shown as the
    // panel would show it.
    runner.add(
        QStringLiteral("device-params"),
        [&window]() -> QWidget * {
            VelmoControlWidget *panel = firstPanel(window);
            if (panel == nullptr)
                return nullptr;
            panel->deviceParamWidget()->show();
            panel->deviceParamWidget()->raise();
            return shownWithin(panel->deviceParamWidget(), kWindowMs);
        },
        [&window] { firstPanel(window)->deviceParamWidget()->hide(); });

    runner.add(QStringLiteral("axis-panel"), [&window]() -> QWidget * {
        if (!moveFirstAxis(window, 0.8))
            return nullptr;
        return firstPanel(window);
    });
    runner.add(
        QStringLiteral("motion-chart"),
        [&window]() -> QWidget * {
            VelmoControlWidget *panel = firstPanel(window);
            if (panel == nullptr || !ShotRunner::click(panel, QStringLiteral("pushButton_jogLeft")))
                return nullptr;
            ShotRunner::settle(1500);
            if (!moveFirstAxis(window, 0.3) || !ShotRunner::click(panel, QStringLiteral("pushButton_chart")))
                return nullptr;
            MotionChartWindow *chart = panel->motionChart();
            if (chart == nullptr)
                return nullptr;
            chart->resize(1000, 560);
            return shownWithin(chart, kWindowMs);
        },
        [&window] { firstPanel(window)->motionChart()->close(); });

    runner.add(
        QStringLiteral("add-axis-dialog"),
        [&window]() -> QWidget * {
            AddControlsWidget *dialog = window.addControlsWidget();
            ShotRunner::click(&window, QStringLiteral("pushButton_addAsix"));
            if (shownWithin(dialog, kWindowMs) == nullptr)
                return nullptr;
            ShotRunner::click(dialog, QStringLiteral("pushButton_lineControl"));
            auto *models = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_models"));
            return models != nullptr && models->count() > 0 ? dialog : nullptr;
        },
        [&window] { window.addControlsWidget()->close(); });

    runner.add(QStringLiteral("options-language"),
               [&window] { return optionsPage(window, QStringLiteral("pushButton_language")); });
    runner.add(QStringLiteral("options-trigger"),
               [&window] { return optionsPage(window, QStringLiteral("pushButton_trigger")); });
    runner.addModal(QStringLiteral("options-motor-warning"),
                    [&window] { optionsPage(window, QStringLiteral("pushButton_motorParam")); });
    runner.add(QStringLiteral("options-motor"), [&window]() -> QWidget * {
        OptionsWidget *options = window.optionsWidget();
        return ShotRunner::click(options, QStringLiteral("pushButton_ReadParam")) ? options : nullptr;
    });
    runner.add(
        QStringLiteral("options-compensation"),
        [&window] { return optionsPage(window, QStringLiteral("pushButton_posConpen")); },
        [&window] { window.optionsWidget()->close(); });

    runner.add(
        QStringLiteral("help-dialog"),
        [&window]() -> QWidget * {
            ShotRunner::click(&window, QStringLiteral("pushButton_help"));
            return shownWithin(window.helpWidget(), kWindowMs);
        },
        [&window] { window.helpWidget()->hide(); });
    // The developer panel has no button: the main window's shortcut runs this slot.
    runner.add(QStringLiteral("debug-commands"), [&window]() -> QWidget * {
        QMetaObject::invokeMethod(&window, "on_pushButton_debug_clicked");
        DebugWidget *panel = window.debugWidget();
        if (shownWithin(panel, kWindowMs) == nullptr)
            return nullptr;
        panel->resize(panel->sizeHint().expandedTo(QSize(1180, 760)));
        ShotRunner::click(panel, QStringLiteral("pushButton_27")); // target position of axis A
        ShotRunner::click(panel, QStringLiteral("pushButton_30")); // its running state
        return panel;
    });
    runner.add(
        QStringLiteral("debug-motor"),
        [&window]() -> QWidget * {
            DebugWidget *panel = window.debugWidget();
            auto *tabs = panel->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
            if (tabs == nullptr)
                return nullptr;
            tabs->setCurrentIndex(1);
            ShotRunner::click(panel, QStringLiteral("pushButton_readMorotParams"));
            return panel;
        },
        [&window] {
            window.debugWidget()->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
            window.debugWidget()->hide();
        });

    runner.add(
        QStringLiteral("main-connected-en"),
        [&window]() -> QWidget * { return chooseLanguage(window, true) ? &window : nullptr; },
        [&window] { chooseLanguage(window, false); });
}

int fail(const QString &message)
{
    std::fprintf(stderr, "velmo_manualshots: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The help dialog shows the version of the program it is part of.
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMO_VERSION));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2)
        return fail(QStringLiteral("usage: velmo_manualshots <folder>"));
    const QDir output(arguments.at(1));

    AppResources::init();
    AppResources::applyProgramLook();

    // The language is chosen in the options dialog as a user does; a
    // settings folder of its own keeps the build's appConfig.ini untouched.
    QTemporaryDir settings;
    if (!settings.isValid())
        return fail(QStringLiteral("cannot create a scratch folder"));
    const QString catalogue = LanguageSettings::translationFileName();
    QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + catalogue, settings.filePath(catalogue));
    LanguageSettings::setDefaultFolders(settings.path(), settings.filePath(QStringLiteral("user")));

    int status = 0;
    {
        VelmoWidget window;
        window.move(0, 0);
        window.show();
        ShotRunner runner(output);
        addShots(runner, window);
        if (!ShotRunner::waitUntil([&] { return window.isVisible(); }, kWindowMs) || !runner.run())
            status = fail(runner.error().isEmpty() ? QStringLiteral("the main window did not show") : runner.error());

        // Disconnect as a user would, so that the heartbeat and the panels stop first.
        if (SerialComDev::instance()->isConnected()) {
            window.connectionWidget()->show();
            ShotRunner::click(window.connectionWidget(), QStringLiteral("pushButton_disConnect"));
            window.connectionWidget()->hide();
        }

        if (status == 0) {
            QSaveFile list(output.filePath(QStringLiteral("shots.txt")));
            const QByteArray names = runner.saved().join(QLatin1Char('\n')).toUtf8() + '\n';
            if (!list.open(QIODevice::WriteOnly) || list.write(names) != names.size() || !list.commit())
                status = fail(QStringLiteral("cannot write %1").arg(list.fileName()));
        }
    }
    LanguageSettings::setDefaultFolders(QString(), QString());
    return status;
}

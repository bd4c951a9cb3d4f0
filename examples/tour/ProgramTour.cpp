#include "ProgramTour.h"

#include "AddControlsWidget.h"
#include "ConnectionWidget.h"
#include "DebugWidget.h"
#include "HelpWidget.h"
#include "MotionChartWindow.h"
#include "OptionsWidget.h"
#include "SerialComDev.h"
#include "SerialPortChangeFilter.h"
#include "ShotRunner.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QTabWidget>
#include <QTimer>
#include <dlfcn.h>

namespace {

// The virtual controller's own controls, when it stands in for libusb.
using SetPlugged = int (*)(int, int);
SetPlugged virtualPlug()
{
    return reinterpret_cast<SetPlugged>(dlsym(RTLD_DEFAULT, "vsim_set_plugged"));
}

QMessageBox *openMessageBox()
{
    return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
}

} // namespace

ProgramTour::ProgramTour(VelmoWidget *window, const QDir &output, const QString &prefix, bool english)
    : m_window(window), m_output(output), m_prefix(prefix), m_english(english)
{
}

bool ProgramTour::shoot(const QString &name)
{
    ShotRunner::settle(150); // let the last repaint reach the screen
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(0);
    const QString path = m_output.filePath(m_prefix + name + QStringLiteral(".png"));
    if (shot.isNull() || !shot.save(path)) {
        m_error = QStringLiteral("cannot save ") + path;
        return false;
    }
    m_shots << path;
    return true;
}

void ProgramTour::click(QWidget *parent, const char *objectName)
{
    if (auto *button = parent->findChild<QPushButton *>(QLatin1String(objectName)))
        QTest::mouseClick(button, Qt::LeftButton);
}

bool ProgramTour::answerNextBox(const std::function<void()> &action, const QString &shotName, bool confirm)
{
    bool answered = false;
    QTimer::singleShot(400, this, [&] {
        if (QMessageBox *box = openMessageBox()) {
            answered = shoot(shotName);
            QAbstractButton *button = confirm ? box->button(QMessageBox::Yes) : box->button(QMessageBox::No);
            if (button == nullptr)
                button = box->buttons().first(); // the styled box: "确认" first
            button->click();
        }
    });
    action();
    ShotRunner::settle(300);
    return answered;
}

bool ProgramTour::languageStep()
{
    OptionsWidget *options = m_window->optionsWidget();
    click(m_window, "pushButton_settings");
    if (!ShotRunner::waitUntil([&] { return options->isVisible(); }, 5000))
        return false;
    click(options, "pushButton_language");
    auto *radio = options->findChild<QRadioButton *>(
        m_english ? QStringLiteral("radioButton_en") : QStringLiteral("radioButton_cn"));
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(5, radio->height() / 2));
    ShotRunner::settle(200);
    const bool shot = shoot(QStringLiteral("00-options-language"));
    click(options, "pushButton_close");
    return shot && radio->isChecked();
}

bool ProgramTour::addAxisSteps()
{
    AddControlsWidget *dialog = m_window->addControlsWidget();
    const char *types[][2] = {{"pushButton_lineControl", "linear"},
                              {"pushButton_rotationControl", "rotation"},
                              {"pushButton_angularControl", "angular"},
                              {"pushButton_liftingControl", "lifting"}};
    int shotNumber = 10;
    for (const auto &type : types) {
        click(m_window, "pushButton_addAsix");
        if (!ShotRunner::waitUntil([&] { return dialog->isVisible(); }, 5000))
            return false;
        click(dialog, type[0]);
        auto *axes = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_Axsi"));
        axes->setCurrentIndex(axes->findText(QStringLiteral("Axis3")));
        auto *models = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_models"));
        if (axes->currentText() != QLatin1String("Axis3") || models->count() == 0)
            return false;
        models->showPopup();
        const QString name = QString::number(shotNumber++) + QStringLiteral("-add-axis-") + QLatin1String(type[1]);
        const bool dialogShot = shoot(name);
        models->hidePopup();
        if (!dialogShot)
            return false;
        click(dialog, "pushButton_confirm");
        VelmoControlWidget *added = nullptr;
        if (!ShotRunner::waitUntil(
                [&] {
                    for (VelmoControlWidget *panel : m_window->controlWidgets()) {
                        if (panel->axisIndex() == 2)
                            added = panel;
                    }
                    return added != nullptr;
                },
                5000))
            return false;
        ShotRunner::settle(600);
        if (!shoot(QString::number(shotNumber++) + QStringLiteral("-axis3-") + QLatin1String(type[1])))
            return false;
        // A panel added by hand goes when it is closed, freeing its axis.
        QTimer::singleShot(400, this, [] {
            if (QMessageBox *box = openMessageBox())
                box->buttons().first()->click();
        });
        click(added, "pushButton_remove");
        if (!ShotRunner::waitUntil([&] { return m_window->controlWidgets().size() == 2; }, 5000))
            return false;
    }
    return true;
}

bool ProgramTour::chartStep()
{
    VelmoControlWidget *panel = m_window->controlWidgets().first();
    click(panel, "pushButton_chart");
    MotionChartWindow *chart = panel->motionChart();
    if (chart == nullptr || !ShotRunner::waitUntil([&] { return chart->isVisible(); }, 5000))
        return false;
    chart->setGeometry(80, 120, 1100, 640);
    // Two jogs forward, then back to where the tour moved the axis.
    for (int jog = 0; jog < 2; ++jog) {
        click(panel, "pushButton_jogRight");
        ShotRunner::settle(1500);
    }
    click(panel, "pushButton_move");
    ShotRunner::settle(3000);
    chart->raise();
    const bool shot = shoot(QStringLiteral("04b-motion-chart"));
    const bool exported = chart->exportCsv(m_output.filePath(m_prefix + QStringLiteral("motion-chart.csv")))
        && chart->saveImage(m_output.filePath(m_prefix + QStringLiteral("motion-chart-image.png")));
    chart->close();
    return shot && exported;
}

bool ProgramTour::optionsSteps()
{
    OptionsWidget *options = m_window->optionsWidget();
    click(m_window, "pushButton_settings");
    if (!ShotRunner::waitUntil([&] { return options->isVisible(); }, 5000))
        return false;
    click(options, "pushButton_trigger");
    if (!shoot(QStringLiteral("20-options-trigger")))
        return false;
    // Beyond the 50 mm travel of the first axis: refused with the range.
    auto *spin = options->findChild<QDoubleSpinBox *>(QStringLiteral("doubleSpinBox_Axis1"));
    spin->setValue(60);
    auto *input = options->findChild<QCheckBox *>(QStringLiteral("checkBox_triggerIn_1"));
    if (!answerNextBox([&] { QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(5, input->height() / 2)); },
                       QStringLiteral("21-options-trigger-out-of-range")))
        return false;
    spin->setValue(0);
    if (input->isChecked())
        return false;

    if (!answerNextBox([&] { click(options, "pushButton_motorParam"); }, QStringLiteral("22-options-motor-warning")))
        return false;
    click(options, "pushButton_ReadParam");
    if (!shoot(QStringLiteral("23-options-motor-read")))
        return false;
    auto *pitch = options->findChild<QLineEdit *>(QStringLiteral("lineEdit_motor_helicalPitch"));
    pitch->setText(QStringLiteral("0.5mm"));
    if (!answerNextBox([&] { click(options, "pushButton_WriteParam"); }, QStringLiteral("24-options-motor-question")))
        return false;
    if (!shoot(QStringLiteral("25-options-motor-bad-field")))
        return false;
    click(options, "pushButton_ReadParam"); // the stored value again

    click(options, "pushButton_posConpen");
    if (!shoot(QStringLiteral("26-options-compensation")))
        return false;
    click(options, "pushButton_close");
    return !options->isVisible();
}

bool ProgramTour::helpStep()
{
    HelpWidget *help = m_window->helpWidget();
    click(m_window, "pushButton_help");
    if (!ShotRunner::waitUntil([&] { return help->isVisible(); }, 5000))
        return false;
    const bool shot = shoot(QStringLiteral("30-help"));
    click(help, "pushButton_close");
    return shot && !help->isVisible();
}

bool ProgramTour::debugStep()
{
    DebugWidget *panel = m_window->debugWidget();
    QApplication::setActiveWindow(m_window);
    QTest::keyClick(m_window, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    if (!ShotRunner::waitUntil([&] { return panel->isVisible(); }, 5000))
        return false;
    panel->move(m_window->geometry().topLeft() + QPoint(40, 40));
    click(panel, "pushButton_27"); // read the target position of axis A
    click(panel, "pushButton_30"); // its running state
    if (!shoot(QStringLiteral("31-debug-commands")))
        return false;
    auto *tabs = panel->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(1);
    click(panel, "pushButton_readMorotParams");
    click(panel, "pushButton"); // the compensation tables
    const bool shot = shoot(QStringLiteral("32-debug-motor"));
    tabs->setCurrentIndex(0);
    panel->hide();
    return shot;
}

bool ProgramTour::step(const QString &what, const std::function<bool()> &action)
{
    if (!m_error.isEmpty())
        return false;
    if (action())
        return true;
    if (m_error.isEmpty())
        m_error = what;
    return false;
}

bool ProgramTour::run()
{
    ConnectionWidget *dialog = m_window->connectionWidget();
    step(QStringLiteral("the window did not show"), [&] { return ShotRunner::waitUntil([&] { return m_window->isVisible(); }, 5000); });
    step(QStringLiteral("choosing the language failed"), [&] { return languageStep(); });
    step(QStringLiteral("the window did not show"), [&] { return shoot(QStringLiteral("01-start")); });
    step(QStringLiteral("the connection dialog did not open"), [&] {
        click(m_window, "pushButton_connect");
        if (!ShotRunner::waitUntil([&] { return dialog->isVisible(); }, 5000))
            return false;
        // The list open, as the user sees it when picking a controller.
        auto *list = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_comList"));
        list->showPopup();
        const bool shot = shoot(QStringLiteral("02-connection-dialog"));
        list->hidePopup();
        return shot;
    });
    step(QStringLiteral("no axis panel after connecting (is a controller attached?)"), [&] {
        click(dialog, "pushButton_connectSerial");
        if (!ShotRunner::waitUntil([&] { return !m_window->controlWidgets().isEmpty(); }, 10000))
            return false;
        ShotRunner::settle(1000);
        return shoot(QStringLiteral("03-connected"));
    });
    step(QStringLiteral("the move did not arrive"), [&] {
        VelmoControlWidget *panel = m_window->controlWidgets().first();
        const VelmoDevParam &stage = panel->devParam();
        const double target = stage.minPos + 0.8 * (stage.maxPos - stage.minPos);
        emit SerialComDev::instance()->signal_setAbsoluteDispParams(panel->axisIndex(), target);
        click(panel, "pushButton_move");
        ShotRunner::settle(700);
        if (!shoot(QStringLiteral("04-moving")))
            return false;
        auto *position = panel->findChild<QLabel *>(QStringLiteral("label_currentPos"));
        const QString arrived = QString::number(target, 'f', 3);
        if (!ShotRunner::waitUntil([&] { return position->text().startsWith(arrived); }, 30000))
            return false;
        ShotRunner::settle(500);
        return shoot(QStringLiteral("05-moved"));
    });
    step(QStringLiteral("the motion chart failed"), [&] { return chartStep(); });
    if (m_window->controlWidgets().size() >= 2) {
        step(QStringLiteral("closing a panel failed"), [&] {
            VelmoControlWidget *panel = m_window->controlWidgets().at(1);
            bool asked = false;
            QTimer::singleShot(400, this, [&] {
                if (QMessageBox *box = openMessageBox()) {
                    asked = shoot(QStringLiteral("06-close-question"));
                    box->buttons().first()->click(); // confirm
                }
            });
            click(panel, "pushButton_remove");
            ShotRunner::settle(300);
            return asked && !m_window->isControlShown(panel) && shoot(QStringLiteral("07-panel-closed"));
        });
        step(QStringLiteral("re-showing a panel failed"), [&] {
            QPushButton *button = m_window->axisButtons().value(1);
            if (button == nullptr)
                return false;
            QTest::mouseClick(button, Qt::LeftButton);
            ShotRunner::settle(300);
            return m_window->isControlShown(m_window->controlWidgets().at(1));
        });
    }
    if (m_window->maxAxisCount() >= 3 && m_window->controlWidgets().size() == 2)
        step(QStringLiteral("adding the third axis by hand failed"), [&] { return addAxisSteps(); });
    step(QStringLiteral("the options dialog failed"), [&] { return optionsSteps(); });
    step(QStringLiteral("the help dialog failed"), [&] { return helpStep(); });
    step(QStringLiteral("the developer panel failed"), [&] { return debugStep(); });
    if (SetPlugged plug = virtualPlug()) {
        step(QStringLiteral("the unplugged controller was not reported"), [&] {
            const int id = SerialComDev::currentDevId();
            plug(id, 0);
            bool reported = false;
            QTimer::singleShot(400, this, [&] {
                if (QMessageBox *box = openMessageBox()) {
                    reported = shoot(QStringLiteral("08-unplugged"));
                    box->buttons().first()->click();
                }
            });
            // The virtual controller has no udev: hand the filter the event.
            m_window->portChangeFilter()->handleDeviceEvent("remove", "usb_device");
            ShotRunner::settle(300);
            plug(id, 1);
            return reported;
        });
    }
    step(QStringLiteral("disconnecting failed"), [&] {
        click(m_window, "pushButton_connect");
        if (!ShotRunner::waitUntil([&] { return dialog->isVisible(); }, 5000))
            return false;
        click(dialog, "pushButton_disConnect");
        if (!ShotRunner::waitUntil([&] { return m_window->controlWidgets().isEmpty(); }, 5000))
            return false;
        const bool shot = shoot(QStringLiteral("09-disconnected"));
        dialog->hide();
        return shot;
    });
    return m_error.isEmpty();
}

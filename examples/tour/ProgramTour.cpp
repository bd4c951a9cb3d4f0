#include "ProgramTour.h"

#include "ConnectionWidget.h"
#include "SerialComDev.h"
#include "SerialPortChangeFilter.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>
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

ProgramTour::ProgramTour(VelmoWidget *window, const QDir &output, const QString &prefix)
    : m_window(window), m_output(output), m_prefix(prefix)
{
}

bool ProgramTour::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void ProgramTour::settle(int ms)
{
    waitUntil([] { return false; }, ms);
}

bool ProgramTour::shoot(const QString &name)
{
    settle(150); // let the last repaint reach the screen
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
    step(QStringLiteral("the window did not show"), [&] {
        return waitUntil([&] { return m_window->isVisible(); }, 5000) && shoot(QStringLiteral("01-start"));
    });
    step(QStringLiteral("the connection dialog did not open"), [&] {
        click(m_window, "pushButton_connect");
        if (!waitUntil([&] { return dialog->isVisible(); }, 5000))
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
        if (!waitUntil([&] { return !m_window->controlWidgets().isEmpty(); }, 10000))
            return false;
        settle(1000);
        return shoot(QStringLiteral("03-connected"));
    });
    step(QStringLiteral("the move did not arrive"), [&] {
        VelmoControlWidget *panel = m_window->controlWidgets().first();
        const VelmoDevParam &stage = panel->devParam();
        const double target = stage.minPos + 0.8 * (stage.maxPos - stage.minPos);
        emit SerialComDev::instance()->signal_setAbsoluteDispParams(panel->axisIndex(), target);
        click(panel, "pushButton_move");
        settle(700);
        if (!shoot(QStringLiteral("04-moving")))
            return false;
        auto *position = panel->findChild<QLabel *>(QStringLiteral("label_currentPos"));
        const QString arrived = QString::number(target, 'f', 3);
        if (!waitUntil([&] { return position->text().startsWith(arrived); }, 30000))
            return false;
        settle(500);
        return shoot(QStringLiteral("05-moved"));
    });
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
            settle(300);
            return asked && !m_window->isControlShown(panel) && shoot(QStringLiteral("07-panel-closed"));
        });
        step(QStringLiteral("re-showing a panel failed"), [&] {
            QPushButton *button = m_window->axisButtons().value(1);
            if (button == nullptr)
                return false;
            QTest::mouseClick(button, Qt::LeftButton);
            settle(300);
            return m_window->isControlShown(m_window->controlWidgets().at(1));
        });
    }
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
            settle(300);
            plug(id, 1);
            return reported;
        });
    }
    step(QStringLiteral("disconnecting failed"), [&] {
        click(m_window, "pushButton_connect");
        if (!waitUntil([&] { return dialog->isVisible(); }, 5000))
            return false;
        click(dialog, "pushButton_disConnect");
        if (!waitUntil([&] { return m_window->controlWidgets().isEmpty(); }, 5000))
            return false;
        const bool shot = shoot(QStringLiteral("09-disconnected"));
        dialog->hide();
        return shot;
    });
    return m_error.isEmpty();
}

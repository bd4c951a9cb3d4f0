#include "StartupSequence.h"

#include "AppLogCategories.h"
#include "ConnectionWidget.h"
#include "SerialComDev.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

StartupSequence::StartupSequence(VelmoWidget *window, int connectId, const QString &reportPath)
    : QObject(window), m_window(window), m_connectId(connectId), m_report(reportPath)
{
    if (!reportPath.isEmpty() && !m_report.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        qCWarning(lcApp).noquote() << "--startup-report: cannot write" << reportPath << m_report.errorString();
    m_window->installEventFilter(this);
    // Queued from the service's thread: a reading counts once the window's
    // thread has it, as for the panel's own update.
    connect(SerialComDev::instance(), &SerialComDev::signal_updateDevState, this,
            [this](int axis, MotorStageState) { axisPolled(axis); });
}

bool StartupSequence::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Paint && !m_windowShown) {
        m_windowShown = true;
        write(QStringLiteral("window-shown"));
        // After this paint has reached the screen, not inside it.
        if (m_connectId != 0)
            QTimer::singleShot(0, this, &StartupSequence::connectController);
    }
    return QObject::eventFilter(watched, event);
}

void StartupSequence::connectController()
{
    m_connected = m_window->connectionWidget()->connectTo(m_connectId);
    if (m_connected) {
        write(QStringLiteral("connected"));
    } else {
        qCWarning(lcApp) << "--connect: controller" << m_connectId << "could not be opened";
        write(QStringLiteral("connect-failed"));
    }
}

void StartupSequence::write(const QString &milestone, const QString &detail)
{
    if (!m_report.isOpen())
        return;
    QElapsedTimer clock;
    clock.start();
    QString line = milestone + QLatin1Char(' ') + QString::number(clock.msecsSinceReference());
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + detail;
    m_report.write(line.toUtf8() + '\n');
    m_report.flush();
}

void StartupSequence::axisPolled(int axis)
{
    if (!m_connected || m_pollingReported)
        return;
    m_polledAxes.insert(axis);
    const QList<VelmoControlWidget *> panels = m_window->controlWidgets();
    if (panels.isEmpty())
        return;
    for (VelmoControlWidget *panel : panels) {
        if (!m_polledAxes.contains(panel->axisIndex()))
            return;
    }
    m_pollingReported = true;
    write(QStringLiteral("axes-polling"), QString::number(panels.size()));
}

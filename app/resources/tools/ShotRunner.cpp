#include "ShotRunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace {

// Long enough for the panels' 100 ms polling to show a new state.
constexpr int kSettleMs = 300;
constexpr int kModalWaitMs = 5000;

} // namespace

ShotRunner::ShotRunner(const QDir &output) : m_output(output) {}

void ShotRunner::add(const QString &name, const Prepare &prepare, const Tidy &tidy)
{
    m_shots.append({name, prepare, tidy, {}});
}

void ShotRunner::addModal(const QString &name, const std::function<void()> &open)
{
    m_shots.append({name, {}, {}, open});
}

bool ShotRunner::save(const QString &name, QWidget *widget)
{
    const QPixmap picture = widget->grab();
    const QString file = name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(m_output.filePath(file))) {
        m_error = QStringLiteral("%1: cannot save %2").arg(name, m_output.filePath(file));
        return false;
    }
    m_saved << file;
    return true;
}

bool ShotRunner::waitUntil(const std::function<bool()> &condition, int timeoutMs)
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

void ShotRunner::settle(int ms)
{
    waitUntil([] { return false; }, ms);
}

bool ShotRunner::click(QWidget *parent, const QString &objectName)
{
    auto *button = parent != nullptr ? parent->findChild<QAbstractButton *>(objectName) : nullptr;
    if (button == nullptr)
        return false;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(qMin(5, button->width() / 2), button->height() / 2));
    return true;
}

bool ShotRunner::answerModal(const std::function<void()> &action, const std::function<void(QWidget *)> &seen)
{
    bool answered = false;
    QElapsedTimer clock;
    clock.start();
    // The box runs its own event loop inside action(); this timer fires in it.
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (box == nullptr) {
            if (clock.elapsed() > kModalWaitMs)
                poll.stop();
            return;
        }
        poll.stop();
        settle(100);
        seen(box);
        QAbstractButton *button = nullptr;
        if (auto *message = qobject_cast<QMessageBox *>(box))
            button = message->buttons().value(0);
        if (button == nullptr)
            button = box->findChild<QPushButton *>();
        if (button != nullptr)
            button->click();
        else
            box->close();
        answered = true;
    });
    poll.start();
    action();
    waitUntil([&] { return answered || !poll.isActive(); }, kModalWaitMs);
    poll.stop();
    return answered;
}

bool ShotRunner::run()
{
    m_saved.clear();
    m_error.clear();
    if (!m_output.mkpath(QStringLiteral("."))) {
        m_error = QStringLiteral("cannot create %1").arg(m_output.absolutePath());
        return false;
    }
    for (const Shot &shot : qAsConst(m_shots)) {
        if (shot.openModal) {
            bool saved = false;
            const bool came = answerModal(shot.openModal, [&](QWidget *box) { saved = save(shot.name, box); });
            if (!came && m_error.isEmpty())
                m_error = QStringLiteral("%1: no message box appeared").arg(shot.name);
            if (!came || !saved)
                return false;
            continue;
        }
        QWidget *widget = shot.prepare();
        if (widget == nullptr || !widget->isVisible()) {
            m_error = QStringLiteral("%1: the window to capture did not appear").arg(shot.name);
            return false;
        }
        settle(kSettleMs);
        if (!save(shot.name, widget))
            return false;
        if (shot.tidy)
            shot.tidy();
    }
    return true;
}

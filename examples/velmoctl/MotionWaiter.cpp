#include "MotionWaiter.h"

#include "CommandError.h"
#include "ControllerSession.h"
#include "InterruptGuard.h"
#include "MotionTrace.h"
#include "Output.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int kPollPeriodMs = 100;
constexpr int kSliceMs = 10; // reaction time to Ctrl-C while sleeping

} // namespace

MotionWaiter::MotionWaiter(ControllerSession &session, int axis, int unitType, Output &output)
    : m_session(session), m_axis(axis), m_unitType(unitType), m_output(output)
{
}

MotionWaiter::Stopped MotionWaiter::waitUntilStopped(double timeoutSeconds, Mode mode)
{
    InterruptGuard guard;
    QElapsedTimer clock;
    clock.start();
    // Anything beyond a year means "no practical limit"; the cap keeps the
    // conversion to whole milliseconds defined.
    constexpr double kLongestWaitSeconds = 365.0 * 24 * 3600;
    const qint64 timeoutMs = qint64(qMin(timeoutSeconds, kLongestWaitSeconds) * 1000.0);
    int polls = 0;
    bool sleepFirst = mode == Mode::AfterStart;

    for (;;) {
        if (sleepFirst) {
            for (int slept = 0; slept < kPollPeriodMs && !guard.interrupted(); slept += kSliceMs)
                QThread::msleep(kSliceMs);
        }
        sleepFirst = true;

        if (guard.interrupted() && mode == Mode::Watch)
            throw CommandError(CommandError::Interrupted, QStringLiteral("interrupted; axis %1 left as it was").arg(m_axis));
        if (guard.interrupted()) {
            const int result = stopRuning(m_session.id(), m_axis);
            const QString stopped = result == 0 ? QStringLiteral("axis %1 stopped").arg(m_axis)
                                                : QStringLiteral("stopping axis %1 failed (code %2)").arg(m_axis).arg(result);
            throw CommandError(CommandError::Interrupted, QStringLiteral("interrupted; %1").arg(stopped));
        }

        MotorStageState state{};
        m_session.check(getRuningState(m_session.id(), m_axis, &state), "getRuningState", m_axis);
        int status = 0;
        const double position = getCurrentPos(m_session.id(), m_axis, &status);
        m_session.check(status, "getCurrentPos", m_axis);
        ++polls;
        if (m_trace != nullptr) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            m_trace->addState(now, state);
            m_trace->addPosition(now, position);
        }

        if (state.isStop)
            return Stopped{position, state, polls};
        if (m_progressShown)
            m_output.line(QStringLiteral("  %1").arg(Output::formatPosition(position, m_unitType)));

        if (clock.elapsed() >= timeoutMs)
            throw CommandError(CommandError::Timeout,
                               QStringLiteral("controller %1 axis %2 still moving after %3 s at %4; it was left moving "
                                              "(velmoctl stop stops it)")
                                   .arg(m_session.id())
                                   .arg(m_axis)
                                   .arg(timeoutSeconds)
                                   .arg(Output::formatPosition(position, m_unitType)));
    }
}

QStringList MotionWaiter::stateWarnings(const MotorStageState &state)
{
    QStringList words;
    if (state.isLeftLimit)
        words.append(QStringLiteral("negative limit reached"));
    if (state.isRightLimit)
        words.append(QStringLiteral("positive limit reached"));
    if (state.isNegLimitFault)
        words.append(QStringLiteral("negative limit sensor fault"));
    if (state.isPosLimitFault)
        words.append(QStringLiteral("positive limit sensor fault"));
    if (state.isHomeFault)
        words.append(QStringLiteral("home sensor fault"));
    return words;
}

#include "PointRunner.h"

#include "CommandError.h"
#include "ControllerSession.h"
#include "InterruptGuard.h"
#include "MotionTrace.h"
#include "MotionWaiter.h"
#include "Output.h"

#include "velmoLibrary.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QThread>

namespace {

constexpr int kSliceMs = 10; // reaction time to Ctrl-C while dwelling

} // namespace

PointRunner::PointRunner(ControllerSession &session, Output &output, double timeoutSeconds)
    : m_session(session), m_output(output), m_timeoutSeconds(timeoutSeconds)
{
}

int PointRunner::unitType(int axis)
{
    auto found = m_unitTypes.constFind(axis);
    if (found == m_unitTypes.constEnd())
        found = m_unitTypes.insert(axis, m_session.check(getMotorUnitType(m_session.id(), axis), "getMotorUnitType", axis));
    return *found;
}

void PointRunner::prepareAxis(int axis)
{
    if (m_preparedAxes.contains(axis))
        return;
    m_session.check(setRelativeDispEnable(m_session.id(), axis, 0), "setRelativeDispEnable", axis);
    m_preparedAxes.insert(axis);
}

void PointRunner::stopAfterInterrupt(int axis)
{
    const int result = stopRuning(m_session.id(), axis);
    const QString stopped = result == 0 ? QStringLiteral("axis %1 stopped").arg(axis)
                                        : QStringLiteral("stopping axis %1 failed (code %2)").arg(axis).arg(result);
    throw CommandError(CommandError::Interrupted,
                       QStringLiteral("interrupted; %1; %2 of %3 points reached").arg(stopped).arg(m_reached).arg(m_total));
}

void PointRunner::dwell(const InterruptGuard &guard, int axis, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (guard.interrupted())
            stopAfterInterrupt(axis);
        const qint64 remaining = milliseconds - clock.elapsed(); // read once: it must not turn negative below
        if (remaining <= 0)
            return;
        QThread::msleep(ulong(qMin<qint64>(kSliceMs, remaining)));
    }
}

qint64 PointRunner::run(const QVector<MotionPoint> &points, int passes)
{
    const int id = m_session.id();
    InterruptGuard guard; // held across the points, so Ctrl-C between two waits is seen too
    QElapsedTimer clock;
    clock.start();
    m_reached = 0;
    m_total = qint64(points.size()) * passes;

    for (int pass = 1; pass <= passes; ++pass) {
        for (int index = 0; index < points.size(); ++index) {
            const MotionPoint &point = points.at(index);
            const int axis = point.axis;
            if (guard.interrupted())
                stopAfterInterrupt(axis);

            try {
                prepareAxis(axis);
                if (point.speed)
                    m_session.check(setSpeed(id, axis, *point.speed), "setSpeed", axis);
                m_session.check(setTargetPos(id, axis, point.position), "setTargetPos", axis);
                if (m_trace != nullptr)
                    m_trace->setTarget(point.position);
                m_session.check(startMove(id, axis), "startMove", axis);
            } catch (const CommandError &error) {
                // A start whose reply got lost may still have started the
                // axis: stop it rather than leave it moving unobserved.
                const bool stopped = stopRuning(id, axis) == 0;
                throw CommandError(error.status(),
                                   QStringLiteral("%1; %2").arg(error.message(),
                                                                stopped ? QStringLiteral("stop sent to axis %1").arg(axis)
                                                                        : QStringLiteral("axis %1 not stopped").arg(axis)),
                                   error.libraryCode());
            }

            const int unit = unitType(axis);
            MotionWaiter waiter(m_session, axis, unit, m_output);
            waiter.setProgressShown(false);
            waiter.setTrace(m_trace);
            MotionWaiter::Stopped stopped{};
            try {
                stopped = waiter.waitUntilStopped(m_timeoutSeconds, MotionWaiter::Mode::AfterStart);
            } catch (const CommandError &error) {
                if (error.status() != CommandError::Interrupted)
                    throw;
                // The waiter has sent the stop; add how far the list got.
                throw CommandError(CommandError::Interrupted, QStringLiteral("%1; %2 of %3 points reached")
                                                                  .arg(error.message())
                                                                  .arg(m_reached)
                                                                  .arg(m_total));
            }
            const double seconds = double(clock.elapsed()) / 1000.0;
            ++m_reached;

            const QStringList warnings = MotionWaiter::stateWarnings(stopped.state);
            QString line = QStringLiteral("point %1").arg(index);
            if (passes > 1)
                line = QStringLiteral("pass %1 ").arg(pass) + line;
            if (!point.source.isEmpty())
                line += QStringLiteral(" (%1)").arg(point.source);
            line += QStringLiteral(" axis %1: target %2, reached %3, %4 s")
                        .arg(axis)
                        .arg(Output::formatPosition(point.position, unit), Output::formatPosition(stopped.position, unit))
                        .arg(seconds, 0, 'f', 3);
            if (!warnings.isEmpty())
                line += QStringLiteral(" (%1)").arg(warnings.join(QStringLiteral(", ")));
            m_output.line(line);

            QJsonObject result{{QStringLiteral("pass"), pass},
                               {QStringLiteral("point"), index},
                               {QStringLiteral("axis"), axis},
                               {QStringLiteral("target"), point.position},
                               {QStringLiteral("position"), stopped.position},
                               {QStringLiteral("unit"), Output::unit(unit)},
                               {QStringLiteral("time"), seconds}};
            if (!point.source.isEmpty())
                result.insert(QStringLiteral("source"), point.source);
            if (!warnings.isEmpty())
                result.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(warnings));
            m_output.object(result);

            dwell(guard, axis, point.dwellMs);
        }
    }
    return m_reached;
}

#pragma once
// Visits a list of points: per point an optional speed, an absolute move, the
// wait until the axis stops, the dwell and one line (or JSON object) saying
// where the axis arrived and when. The points are checked beforehand by the caller.

#include "MotionPoint.h"

#include <QMap>
#include <QSet>
#include <QVector>

class ControllerSession;
class InterruptGuard;
class MotionTrace;
class Output;

class PointRunner
{
public:
    // `timeoutSeconds` bounds the wait for each move.
    PointRunner(ControllerSession &session, Output &output, double timeoutSeconds);

    // Visits the points in order, `passes` times, and returns how many were
    // reached. Throws CommandError: on Ctrl-C or SIGTERM (after sending a stop
    // to the axis in use), when a library call fails (with its code) and when
    // a move does not end within the time-out. Points reached before that are
    // already printed.
    qint64 run(const QVector<MotionPoint> &points, int passes);
    // Records the readings taken while the axes move, with each point as
    // the target (one axis: the trace has no axis column).
    void setTrace(MotionTrace *trace) { m_trace = trace; }

private:
    int unitType(int axis);
    // Absolute moves only: relative mode is a controller setting that a
    // previous "move --relative" may have left on.
    void prepareAxis(int axis);
    void dwell(const InterruptGuard &guard, int axis, int milliseconds);
    [[noreturn]] void stopAfterInterrupt(int axis);

    ControllerSession &m_session;
    Output &m_output;
    double m_timeoutSeconds;
    qint64 m_reached = 0;
    qint64 m_total = 0; // points times passes
    QMap<int, int> m_unitTypes;
    QSet<int> m_preparedAxes;
    MotionTrace *m_trace = nullptr;
};

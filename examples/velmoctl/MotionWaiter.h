#pragma once
// Follows a moving axis: polls its state and position every 100 ms, printing
// the position, until the controller reports the axis stopped.

#include "velmoLibrary.h"

#include <QStringList>

class ControllerSession;
class MotionTrace;
class Output;

class MotionWaiter
{
public:
    struct Stopped
    {
        double position;
        MotorStageState state;
        int polls; // how many times state and position were read
    };

    MotionWaiter(ControllerSession &session, int axis, int unitType, Output &output);

    // Limits and sensor faults: what people must notice about a stopped axis.
    static QStringList stateWarnings(const MotorStageState &state);

    // Whether each reading while the axis moves is printed (default yes).
    void setProgressShown(bool shown) { m_progressShown = shown; }
    // Every state and position read while waiting also goes to trace.
    void setTrace(MotionTrace *trace) { m_trace = trace; }

    enum class Mode {
        AfterStart, // the motion was just started: first reading after one period,
                    // giving the controller time to get going; Ctrl-C stops the axis
        Watch       // someone else's motion: first reading at once; Ctrl-C only ends the watch
    };

    // Waits until the axis is stopped. Throws CommandError on a failed read,
    // on timeout (the axis keeps moving) and on Ctrl-C.
    Stopped waitUntilStopped(double timeoutSeconds, Mode mode);

private:
    ControllerSession &m_session;
    int m_axis;
    int m_unitType;
    Output &m_output;
    MotionTrace *m_trace = nullptr;
    bool m_progressShown = true;
};

// Moves one axis to an absolute position and polls its running state until
// it stops, printing the position on the way.
//
//   move_axis [id [axis [target [speed [acceleration]]]]]
//
// Without an id the first controller on the bus is used; the defaults are
// axis 0, target 25, speed 10 and acceleration 50 (in the axis's unit: mm or
// degrees). Exits with 0 when the axis stopped at the target.
#include "ControllerSession.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

using velmo_example::ControllerSession;

namespace {

double argumentOr(int argc, char **argv, int index, double fallback)
{
    return argc > index ? std::atof(argv[index]) : fallback;
}

// Reports a failed command with its result code; true when it succeeded.
bool succeeded(const char *command, int result)
{
    if (result != 0)
        std::printf("%s failed: %d\n", command, result);
    return result == 0;
}

int moveAxis(int id, int axis, double target, double speed, double acceleration)
{
    ControllerSession session(id);
    if (!session.isOpen()) {
        std::printf("controller %d: open failed (%d)\n", id, session.openResult());
        return 1;
    }
    int status = 0;
    const double start = getCurrentPos(id, axis, &status);
    if (!succeeded("getCurrentPos", status))
        return 1;
    std::printf("controller %d axis %d: from %.3f to %.3f\n", id, axis, start, target);

    if (!succeeded("setMotorEnable", setMotorEnable(id, axis, 1))
        || !succeeded("setRelativeDispEnable", setRelativeDispEnable(id, axis, 0))
        || !succeeded("setSpeed", setSpeed(id, axis, speed))
        || !succeeded("setAcceleration", setAcceleration(id, axis, acceleration))
        || !succeeded("setTargetPos", setTargetPos(id, axis, target))
        || !succeeded("startMove", startMove(id, axis)))
        return 1;

    // Allow the whole distance at the set speed plus a generous margin.
    const auto timeLimit = std::chrono::duration<double>(std::fabs(target - start) / speed + 10.0);
    const auto started = std::chrono::steady_clock::now();
    MotorStageState state{};
    double position = start;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!succeeded("getRuningState", getRuningState(id, axis, &state)))
            return 1;
        position = getCurrentPos(id, axis, &status);
        if (!succeeded("getCurrentPos", status))
            return 1;
        if (state.isStop)
            break;
        std::printf("  moving, position %.3f\n", position);
        if (std::chrono::steady_clock::now() - started > timeLimit) {
            std::printf("no stop within %.0f s; stopping the axis\n", timeLimit.count());
            stopRuning(id, axis);
            return 1;
        }
    }
    if (state.isLeftLimit || state.isRightLimit)
        std::printf("stopped on the %s limit switch\n", state.isLeftLimit ? "negative" : "positive");
    const bool reached = std::fabs(position - target) < 1e-3;
    std::printf("%s at %.3f (target %.3f)\n", reached ? "reached" : "stopped short", position, target);
    return reached ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    libraryInit();
    const int id = velmo_example::controllerIdFromArguments(argc, argv, 1);
    int exitCode = 1;
    if (id < 0) {
        std::printf("no controller found\n");
    } else {
        const int axis = argc > 2 ? std::atoi(argv[2]) : 0;
        exitCode = moveAxis(id, axis, argumentOr(argc, argv, 3, 25.0), argumentOr(argc, argv, 4, 10.0),
                            argumentOr(argc, argv, 5, 50.0));
    }
    libraryDeInit();
    return exitCode;
}

// Reads the motor parameter block of one axis (the data kept on the stage's
// ID chip) and prints every field.
//
//   read_motor_params [id [axis]]
//
// Without an id the first controller on the bus is used; the default axis is 0.
#include "ControllerSession.h"

#include <cstdio>

using velmo_example::ControllerSession;
using velmo_example::fieldText;

namespace {

// The block's fields in transfer order: step k of getMotorParams is kFieldNames[k - 1].
constexpr const char *kFieldNames[] = {
    "modelName", "serialNumber", "pulse", "helicalPitch", "restoreSpeed", "motorType",
    "pLimitPolarity", "nLimitPolarity", "zeroPolarity", "direction", "limitDirection", "unitType",
    "optOrder", "maxSpeed", "maxAcc", "minPos", "maxPos", "zoptWidth",
    "optNum", "returnTrip", "motorPhase", "modifyDate", "maxRockerSpeed",
};
constexpr int kFieldCount = static_cast<int>(sizeof kFieldNames / sizeof kFieldNames[0]);

// -(2k-1): field k not sent; -2k: field k without a valid reply.
void printFailure(int result)
{
    const int step = (1 - result) / 2;
    if (result == -100)
        std::printf("getMotorParams: no record given\n");
    else if (step >= 1 && step <= kFieldCount)
        std::printf("getMotorParams failed at field %d (%s): %s\n", step, kFieldNames[step - 1],
                    result % 2 != 0 ? "request not sent" : "no valid reply");
    else
        std::printf("getMotorParams failed: %d\n", result);
}

void printBlock(const MotorParams &p)
{
    std::printf("  modelName       %s\n", fieldText(p.modelName).c_str());
    std::printf("  serialNumber    %s\n", fieldText(p.serialNumber).c_str());
    std::printf("  pulse           %u\n", static_cast<unsigned>(p.pulse));
    std::printf("  helicalPitch    %g\n", p.helicalPitch);
    std::printf("  restoreSpeed    %g\n", p.restoreSpeed);
    std::printf("  motorType       %d\n", p.motorType);
    std::printf("  pLimitPolarity  %d\n", p.pLimitPolarity);
    std::printf("  nLimitPolarity  %d\n", p.nLimitPolarity);
    std::printf("  zeroPolarity    %d\n", p.zeroPolarity);
    std::printf("  direction       %d\n", p.direction);
    std::printf("  limitDirection  %d\n", p.limitDirection);
    std::printf("  unitType        %d\n", p.unitType);
    std::printf("  optOrder        %s\n", fieldText(p.optOrder).c_str());
    std::printf("  maxSpeed        %g\n", p.maxSpeed);
    std::printf("  maxAcc          %g\n", p.maxAcc);
    std::printf("  minPos          %g\n", p.minPos);
    std::printf("  maxPos          %g\n", p.maxPos);
    std::printf("  zoptWidth       %d\n", p.zoptWidth);
    std::printf("  optNum          %d\n", p.optNum);
    std::printf("  returnTrip      %d\n", p.returnTrip);
    std::printf("  motorPhase      %d\n", p.motorPhase);
    std::printf("  modifyDate      %u\n", static_cast<unsigned>(p.modifyDate));
    std::printf("  maxRockerSpeed  %g\n", p.maxRockerSpeed);
}

int readBlock(int id, int axis)
{
    ControllerSession session(id);
    if (!session.isOpen()) {
        std::printf("controller %d: open failed (%d)\n", id, session.openResult());
        return 1;
    }
    MotorParams params{};
    const int result = getMotorParams(id, axis, &params);
    if (result != 0) {
        printFailure(result);
        return 1;
    }
    std::printf("motor parameter block of controller %d axis %d\n", id, axis);
    printBlock(params);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    libraryInit();
    const int id = velmo_example::controllerIdFromArguments(argc, argv, 1);
    int exitCode = 1;
    if (id < 0)
        std::printf("no controller found\n");
    else
        exitCode = readBlock(id, argc > 2 ? std::atoi(argv[2]) : 0);
    libraryDeInit();
    return exitCode;
}

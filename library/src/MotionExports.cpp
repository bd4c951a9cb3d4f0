// Motion commands and axis state.
#include "velmoLibrary.h"
#include "LogCategories.h"

#include "CommandExchange.h"
#include "CommandFamilies.h"
#include "StateWord.h"
#include "WirePayload.h"


using velmo::CommandExchange;
using velmo::CommandFamilies;
using velmo::WirePayload;
using velmo::WireReader;

extern "C" {

int VELMO_CALL startMove(int id, int axis)
{
    return CommandFamilies::axisCommand(id, axis, 0x0001);
}

int VELMO_CALL stopRuning(int id, int axis)
{
    return CommandFamilies::axisCommand(id, axis, 0x0002);
}

int VELMO_CALL home(int id, int axis)
{
    return CommandFamilies::axisCommand(id, axis, 0x0003);
}

int VELMO_CALL startJog(int id, int axis, int direction)
{
    return CommandFamilies::writeU16(id, axis, 0x0004, direction);
}

int VELMO_CALL startDrive(int id, int axis, int direction)
{
    return CommandFamilies::writeU16(id, axis, 0x0005, direction);
}

int VELMO_CALL startCircle(int id, int axis, int direction)
{
    return CommandFamilies::writeU16(id, axis, 0x0006, direction);
}

int VELMO_CALL setMotorEnable(int id, int axis, int enable)
{
    return CommandFamilies::writeU16(id, axis, 0x0025, enable);
}

int VELMO_CALL setTargetPos(int id, int axis, double position)
{
    return CommandFamilies::writeF64(id, axis, 0x0007, position);
}

double VELMO_CALL getTargetPos(int id, int axis, char *ok)
{
    char data[10] = {};
    const int result = CommandFamilies::read(id, 0x0008, CommandFamilies::axisOnly(axis), data, 10);
    if (ok != nullptr)
        *ok = result == 0 ? 1 : 0;
    return result == 0 ? WireReader(data).f64(2) : double(result);
}

double VELMO_CALL getCurrentPos(int id, int axis, int *status)
{
    char data[10] = {};
    const int result = CommandFamilies::read(id, 0x0023, CommandFamilies::axisOnly(axis), data, 10);
    if (status != nullptr)
        *status = result;
    return result == 0 ? WireReader(data).f64(2) : 0.0;
}

int VELMO_CALL getRuningState(int id, int axis, MotorStageState *state)
{
    if (state == nullptr)
        return -100;
    char data[8] = {};
    const int result = CommandFamilies::read(id, 0x0024, CommandFamilies::axisOnly(axis), data, 8);
    if (result != 0)
        return result;
    const WireReader reply(data);
    *state = velmo::StateWord::decode(reply.u16(2), reply.i32(4));
    qCDebug(velmo::lcExchange).noquote() << "state.currentJog: " << state->currentJog;
    return 0;
}

int VELMO_CALL getJogIndex(int id, int axis)
{
    return CommandFamilies::readI32(id, axis, 0x0017);
}

int VELMO_CALL getCircleIndex(int id, int axis)
{
    return CommandFamilies::readI32(id, axis, 0x001C);
}

} // extern "C"

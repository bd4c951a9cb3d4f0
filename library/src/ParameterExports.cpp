// Axis parameters, trigger settings, position compensation, controller
// identity and joystick.
#include "velmoLibrary.h"
#include "LogCategories.h"

#include "CommandExchange.h"
#include "CommandFamilies.h"
#include "WirePayload.h"

#include <cstring>

using velmo::CommandExchange;
using velmo::CommandFamilies;
using velmo::WirePayload;
using velmo::WireReader;

namespace {

constexpr int kCompensationPoints = 10;
constexpr int kCompensationTableBytes = 2 + kCompensationPoints * int(sizeof(PosConpenPoint));

QByteArray compensationRequest(int axis, const PosConpenPoint *points, int count)
{
    WirePayload payload;
    payload.u16(axis).u16(count);
    for (int i = 0; i < kCompensationPoints; ++i)
        payload.f64(points[i].expectPos).f64(points[i].actualPos);
    return payload.bytes();
}

int writeCompensation(int id, int axis, quint16 code, const PosConpenPoint *points, int count)
{
    if (points == nullptr)
        return -3;
    return CommandFamilies::command(id, code, compensationRequest(axis, points, count));
}

int readCompensation(int id, int axis, quint16 code, PosConpenPoint *points, int *count, bool logCount)
{
    char data[2 + kCompensationTableBytes] = {};
    const int result = CommandFamilies::read(id, code, CommandFamilies::axisOnly(axis), data, int(sizeof data));
    if (result != 0)
        return result;
    if (points == nullptr || count == nullptr)
        return -3;
    const WireReader reply(data);
    // The count comes from the controller; the caller's table holds 10 points.
    const int stored = qMin(int(reply.u16(2)), kCompensationPoints);
    if (logCount)
        qCDebug(velmo::lcExchange).noquote() << "getPositivePosConpen" << reply.u16(2);
    *count = stored;
    for (int i = 0; i < stored; ++i) {
        points[i].expectPos = reply.f64(4 + i * 16);
        points[i].actualPos = reply.f64(12 + i * 16);
    }
    return 0;
}

int writeDeviceText(int id, quint16 code, const char *text, int length, int replyLength)
{
    return CommandFamilies::command(id, code, WirePayload().text(text, length).bytes(), replyLength);
}

int writeAxisText(int id, int axis, quint16 code, const char *text, int length)
{
    return CommandFamilies::command(id, code, WirePayload().u16(axis).text(text, length).bytes());
}

QByteArray zeroWord()
{
    return WirePayload().u16(0).bytes();
}

} // namespace

extern "C" {

int VELMO_CALL setSpeed(int id, int axis, double value) { return CommandFamilies::writeF64(id, axis, 0x0009, value); }
double VELMO_CALL getSpeed(int id, int axis) { return CommandFamilies::readF64(id, axis, 0x000A); }

int VELMO_CALL setAcceleration(int id, int axis, double value)
{
    return CommandFamilies::writeF64(id, axis, 0x000B, value);
}
double VELMO_CALL getAcceleration(int id, int axis) { return CommandFamilies::readF64(id, axis, 0x000C); }

int VELMO_CALL setRelativeDisp(int id, int axis, double value)
{
    return CommandFamilies::writeF64(id, axis, 0x000D, value);
}
double VELMO_CALL getRelativeDisp(int id, int axis) { return CommandFamilies::readF64(id, axis, 0x000E); }

int VELMO_CALL setRelativeDispEnable(int id, int axis, int enable)
{
    return CommandFamilies::writeU16(id, axis, 0x000F, enable);
}
int VELMO_CALL getRelativeDispEnable(int id, int axis) { return CommandFamilies::readU16(id, axis, 0x0010); }

int VELMO_CALL setJogStep(int id, int axis, double value) { return CommandFamilies::writeF64(id, axis, 0x0011, value); }
double VELMO_CALL getJogStep(int id, int axis) { return CommandFamilies::readF64(id, axis, 0x0012); }

int VELMO_CALL setJogDelay(int id, int axis, int value) { return CommandFamilies::writeI32(id, axis, 0x0013, value); }
int VELMO_CALL getJogDelay(int id, int axis) { return CommandFamilies::readI32(id, axis, 0x0014); }

int VELMO_CALL setJogCount(int id, int axis, int value) { return CommandFamilies::writeI32(id, axis, 0x0015, value); }
int VELMO_CALL getJogCount(int id, int axis) { return CommandFamilies::readI32(id, axis, 0x0016); }

int VELMO_CALL setCircleDisp(int id, int axis, double value)
{
    return CommandFamilies::writeF64(id, axis, 0x0018, value);
}
double VELMO_CALL getCircleDisp(int id, int axis) { return CommandFamilies::readF64(id, axis, 0x0019); }

int VELMO_CALL setCircleCount(int id, int axis, int value)
{
    return CommandFamilies::writeI32(id, axis, 0x001A, value);
}
int VELMO_CALL getCircleCount(int id, int axis) { return CommandFamilies::readI32(id, axis, 0x001B); }

int VELMO_CALL setCircleDelay(int id, int axis, int value)
{
    return CommandFamilies::writeI32(id, axis, 0x001D, value);
}
int VELMO_CALL getCircleDelay(int id, int axis) { return CommandFamilies::readI32(id, axis, 0x001E); }

int VELMO_CALL setTriggerInEnable(int id, int axis, int value)
{
    return CommandFamilies::writeU16(id, axis, 0x001F, value);
}
int VELMO_CALL getTriggerInEnable(int id, int axis) { return CommandFamilies::readU16(id, axis, 0x0020); }

int VELMO_CALL setTriggerOutEnable(int id, int axis, int value)
{
    return CommandFamilies::writeU16(id, axis, 0x0021, value);
}
int VELMO_CALL getTriggerOutEnable(int id, int axis) { return CommandFamilies::readU16(id, axis, 0x0022); }

int VELMO_CALL setTriggerStep(int id, int axis, double value)
{
    return CommandFamilies::writeF64(id, axis, 0x103B, value);
}

double VELMO_CALL getTriggerStep(int id, int axis, int *status)
{
    char data[10] = {};
    const int result = CommandFamilies::read(id, 0x103C, CommandFamilies::axisOnly(axis), data, 10);
    if (result == 0)
        return WireReader(data).f64(2);
    if (status != nullptr)
        *status = result;
    return 0.0;
}

int VELMO_CALL setMotorUnitType(int id, int axis, int unitType)
{
    return CommandFamilies::writeU16(id, axis, 0x101D, unitType);
}
int VELMO_CALL getMotorUnitType(int id, int axis) { return CommandFamilies::readU16(id, axis, 0x101E); }

int VELMO_CALL setPosConpenEnable(int id, int axis, int enable)
{
    return CommandFamilies::writeU16(id, axis, 0x1041, (enable & 0xFF) != 0 ? 1 : 0);
}

int VELMO_CALL getPosConpenEnable(int id, int axis, short *enable)
{
    char data[4] = {};
    const int result = CommandFamilies::read(id, 0x1042, CommandFamilies::axisOnly(axis), data, 4);
    if (result == 0 && enable != nullptr)
        *enable = short(WireReader(data).u16(2));
    return result;
}

int VELMO_CALL setPositivePosConpen(int id, int axis, const PosConpenPoint *points, int count)
{
    return writeCompensation(id, axis, 0x103D, points, count);
}

int VELMO_CALL setNegativePosConpen(int id, int axis, const PosConpenPoint *points, int count)
{
    return writeCompensation(id, axis, 0x103F, points, count);
}

int VELMO_CALL getPositivePosConpen(int id, int axis, PosConpenPoint *points, int *count)
{
    return readCompensation(id, axis, 0x103E, points, count, true);
}

int VELMO_CALL getNegativePosConpen(int id, int axis, PosConpenPoint *points, int *count)
{
    return readCompensation(id, axis, 0x1040, points, count, false);
}

int VELMO_CALL setMotorSerialNumber(int id, int axis, const char *text, int length)
{
    return writeAxisText(id, axis, 0x1009, text, length);
}

int VELMO_CALL getMotorSerialNumber(int id, int axis, char *buffer, int size)
{
    return CommandFamilies::readText(id, 0x100A, CommandFamilies::axisOnly(axis), 2, buffer, size);
}

int VELMO_CALL setMotorModelName(int id, int axis, const char *text, int length)
{
    return writeAxisText(id, axis, 0x1007, text, length);
}

int VELMO_CALL getMotorModelName(int id, int axis, char *buffer, int size)
{
    return CommandFamilies::readText(id, 0x1008, CommandFamilies::axisOnly(axis), 2, buffer, size);
}

int VELMO_CALL setDevModelName(int id, const char *text, int length)
{
    return writeDeviceText(id, 0x1001, text, length, 0);
}

int VELMO_CALL getDevModelName(int id, char *buffer, int size)
{
    return CommandFamilies::readText(id, 0x1002, zeroWord(), 0, buffer, size);
}

int VELMO_CALL setDeviceName(int id, const char *text, int length)
{
    return writeDeviceText(id, 0x1001, text, length, 2);
}

int VELMO_CALL setDevSerialNumber(int id, const char *text, int length)
{
    return writeDeviceText(id, 0x1003, text, length, 0);
}

int VELMO_CALL getDevSerialNumber(int id, char *buffer, int size)
{
    const int result = CommandFamilies::readText(id, 0x1004, QByteArray(), 0, buffer, size);
    if (result == 0)
        qCDebug(velmo::lcExchange).noquote() << "getDevSerialNumber" << 268
                           << QString::fromLatin1(buffer, int(qstrnlen(buffer, WirePayload::kTextSize)));
    return result;
}

int VELMO_CALL getDevSoftVersion(int id, char *buffer, int size)
{
    return CommandFamilies::readText(id, 0x101F, zeroWord(), 0, buffer, size);
}

int VELMO_CALL setDevAxisCount(int id, int count)
{
    return CommandFamilies::command(id, 0x1005, WirePayload().u16(count).bytes(), 0);
}

int VELMO_CALL getDevAxisCount(int id)
{
    char data[2] = {};
    const int result = CommandFamilies::read(id, 0x1006, zeroWord(), data, 2);
    return result == 0 ? int(WireReader(data).u16(0)) : result;
}

int VELMO_CALL setRockerEnable(int id, int enable)
{
    return CommandFamilies::command(id, 0x0027, WirePayload().u16(enable).bytes(), 0);
}

int VELMO_CALL getRockerEnable(int id)
{
    char data[2] = {};
    const int result = CommandFamilies::read(id, 0x0028, QByteArray(), data, 2);
    if (result != 0)
        return result;
    return (WireReader(data).u16(0) & 0xFF) == 1 ? 1 : 0;
}

int VELMO_CALL getRockerSpeed(int id)
{
    char data[2] = {};
    const int result = CommandFamilies::read(id, 0x1038, QByteArray(), data, 2);
    return result == 0 ? int(WireReader(data).u16(0)) : result;
}

int VELMO_CALL getRockerInfo(int id, CONTROLER_STATE *state)
{
    if (state == nullptr)
        return -100;
    char data[2] = {};
    const int result = CommandFamilies::read(id, 0x1023, QByteArray(), data, 2);
    if (result != 0)
        return result;
    // Both reads must succeed before the record changes: a failed speed
    // read is reported as such, never handed on as a speed.
    const int speed = getRockerSpeed(id);
    if (speed < 0)
        return speed;
    state->rockerEnabled = uint8_t(WireReader(data).u16(0) & 0x01);
    state->rockerSpeed = uint16_t(speed);
    return 0;
}

} // extern "C"

#include "CommandFamilies.h"

#include "CommandExchange.h"
#include "WirePayload.h"

#include <cstring>

namespace velmo {

QByteArray CommandFamilies::axisOnly(int axis)
{
    return WirePayload().u16(axis).bytes();
}

int CommandFamilies::command(int id, quint16 code, const QByteArray &payload, int replyLength)
{
    return CommandExchange::exchange(id, code, payload, nullptr, replyLength);
}

int CommandFamilies::axisCommand(int id, int axis, quint16 code)
{
    return command(id, code, axisOnly(axis));
}

int CommandFamilies::writeF64(int id, int axis, quint16 code, double value)
{
    return command(id, code, WirePayload().u16(axis).f64(value).bytes());
}

int CommandFamilies::writeI32(int id, int axis, quint16 code, int value)
{
    return command(id, code, WirePayload().u16(axis).i32(value).bytes());
}

int CommandFamilies::writeU16(int id, int axis, quint16 code, int value)
{
    return command(id, code, WirePayload().u16(axis).u16(value).bytes());
}

int CommandFamilies::read(int id, quint16 code, const QByteArray &request, char *data, int replyLength)
{
    return CommandExchange::exchange(id, code, request, data, replyLength);
}

double CommandFamilies::readF64(int id, int axis, quint16 code)
{
    char data[10] = {};
    const int result = read(id, code, axisOnly(axis), data, 10);
    return result == 0 ? WireReader(data).f64(2) : double(result);
}

int CommandFamilies::readI32(int id, int axis, quint16 code)
{
    char data[6] = {};
    const int result = read(id, code, axisOnly(axis), data, 6);
    return result == 0 ? WireReader(data).i32(2) : result;
}

int CommandFamilies::readU16(int id, int axis, quint16 code)
{
    char data[4] = {};
    const int result = read(id, code, axisOnly(axis), data, 4);
    return result == 0 ? int(WireReader(data).u16(2)) : result;
}

int CommandFamilies::readText(int id, quint16 code, const QByteArray &request, int textOffset, char *buffer,
                              int size)
{
    if (buffer == nullptr)
        return -3;
    if (CommandExchange::sendRequest(id, code, request.isEmpty() ? nullptr : request.constData(), request.size()) < 0)
        return -1;
    if (size < WirePayload::kTextSize)
        return -3; // the unread reply is discarded by the next request
    char data[WirePayload::kTextSize + 2] = {};
    if (CommandExchange::receiveReply(id, code, data, WirePayload::kTextSize + textOffset) < 0)
        return -2;
    std::memcpy(buffer, data + textOffset, WirePayload::kTextSize);
    return 0;
}

} // namespace velmo

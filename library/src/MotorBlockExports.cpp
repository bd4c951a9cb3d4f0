// Motor parameter block, motor auto-detection and the stage's ID chip.
#include "velmoLibrary.h"

#include "CommandFamilies.h"
#include "WirePayload.h"

#include <cstring>

using velmo::CommandFamilies;
using velmo::WirePayload;

namespace {

// How one field of the block travels after the axis.
enum class FieldKind { Text32, Bytes4, U32, U16, F64 };

struct BlockField {
    quint16 writeCode; // the read code is writeCode + 1
    FieldKind kind;
    std::size_t offset;
};

int wireSize(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Text32: return 32;
    case FieldKind::Bytes4: return 4;
    case FieldKind::U32: return 4;
    case FieldKind::U16: return 2;
    case FieldKind::F64: return 8;
    }
    return 0;
}

// The 23 fields in exchange order; step k of a transfer is fields[k - 1].
const BlockField fields[] = {
    {0x1007, FieldKind::Text32, offsetof(MotorParams, modelName)},
    {0x1009, FieldKind::Text32, offsetof(MotorParams, serialNumber)},
    {0x100B, FieldKind::U32, offsetof(MotorParams, pulse)},
    {0x100D, FieldKind::F64, offsetof(MotorParams, helicalPitch)},
    {0x100F, FieldKind::F64, offsetof(MotorParams, restoreSpeed)},
    {0x1011, FieldKind::U16, offsetof(MotorParams, motorType)},
    {0x1013, FieldKind::U16, offsetof(MotorParams, pLimitPolarity)},
    {0x1015, FieldKind::U16, offsetof(MotorParams, nLimitPolarity)},
    {0x1017, FieldKind::U16, offsetof(MotorParams, zeroPolarity)},
    {0x1019, FieldKind::U16, offsetof(MotorParams, direction)},
    {0x101B, FieldKind::U16, offsetof(MotorParams, limitDirection)},
    {0x101D, FieldKind::U16, offsetof(MotorParams, unitType)},
    {0x1024, FieldKind::Bytes4, offsetof(MotorParams, optOrder)},
    {0x1026, FieldKind::F64, offsetof(MotorParams, maxSpeed)},
    {0x1028, FieldKind::F64, offsetof(MotorParams, maxAcc)},
    {0x102A, FieldKind::F64, offsetof(MotorParams, minPos)},
    {0x102C, FieldKind::F64, offsetof(MotorParams, maxPos)},
    {0x102E, FieldKind::U16, offsetof(MotorParams, zoptWidth)},
    {0x1030, FieldKind::U16, offsetof(MotorParams, optNum)},
    {0x1032, FieldKind::U16, offsetof(MotorParams, returnTrip)},
    {0x1034, FieldKind::U16, offsetof(MotorParams, motorPhase)},
    {0x1036, FieldKind::U32, offsetof(MotorParams, modifyDate)},
    {0x1039, FieldKind::F64, offsetof(MotorParams, maxRockerSpeed)},
};

constexpr quint16 kCloseWriteSequence = 0x2000;

// The record's fields and the wire are both little-endian on every host the
// library is built for, so a field's bytes are its wire value.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the block is copied byte for byte");

} // namespace

extern "C" {

int VELMO_CALL setMotorParams(int id, int axis, MotorParams params)
{
    const auto *record = reinterpret_cast<const char *>(&params);
    int step = 1;
    for (const BlockField &field : fields) {
        const int size = wireSize(field.kind);
        const QByteArray payload = WirePayload().u16(axis).bytesField(record + field.offset, size, size).bytes();
        const int result = CommandFamilies::command(id, field.writeCode, payload);
        if (result == -1)
            return -(2 * step - 1);
        if (result != 0)
            return -2 * step;
        ++step;
    }
    const int result = CommandFamilies::axisCommand(id, axis, kCloseWriteSequence);
    if (result == -1)
        return -60;
    return result == 0 ? 0 : -61;
}

int VELMO_CALL getMotorParams(int id, int axis, MotorParams *params)
{
    if (params == nullptr)
        return -100;
    auto *record = reinterpret_cast<char *>(params);
    int step = 1;
    for (const BlockField &field : fields) {
        const int size = wireSize(field.kind);
        char data[2 + 32] = {};
        const int result =
            CommandFamilies::read(id, quint16(field.writeCode + 1), CommandFamilies::axisOnly(axis), data, 2 + size);
        if (result == -1)
            return -(2 * step - 1);
        if (result != 0)
            return -2 * step;
        std::memcpy(record + field.offset, data + 2, std::size_t(size));
        ++step;
    }
    return 0;
}

int VELMO_CALL getMotorAutoDetect(int id, int axis, char *detected)
{
    if (detected == nullptr)
        return -100;
    char data[4] = {};
    const int result = CommandFamilies::read(id, 0x1022, CommandFamilies::axisOnly(axis), data, 4);
    if (result == 0)
        *detected = data[2]; // low byte of the value
    return result;
}

int VELMO_CALL setClearIDChip(int id, int axis)
{
    return CommandFamilies::command(id, 0x1043, CommandFamilies::axisOnly(axis), 0);
}

} // extern "C"

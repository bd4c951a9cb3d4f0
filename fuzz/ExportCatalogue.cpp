#include "FuzzCheck.h"
#include "ExportCatalogue.h"

#include "velmoLibrary.h"

#include <QtGlobal>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// 0, -1 not sent, -2 no valid reply.
bool isOutcome(int result)
{
    return result == 0 || result == -1 || result == -2;
}

template <typename Record> Record filledRecord(quint8 fill)
{
    Record record;
    std::memset(&record, fill, sizeof record);
    return record;
}

template <typename Record> bool sameBytes(const Record &a, const Record &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void command(int result)
{
    FUZZ_CHECK(isOutcome(result));
}

// A getter returning the value or -1 / -2: the value is a 16-bit word.
void wordGetter(int result)
{
    FUZZ_CHECK(result == -1 || result == -2 || (result >= 0 && result <= 0xFFFF));
}

// Text getters: exactly 32 bytes written into a buffer of `size`, nothing
// beyond; too small a buffer is refused with -3 and left alone.
void textGetter(FuzzedDataProvider &provider, int (*getter)(char *, int, void *), void *context)
{
    const int size = provider.ConsumeIntegralInRange<int>(0, 48);
    std::vector<char> buffer(std::size_t(size) + 1, '\x5A'); // one guard byte
    const int result = getter(size == 0 ? nullptr : buffer.data(), size, context);
    if (size < 32) {
        // A null buffer is refused before sending; a short one after it.
        FUZZ_CHECK(result == -3 || (size > 0 && result == -1));
        for (char byte : buffer)
            FUZZ_CHECK(byte == '\x5A');
        return;
    }
    FUZZ_CHECK(isOutcome(result));
    for (std::size_t i = 32; i < buffer.size(); ++i)
        FUZZ_CHECK(buffer[i] == '\x5A');
}

struct AxisContext {
    int id;
    int axis;
};

std::vector<char> textArgument(FuzzedDataProvider &provider)
{
    return provider.ConsumeBytes<char>(provider.ConsumeIntegralInRange<std::size_t>(0, 40));
}

// The length a caller passes with its text: never more than it holds
// (the export copies that many bytes, up to 32), sometimes negative.
int textLength(FuzzedDataProvider &provider, const std::vector<char> &text)
{
    return provider.ConsumeIntegralInRange<int>(-1, int(text.size()));
}

void compensationGetter(int id, int axis, FuzzedDataProvider &provider,
                        int (*getter)(int, int, PosConpenPoint *, int *))
{
    const bool giveTable = provider.ConsumeBool();
    PosConpenPoint points[10];
    std::memset(points, 0x5A, sizeof points);
    int count = -7;
    const int result = getter(id, axis, giveTable ? points : nullptr, giveTable ? &count : nullptr);
    FUZZ_CHECK(isOutcome(result) || result == -3);
    if (result == 0) {
        FUZZ_CHECK(giveTable && count >= 0 && count <= 10);
    } else {
        FUZZ_CHECK(count == -7);
    }
}

void compensationSetter(int id, int axis, FuzzedDataProvider &provider,
                        int (*setter)(int, int, const PosConpenPoint *, int))
{
    PosConpenPoint points[10];
    for (PosConpenPoint &point : points) {
        point.expectPos = provider.ConsumeFloatingPoint<double>();
        point.actualPos = provider.ConsumeFloatingPoint<double>();
    }
    const bool givePoints = provider.ConsumeBool();
    const int result = setter(id, axis, givePoints ? points : nullptr, provider.ConsumeIntegral<int>());
    FUZZ_CHECK(isOutcome(result) || (!givePoints && result == -3));
}

// Step k of the block transfer fails with -(2k-1) or -2k; -60 / -61 close it.
bool isBlockOutcome(int result)
{
    return result == 0 || (result <= -1 && result >= -46) || result == -60 || result == -61;
}

#define AXIS_COMMAND(name) {#name, [](int id, int axis, FuzzedDataProvider &) { command(name(id, axis)); }}
#define AXIS_SET_INT(name) \
    {#name, [](int id, int axis, FuzzedDataProvider &p) { command(name(id, axis, p.ConsumeIntegral<int>())); }}
#define AXIS_SET_F64(name) \
    {#name, [](int id, int axis, FuzzedDataProvider &p) { command(name(id, axis, p.ConsumeFloatingPoint<double>())); }}
#define AXIS_GET_F64(name) {#name, [](int id, int axis, FuzzedDataProvider &) { (void)name(id, axis); }}
#define AXIS_GET_I32(name) {#name, [](int id, int axis, FuzzedDataProvider &) { (void)name(id, axis); }}
#define AXIS_GET_U16(name) {#name, [](int id, int axis, FuzzedDataProvider &) { wordGetter(name(id, axis)); }}
#define AXIS_SET_TEXT(name) \
    {#name, [](int id, int axis, FuzzedDataProvider &p) { \
        const std::vector<char> text = textArgument(p); \
        command(name(id, axis, text.empty() ? nullptr : text.data(), textLength(p, text))); }}
#define DEVICE_SET_TEXT(name) \
    {#name, [](int id, int, FuzzedDataProvider &p) { \
        const std::vector<char> text = textArgument(p); \
        command(name(id, text.empty() ? nullptr : text.data(), textLength(p, text))); }}
#define AXIS_GET_TEXT(name) \
    {#name, [](int id, int axis, FuzzedDataProvider &p) { \
        AxisContext context{id, axis}; \
        textGetter(p, [](char *buffer, int size, void *c) { \
            const auto *where = static_cast<AxisContext *>(c); \
            return name(where->id, where->axis, buffer, size); }, &context); }}
#define DEVICE_GET_TEXT(name) \
    {#name, [](int id, int, FuzzedDataProvider &p) { \
        AxisContext context{id, 0}; \
        textGetter(p, [](char *buffer, int size, void *c) { \
            return name(static_cast<AxisContext *>(c)->id, buffer, size); }, &context); }}

} // namespace

const std::vector<ExportCatalogue::Export> &ExportCatalogue::exports()
{
    static const std::vector<Export> all = {
        // Motion
        AXIS_COMMAND(startMove),
        AXIS_COMMAND(stopRuning),
        AXIS_COMMAND(home),
        AXIS_SET_INT(startJog),
        AXIS_SET_INT(startDrive),
        AXIS_SET_INT(startCircle),
        AXIS_SET_INT(setMotorEnable),
        AXIS_SET_F64(setTargetPos),
        {"getTargetPos", [](int id, int axis, FuzzedDataProvider &p) {
             char ok = 7;
             const double value = getTargetPos(id, axis, p.ConsumeBool() ? &ok : nullptr);
             FUZZ_CHECK(ok == 7 || ok == 0 || ok == 1);
             if (ok == 0)
                 FUZZ_CHECK(value == -1.0 || value == -2.0);
         }},
        {"getCurrentPos", [](int id, int axis, FuzzedDataProvider &p) {
             int status = 7;
             const double value = getCurrentPos(id, axis, p.ConsumeBool() ? &status : nullptr);
             FUZZ_CHECK(status == 7 || isOutcome(status));
             if (status == -1 || status == -2)
                 FUZZ_CHECK(value == 0.0);
         }},
        {"getRuningState", [](int id, int axis, FuzzedDataProvider &p) {
             const bool giveRecord = p.ConsumeBool();
             const MotorStageState before = filledRecord<MotorStageState>(0x5A);
             MotorStageState state = before;
             const int result = getRuningState(id, axis, giveRecord ? &state : nullptr);
             if (!giveRecord) {
                 FUZZ_CHECK(result == -100);
                 return;
             }
             FUZZ_CHECK(isOutcome(result));
             if (result != 0) {
                 FUZZ_CHECK(sameBytes(state, before));
                 return;
             }
             for (uint16_t flag : {state.isCanRun, state.isStop, state.isEnable, state.isHome, state.isLeftLimit,
                                   state.isRightLimit, state.isNegLimitFault, state.isPosLimitFault,
                                   state.isHomeFault})
                 FUZZ_CHECK(flag <= 1);
         }},
        AXIS_GET_I32(getJogIndex),
        AXIS_GET_I32(getCircleIndex),

        // Axis parameters and triggers
        AXIS_SET_F64(setSpeed),
        AXIS_GET_F64(getSpeed),
        AXIS_SET_F64(setAcceleration),
        AXIS_GET_F64(getAcceleration),
        AXIS_SET_F64(setRelativeDisp),
        AXIS_GET_F64(getRelativeDisp),
        AXIS_SET_INT(setRelativeDispEnable),
        AXIS_GET_U16(getRelativeDispEnable),
        AXIS_SET_F64(setJogStep),
        AXIS_GET_F64(getJogStep),
        AXIS_SET_INT(setJogDelay),
        AXIS_GET_I32(getJogDelay),
        AXIS_SET_INT(setJogCount),
        AXIS_GET_I32(getJogCount),
        AXIS_SET_F64(setCircleDisp),
        AXIS_GET_F64(getCircleDisp),
        AXIS_SET_INT(setCircleCount),
        AXIS_GET_I32(getCircleCount),
        AXIS_SET_INT(setCircleDelay),
        AXIS_GET_I32(getCircleDelay),
        AXIS_SET_INT(setTriggerInEnable),
        AXIS_GET_U16(getTriggerInEnable),
        AXIS_SET_INT(setTriggerOutEnable),
        AXIS_GET_U16(getTriggerOutEnable),
        AXIS_SET_F64(setTriggerStep),
        {"getTriggerStep", [](int id, int axis, FuzzedDataProvider &p) {
             int status = 7;
             const double value = getTriggerStep(id, axis, p.ConsumeBool() ? &status : nullptr);
             FUZZ_CHECK(status == 7 || status == -1 || status == -2);
             if (status != 7)
                 FUZZ_CHECK(value == 0.0);
         }},
        AXIS_SET_INT(setMotorUnitType),
        AXIS_GET_U16(getMotorUnitType),

        // Position compensation
        AXIS_SET_INT(setPosConpenEnable),
        {"getPosConpenEnable", [](int id, int axis, FuzzedDataProvider &p) {
             short enable = 7;
             const int result = getPosConpenEnable(id, axis, p.ConsumeBool() ? &enable : nullptr);
             FUZZ_CHECK(isOutcome(result));
             if (result != 0)
                 FUZZ_CHECK(enable == 7);
         }},
        {"setPositivePosConpen",
         [](int id, int axis, FuzzedDataProvider &p) { compensationSetter(id, axis, p, setPositivePosConpen); }},
        {"setNegativePosConpen",
         [](int id, int axis, FuzzedDataProvider &p) { compensationSetter(id, axis, p, setNegativePosConpen); }},
        {"getPositivePosConpen",
         [](int id, int axis, FuzzedDataProvider &p) { compensationGetter(id, axis, p, getPositivePosConpen); }},
        {"getNegativePosConpen",
         [](int id, int axis, FuzzedDataProvider &p) { compensationGetter(id, axis, p, getNegativePosConpen); }},

        // Texts and identity
        AXIS_SET_TEXT(setMotorSerialNumber),
        AXIS_GET_TEXT(getMotorSerialNumber),
        AXIS_SET_TEXT(setMotorModelName),
        AXIS_GET_TEXT(getMotorModelName),
        DEVICE_SET_TEXT(setDevModelName),
        DEVICE_GET_TEXT(getDevModelName),
        DEVICE_SET_TEXT(setDeviceName),
        DEVICE_SET_TEXT(setDevSerialNumber),
        DEVICE_GET_TEXT(getDevSerialNumber),
        DEVICE_GET_TEXT(getDevSoftVersion),
        {"setDevAxisCount",
         [](int id, int, FuzzedDataProvider &p) { command(setDevAxisCount(id, p.ConsumeIntegral<int>())); }},
        {"getDevAxisCount", [](int id, int, FuzzedDataProvider &) { wordGetter(getDevAxisCount(id)); }},

        // Joystick
        {"setRockerEnable",
         [](int id, int, FuzzedDataProvider &p) { command(setRockerEnable(id, p.ConsumeIntegral<int>())); }},
        {"getRockerEnable", [](int id, int, FuzzedDataProvider &) {
             const int result = getRockerEnable(id);
             FUZZ_CHECK(result == 0 || result == 1 || result == -1 || result == -2);
         }},
        {"getRockerSpeed", [](int id, int, FuzzedDataProvider &) { wordGetter(getRockerSpeed(id)); }},
        {"getRockerInfo", [](int id, int, FuzzedDataProvider &p) {
             const bool giveRecord = p.ConsumeBool();
             const CONTROLER_STATE before = filledRecord<CONTROLER_STATE>(0x5A);
             CONTROLER_STATE state = before;
             const int result = getRockerInfo(id, giveRecord ? &state : nullptr);
             if (!giveRecord) {
                 FUZZ_CHECK(result == -100);
                 return;
             }
             FUZZ_CHECK(isOutcome(result));
             if (result != 0)
                 FUZZ_CHECK(sameBytes(state, before));
             else
                 FUZZ_CHECK(state.rockerEnabled <= 1 && state.reserved == before.reserved);
         }},

        // Motor parameter block and ID chip
        {"setMotorParams", [](int id, int axis, FuzzedDataProvider &p) {
             MotorParams params = filledRecord<MotorParams>(0);
             const std::vector<char> bytes = p.ConsumeBytes<char>(sizeof params);
             if (!bytes.empty())
                 std::memcpy(&params, bytes.data(), bytes.size());
             FUZZ_CHECK(isBlockOutcome(setMotorParams(id, axis, params)));
         }},
        {"getMotorParams", [](int id, int axis, FuzzedDataProvider &p) {
             const bool giveRecord = p.ConsumeBool();
             const MotorParams before = filledRecord<MotorParams>(0x5A);
             MotorParams params = before;
             const int result = getMotorParams(id, axis, giveRecord ? &params : nullptr);
             if (!giveRecord) {
                 FUZZ_CHECK(result == -100);
                 return;
             }
             FUZZ_CHECK(isBlockOutcome(result) && result != -60 && result != -61);
             // Padding is never written.
             FUZZ_CHECK(std::memcmp(reinterpret_cast<const char *>(&params) + offsetof(MotorParams, pulse) + 4,
                                 reinterpret_cast<const char *>(&before) + offsetof(MotorParams, pulse) + 4, 4) == 0);
             if (result == -1 || result == -2)
                 FUZZ_CHECK(sameBytes(params, before));
         }},
        {"getMotorAutoDetect", [](int id, int axis, FuzzedDataProvider &p) {
             const bool giveFlag = p.ConsumeBool();
             char detected = 7;
             const int result = getMotorAutoDetect(id, axis, giveFlag ? &detected : nullptr);
             FUZZ_CHECK(giveFlag ? isOutcome(result) : result == -100);
             if (result != 0)
                 FUZZ_CHECK(detected == 7);
         }},
        AXIS_COMMAND(setClearIDChip),
    };
    return all;
}

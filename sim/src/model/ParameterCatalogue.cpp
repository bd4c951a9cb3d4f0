#include "ParameterCatalogue.h"

#include <cstring>

namespace {

constexpr std::size_t TextSize = 32;
constexpr std::size_t TableSize = ParameterCatalogue::CompensationSize;

const ParamInfo Table[P_Count] = {
    {P_TargetPos, "targetPos", 0x0007, 0x0008, ParamType::Real, 8, false},
    {P_Speed, "speed", 0x0009, 0x000A, ParamType::Real, 8, false},
    {P_Acceleration, "acceleration", 0x000B, 0x000C, ParamType::Real, 8, false},
    {P_RelativeDisp, "relativeDisp", 0x000D, 0x000E, ParamType::Real, 8, false},
    {P_RelativeDispEnable, "relativeDispEnable", 0x000F, 0x0010, ParamType::UInt16, 2, false},
    {P_JogStep, "jogStep", 0x0011, 0x0012, ParamType::Real, 8, false},
    {P_JogDelay, "jogDelay", 0x0013, 0x0014, ParamType::Int32, 4, false},
    {P_JogCount, "jogCount", 0x0015, 0x0016, ParamType::Int32, 4, false},
    {P_CircleDisp, "circleDisp", 0x0018, 0x0019, ParamType::Real, 8, false},
    {P_CircleCount, "circleCount", 0x001A, 0x001B, ParamType::Int32, 4, false},
    {P_CircleDelay, "circleDelay", 0x001D, 0x001E, ParamType::Int32, 4, false},
    {P_TriggerInEnable, "triggerInEnable", 0x001F, 0x0020, ParamType::UInt16, 2, false},
    {P_TriggerOutEnable, "triggerOutEnable", 0x0021, 0x0022, ParamType::UInt16, 2, false},
    {P_TriggerStep, "triggerStep", 0x103B, 0x103C, ParamType::Real, 8, false},
    {P_PositiveCompensation, "positiveCompensation", 0x103D, 0x103E, ParamType::Raw, TableSize, false},
    {P_NegativeCompensation, "negativeCompensation", 0x103F, 0x1040, ParamType::Raw, TableSize, false},
    {P_CompensationEnable, "compensationEnable", 0x1041, 0x1042, ParamType::UInt16, 2, false},
    {P_ModelName, "modelName", 0x1007, 0x1008, ParamType::Text, TextSize, true},
    {P_SerialNumber, "serialNumber", 0x1009, 0x100A, ParamType::Text, TextSize, true},
    {P_Pulse, "pulse", 0x100B, 0x100C, ParamType::UInt32, 4, true},
    {P_HelicalPitch, "helicalPitch", 0x100D, 0x100E, ParamType::Real, 8, true},
    {P_RestoreSpeed, "restoreSpeed", 0x100F, 0x1010, ParamType::Real, 8, true},
    {P_MotorType, "motorType", 0x1011, 0x1012, ParamType::UInt16, 2, true},
    {P_PLimitPolarity, "pLimitPolarity", 0x1013, 0x1014, ParamType::UInt16, 2, true},
    {P_NLimitPolarity, "nLimitPolarity", 0x1015, 0x1016, ParamType::UInt16, 2, true},
    {P_ZeroPolarity, "zeroPolarity", 0x1017, 0x1018, ParamType::UInt16, 2, true},
    {P_Direction, "direction", 0x1019, 0x101A, ParamType::UInt16, 2, true},
    {P_LimitDirection, "limitDirection", 0x101B, 0x101C, ParamType::UInt16, 2, true},
    {P_UnitType, "unitType", 0x101D, 0x101E, ParamType::UInt16, 2, true},
    {P_OptOrder, "optOrder", 0x1024, 0x1025, ParamType::Text, 4, true},
    {P_MaxSpeed, "maxSpeed", 0x1026, 0x1027, ParamType::Real, 8, true},
    {P_MaxAcc, "maxAcc", 0x1028, 0x1029, ParamType::Real, 8, true},
    {P_MinPos, "minPos", 0x102A, 0x102B, ParamType::Real, 8, true},
    {P_MaxPos, "maxPos", 0x102C, 0x102D, ParamType::Real, 8, true},
    {P_ZoptWidth, "zoptWidth", 0x102E, 0x102F, ParamType::UInt16, 2, true},
    {P_OptNum, "optNum", 0x1030, 0x1031, ParamType::UInt16, 2, true},
    {P_ReturnTrip, "returnTrip", 0x1032, 0x1033, ParamType::UInt16, 2, true},
    {P_MotorPhase, "motorPhase", 0x1034, 0x1035, ParamType::UInt16, 2, true},
    {P_ModifyDate, "modifyDate", 0x1036, 0x1037, ParamType::UInt32, 4, true},
    {P_MaxRockerSpeed, "maxRockerSpeed", 0x1039, 0x103A, ParamType::Real, 8, true},
};

} // namespace

const ParamInfo &ParameterCatalogue::info(ParamId id)
{
    return Table[id];
}

const ParamInfo *ParameterCatalogue::byWriteCode(std::uint16_t code)
{
    for (const ParamInfo &entry : Table) {
        if (entry.writeCode == code)
            return &entry;
    }
    return nullptr;
}

const ParamInfo *ParameterCatalogue::byReadCode(std::uint16_t code)
{
    for (const ParamInfo &entry : Table) {
        if (entry.readCode == code)
            return &entry;
    }
    return nullptr;
}

const ParamInfo *ParameterCatalogue::byName(const char *name)
{
    for (const ParamInfo &entry : Table) {
        if (std::strcmp(entry.name, name) == 0)
            return &entry;
    }
    return nullptr;
}

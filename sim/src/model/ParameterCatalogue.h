// The values a controller stores per axis, with their write/read codes and
// wire sizes. Motion and settings values and the 23 fields of the motor
// parameter block (the stage's ID chip) share one table.
#ifndef VELMO_SIM_PARAMETERCATALOGUE_H
#define VELMO_SIM_PARAMETERCATALOGUE_H

#include <cstddef>
#include <cstdint>

enum class ParamType { Real, Int32, UInt32, UInt16, Text, Raw };

enum ParamId : int {
    // motion and settings
    P_TargetPos, P_Speed, P_Acceleration, P_RelativeDisp, P_RelativeDispEnable,
    P_JogStep, P_JogDelay, P_JogCount, P_CircleDisp, P_CircleCount, P_CircleDelay,
    P_TriggerInEnable, P_TriggerOutEnable, P_TriggerStep,
    P_PositiveCompensation, P_NegativeCompensation, P_CompensationEnable,
    // motor parameter block, in block order
    P_ModelName, P_SerialNumber, P_Pulse, P_HelicalPitch, P_RestoreSpeed, P_MotorType,
    P_PLimitPolarity, P_NLimitPolarity, P_ZeroPolarity, P_Direction, P_LimitDirection,
    P_UnitType, P_OptOrder, P_MaxSpeed, P_MaxAcc, P_MinPos, P_MaxPos, P_ZoptWidth,
    P_OptNum, P_ReturnTrip, P_MotorPhase, P_ModifyDate, P_MaxRockerSpeed,
    P_Count
};

struct ParamInfo {
    ParamId id;
    const char *name;     // key in scenario and state files
    std::uint16_t writeCode;
    std::uint16_t readCode;
    ParamType type;
    std::size_t size;     // bytes on the wire after the axis
    bool inBlock;         // part of the motor parameter block
};

class ParameterCatalogue
{
public:
    static const ParamInfo &info(ParamId id);
    static const ParamInfo *byWriteCode(std::uint16_t code);
    static const ParamInfo *byReadCode(std::uint16_t code);
    static const ParamInfo *byName(const char *name);

    // Compensation table on the wire: u16 count and 10 points of two doubles.
    static constexpr std::size_t CompensationPoints = 10;
    static constexpr std::size_t CompensationSize = 2 + CompensationPoints * 16;
};

#endif

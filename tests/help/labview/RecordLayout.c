#include "RecordLayout.h"

#include "velmoLibrary.h"

#define FIELD(record, field) {#record, #field, offsetof(record, field), sizeof(((record *)0)->field)}
#define RECORD(record) {#record, NULL, 0, sizeof(record)}

const VelmoFieldLayout velmoRecordLayout[] = {
    RECORD(MotorStageState),
    FIELD(MotorStageState, isCanRun),
    FIELD(MotorStageState, isStop),
    FIELD(MotorStageState, isEnable),
    FIELD(MotorStageState, isHome),
    FIELD(MotorStageState, isLeftLimit),
    FIELD(MotorStageState, isRightLimit),
    FIELD(MotorStageState, isNegLimitFault),
    FIELD(MotorStageState, isPosLimitFault),
    FIELD(MotorStageState, isHomeFault),
    FIELD(MotorStageState, currentJog),

    RECORD(CONTROLER_STATE),
    FIELD(CONTROLER_STATE, rockerEnabled),
    FIELD(CONTROLER_STATE, reserved),
    FIELD(CONTROLER_STATE, rockerSpeed),

    RECORD(MotorParams),
    FIELD(MotorParams, modelName),
    FIELD(MotorParams, serialNumber),
    FIELD(MotorParams, pulse),
    FIELD(MotorParams, helicalPitch),
    FIELD(MotorParams, restoreSpeed),
    FIELD(MotorParams, motorType),
    FIELD(MotorParams, pLimitPolarity),
    FIELD(MotorParams, nLimitPolarity),
    FIELD(MotorParams, zeroPolarity),
    FIELD(MotorParams, direction),
    FIELD(MotorParams, limitDirection),
    FIELD(MotorParams, unitType),
    FIELD(MotorParams, optOrder),
    FIELD(MotorParams, maxSpeed),
    FIELD(MotorParams, maxAcc),
    FIELD(MotorParams, minPos),
    FIELD(MotorParams, maxPos),
    FIELD(MotorParams, zoptWidth),
    FIELD(MotorParams, optNum),
    FIELD(MotorParams, returnTrip),
    FIELD(MotorParams, motorPhase),
    FIELD(MotorParams, modifyDate),
    FIELD(MotorParams, maxRockerSpeed),

    RECORD(PosConpenPoint),
    FIELD(PosConpenPoint, expectPos),
    FIELD(PosConpenPoint, actualPos),
};

const size_t velmoRecordLayoutCount = sizeof velmoRecordLayout / sizeof velmoRecordLayout[0];

#pragma once

#include <QMetaType>
#include <QString>

// One stage model of the catalogue. The field names are the keys of the
// catalogue file, including their spelling ("phaseDirction", "AxisType").
struct VelmoDevParam
{
    QString name;
    // Carries the stage serial number for auto-detected axes; never filled
    // from the catalogue. Starts as an empty, not a null, string.
    QString reservedText = QString(0, QChar());
    qint32 pulseOneCircle = 0;
    float dispOneCircle = 0.0f; // lead, single precision like the device block
    float restoreSpeed = 0.0f;
    qint32 AxisType = 0;
    qint32 positivePolarity = 0;
    qint32 negativePolarity = 0;
    qint32 originPolarity = 0;
    qint32 phaseDirction = 0;
    qint32 originSigID = 0;
    QString unitString;
    qint32 moveType = 0; // 0 linear, 1 rotation, 2 angular, 3 lifting
    qint32 limitDirection = 0;
    QString optOrder;
    double maxSpeed = 0.0;
    double maxAcc = 0.0;
    double minPos = 0.0;
    double maxPos = 0.0;
    qint32 zeroOptWidth = 0;
    qint32 optNum = 0;
    qint32 returnTrip = 0;
    qint32 motorPhase = 0;
    qint32 modifyDate = 0;
    double maxRockerSpeed = 0.0;
};

Q_DECLARE_METATYPE(VelmoDevParam)

struct MotorParams;

// The stage model an axis reports in its motor parameter block: name and
// serial number up to their first NUL, "°" for rotation and angular stages
// (motor types 1 and 2) and "mm" for the rest, every other field from the
// block field of the same meaning.
VelmoDevParam devParamFromMotorBlock(const MotorParams &block);

// The motor parameter block that programs a stage of this model into an
// axis: every byte zero first, the name in UTF-8 cut to 32 bytes at a whole
// character, no serial number, the first 4 bytes of optOrder, unit type 0
// exactly for "mm", and the low 16 bits of each number that goes into a
// 16-bit field.
MotorParams motorBlockFromDevParam(const VelmoDevParam &param);

// Registers the record under the name "VelmoDevParam" so that it can travel
// through queued connections. Safe to call more than once.
int registerVelmoDevParamMetaType();

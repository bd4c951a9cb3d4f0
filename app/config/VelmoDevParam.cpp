#include "VelmoDevParam.h"

#include "velmoLibrary.h"

namespace {

QString blockText(const char *field, int size)
{
    return QString::fromLatin1(field, int(qstrnlen(field, uint(size))));
}

} // namespace

int registerVelmoDevParamMetaType()
{
    return qRegisterMetaType<VelmoDevParam>("VelmoDevParam");
}

VelmoDevParam devParamFromMotorBlock(const MotorParams &block)
{
    VelmoDevParam param;
    param.name = blockText(block.modelName, int(sizeof block.modelName));
    param.reservedText = blockText(block.serialNumber, int(sizeof block.serialNumber));
    param.pulseOneCircle = qint32(block.pulse);
    param.dispOneCircle = float(block.helicalPitch);
    param.restoreSpeed = float(block.restoreSpeed);
    param.AxisType = 0;
    param.positivePolarity = block.pLimitPolarity;
    param.negativePolarity = block.nLimitPolarity;
    param.originPolarity = block.zeroPolarity;
    param.phaseDirction = block.direction;
    param.originSigID = 0;
    param.unitString = block.motorType == 1 || block.motorType == 2 ? QStringLiteral("°") : QStringLiteral("mm");
    param.moveType = block.motorType;
    param.limitDirection = block.limitDirection;
    param.optOrder = blockText(block.optOrder, int(sizeof block.optOrder));
    param.maxSpeed = block.maxSpeed;
    param.maxAcc = block.maxAcc;
    param.minPos = block.minPos;
    param.maxPos = block.maxPos;
    param.zeroOptWidth = block.zoptWidth;
    param.optNum = block.optNum;
    param.returnTrip = block.returnTrip;
    param.motorPhase = block.motorPhase;
    param.modifyDate = qint32(block.modifyDate);
    param.maxRockerSpeed = block.maxRockerSpeed;
    return param;
}

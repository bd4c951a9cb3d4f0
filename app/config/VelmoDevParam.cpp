#include "VelmoDevParam.h"

#include "velmoLibrary.h"

#include <QTextCodec>

#include <cstring>

namespace {

// Names are written as UTF-8 (utf8Prefix below); a block written by other
// tools may hold Latin-1 instead, which is never valid UTF-8 once it has a
// byte above 0x7F on its own, so such text is read as Latin-1.
QString blockText(const char *field, int size)
{
    const int length = int(qstrnlen(field, uint(size)));
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(field, length, &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    return QString::fromLatin1(field, length);
}

// The longest prefix of text whose UTF-8 form fits in size bytes: a name
// is never cut inside a character.
QByteArray utf8Prefix(const QString &text, int size)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= size)
        return bytes;
    int end = size;
    // Back off continuation bytes (10xxxxxx) to the start of the cut character.
    while (end > 0 && (uchar(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

void copyText(char *field, int size, const QByteArray &bytes)
{
    std::memcpy(field, bytes.constData(), size_t(qMin(size, bytes.size())));
}

int16_t low16(qint32 value)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<quint32>(value) & 0xFFFFu));
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

MotorParams motorBlockFromDevParam(const VelmoDevParam &param)
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    copyText(block.modelName, int(sizeof block.modelName), utf8Prefix(param.name, int(sizeof block.modelName)));
    // The controller keeps 4 bytes of the sensor order: a three-letter code
    // and its terminating zero.
    copyText(block.optOrder, 4, param.optOrder.toUtf8().left(4));
    block.pulse = quint32(param.pulseOneCircle);
    block.helicalPitch = double(param.dispOneCircle);
    block.restoreSpeed = double(param.restoreSpeed);
    block.motorType = low16(param.moveType);
    block.pLimitPolarity = low16(param.positivePolarity);
    block.nLimitPolarity = low16(param.negativePolarity);
    block.zeroPolarity = low16(param.originPolarity);
    block.direction = low16(param.phaseDirction);
    block.limitDirection = low16(param.limitDirection);
    block.unitType = param.unitString == QLatin1String("mm") ? 0 : 1;
    block.maxSpeed = param.maxSpeed;
    block.maxAcc = param.maxAcc;
    block.minPos = param.minPos;
    block.maxPos = param.maxPos;
    block.zoptWidth = low16(param.zeroOptWidth);
    block.optNum = low16(param.optNum);
    block.returnTrip = low16(param.returnTrip);
    block.motorPhase = low16(param.motorPhase);
    block.modifyDate = quint32(param.modifyDate);
    block.maxRockerSpeed = param.maxRockerSpeed;
    return block;
}

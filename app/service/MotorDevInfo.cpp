#include "MotorDevInfo.h"

MotorDevInfo::MotorDevInfo(const MotorDevInfo &other) : QObject()
{
    copyFields(other);
}

MotorDevInfo &MotorDevInfo::operator=(const MotorDevInfo &other)
{
    if (this != &other)
        copyFields(other);
    return *this;
}

void MotorDevInfo::copyFields(const MotorDevInfo &other)
{
    axis = other.axis;
    motorModel = other.motorModel;
    motorSerial = other.motorSerial;
    currentPos = other.currentPos;
    speed = other.speed;
    acceleration = other.acceleration;
    relativeDisp = other.relativeDisp;
    targetPos = other.targetPos;
    relativeDispEnable = other.relativeDispEnable;
    jogStep = other.jogStep;
    jogDelay = other.jogDelay;
    jogCount = other.jogCount;
    circleCount = other.circleCount;
    circleDisp = other.circleDisp;
    circleDelay = other.circleDelay;
    triggerInEnable = other.triggerInEnable;
    triggerOutEnable = other.triggerOutEnable;
    triggerStep = other.triggerStep;
}

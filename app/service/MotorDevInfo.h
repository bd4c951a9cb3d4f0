#pragma once

#include <QObject>
#include <QString>

// The service's copy of one axis's motion parameters, as last read from or
// written to the controller. Used as a value: copies carry every field.
class MotorDevInfo : public QObject
{
    Q_OBJECT

public:
    MotorDevInfo() = default;
    MotorDevInfo(const MotorDevInfo &other);
    MotorDevInfo &operator=(const MotorDevInfo &other);
    ~MotorDevInfo() override = default;

    int axis = 0;
    QString motorModel;
    QString motorSerial;
    double currentPos = 0;
    double speed = 0;
    double acceleration = 0;
    double relativeDisp = 0;
    double targetPos = 0;
    bool relativeDispEnable = false;
    double jogStep = 0;
    int jogDelay = 0;
    int jogCount = 0;
    int circleCount = 0;
    double circleDisp = 0;
    int circleDelay = 0;
    int triggerInEnable = 0;
    int triggerOutEnable = 0;
    double triggerStep = 0;

private:
    void copyFields(const MotorDevInfo &other);
};

#pragma once
// Refuses targets outside a stage's travel before anything moves. The travel
// is minPos .. maxPos of the axis's motor parameter block, read once per axis.

#include "velmoLibrary.h"

#include <QMap>
#include <QString>

class ControllerSession;

class TravelCheck
{
public:
    // Beyond this (mm or degrees) a position is a typing mistake, with or
    // without a known travel; it also keeps printed numbers short.
    static constexpr double kLargestPosition = 1.0e6;
    static bool isPlausiblePosition(double position);

    struct Travel
    {
        double minimum = 0.0;
        double maximum = 0.0;
        QString unknownReason; // empty when the block states a usable travel
    };
    // The travel a parameter block states. Both ends 0 (a blank block),
    // reversed or non-finite ends give a Travel with unknownReason set.
    static Travel travelOf(const MotorParams &params);

    explicit TravelCheck(ControllerSession &session);

    // Throws CommandError when `target` lies outside the travel of `axis`
    // (usage), when the block names no usable travel (usage) or when it cannot
    // be read (failure, with the library's code). `label` names the point in
    // the message ("target", "point 3", "line 7").
    void require(int axis, double target, int unitType, const QString &label);

private:
    const Travel &travel(int axis);

    ControllerSession &m_session;
    QMap<int, Travel> m_travels;
};

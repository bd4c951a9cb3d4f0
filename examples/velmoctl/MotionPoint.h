#pragma once
// One point of a scan or of a point file: where an axis goes and what to do there.

#include <QString>

#include <optional>

struct MotionPoint
{
    int axis = 0;
    double position = 0.0;       // absolute target in the axis's unit
    std::optional<double> speed; // set before the move; unset keeps the axis's speed
    int dwellMs = 0;             // pause after the axis stopped
    QString source;              // names the point in messages: "point 3", "line 7", "entry 2"
};

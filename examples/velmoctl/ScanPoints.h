#pragma once
// The positions of a scan from START to STOP in steps of STEP.

#include <QVector>

class ScanPoints
{
public:
    // More points than this in one pass is taken for a typing mistake.
    static constexpr int kMaxPoints = 1000000;

    // START, START + STEP, ... up to STOP, each computed as START + i * STEP so
    // that rounding does not add up. STOP is included (exactly) when it lies
    // within a millionth of a step of a point. Throws CommandError (usage) for
    // STEP 0, a STEP pointing away from STOP, non-finite values or too many points.
    static QVector<double> compute(double start, double stop, double step);
};

#include "ScanPoints.h"

#include "CommandError.h"

#include <cmath>

namespace {

// In steps: how close the last point must come to STOP to be taken as STOP.
constexpr double kStopTolerance = 1e-6;

} // namespace

QVector<double> ScanPoints::compute(double start, double stop, double step)
{
    if (!std::isfinite(start) || !std::isfinite(stop) || !std::isfinite(step))
        throw CommandError::usage(QStringLiteral("scan: START, STOP and STEP must be finite numbers"));
    if (step == 0.0)
        throw CommandError::usage(QStringLiteral("scan: STEP must not be 0"));
    const double span = stop - start;
    if (span != 0.0 && (span > 0.0) != (step > 0.0))
        throw CommandError::usage(QStringLiteral("scan: STEP must be %1 to go from %2 to %3")
                                      .arg(span > 0.0 ? QStringLiteral("positive") : QStringLiteral("negative"))
                                      .arg(start)
                                      .arg(stop));

    const double steps = span / step; // >= 0
    // Written so that an overflowing or NaN quotient is refused too.
    if (!(steps + kStopTolerance < double(kMaxPoints)))
        throw CommandError::usage(QStringLiteral("scan: from %1 to %2 in steps of %3 is more than %4 points")
                                      .arg(start)
                                      .arg(stop)
                                      .arg(step)
                                      .arg(kMaxPoints));

    const int count = int(std::floor(steps + kStopTolerance)) + 1;
    QVector<double> points;
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points.append(start + double(i) * step);
    if (std::fabs(steps - double(count - 1)) <= kStopTolerance)
        points.last() = stop;
    return points;
}

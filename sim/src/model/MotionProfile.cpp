#include "MotionProfile.h"

#include <algorithm>
#include <cmath>

namespace {
// A non-positive acceleration means "as fast as the drive can": a steep ramp
// keeps the arithmetic finite.
constexpr double SteepAcceleration = 1e9;
}

MotionProfile MotionProfile::plan(double startTime, double start, int direction, double initialSpeed,
                                  double cruiseSpeed, double acceleration, double distance, double wall)
{
    MotionProfile p;
    p.m_startTime = startTime;
    p.m_start = start;
    p.m_direction = direction < 0 ? -1 : 1;
    const double a = acceleration > 0.0 ? acceleration : SteepAcceleration;
    const double u0 = std::max(0.0, initialSpeed);
    const double vmax = std::max(1e-12, cruiseSpeed);
    const double D = std::max(0.0, distance);
    p.m_initialSpeed = u0;
    p.m_distance = D;
    p.m_wall = std::max(0.0, wall);
    p.m_deceleration = a;

    const bool open = D >= Unlimited;
    if (!open && u0 * u0 / (2.0 * a) >= D) {
        // Too close to stop at the normal rate: brake harder, straight to rest.
        p.m_peakSpeed = u0;
        p.m_deceleration = D > 0.0 ? (u0 * u0) / (2.0 * D) : SteepAcceleration;
        p.m_brakeDuration = u0 > 0.0 && D > 0.0 ? u0 / p.m_deceleration : 0.0;
    } else {
        double peak = vmax;
        if (!open && u0 <= vmax)
            peak = std::min(vmax, std::sqrt(a * D + u0 * u0 / 2.0));
        p.m_peakSpeed = peak;
        p.m_firstAcceleration = peak >= u0 ? a : -a;
        p.m_firstDuration = std::fabs(peak - u0) / a;
        p.m_firstDistance = (u0 + peak) / 2.0 * p.m_firstDuration;
        if (open) {
            p.m_cruiseDuration = Unlimited;
            p.m_cruiseDistance = Unlimited;
        } else {
            p.m_brakeDuration = peak / a;
            const double brakeDistance = peak * p.m_brakeDuration / 2.0;
            p.m_cruiseDistance = std::max(0.0, D - p.m_firstDistance - brakeDistance);
            p.m_cruiseDuration = peak > 0.0 ? p.m_cruiseDistance / peak : 0.0;
        }
    }

    const double plannedDuration = open ? Unlimited : p.m_firstDuration + p.m_cruiseDuration + p.m_brakeDuration;
    if (p.m_wall < D) {
        // The travelled distance grows monotonically: bisect for the wall.
        double low = 0.0;
        double high = open ? p.m_firstDuration + (p.m_wall + 1.0) / std::max(p.m_peakSpeed, 1e-12) : plannedDuration;
        for (int i = 0; i < 200 && high - low > 1e-12; ++i) {
            const double mid = (low + high) / 2.0;
            if (p.travelled(mid) >= p.m_wall)
                high = mid;
            else
                low = mid;
        }
        p.m_endTime = startTime + high;
        p.m_endsAtWall = true;
    } else {
        p.m_endTime = open ? Unlimited : startTime + plannedDuration;
    }
    return p;
}

double MotionProfile::travelled(double t) const
{
    if (t <= 0.0)
        return 0.0;
    if (t < m_firstDuration)
        return m_initialSpeed * t + m_firstAcceleration * t * t / 2.0;
    double s = m_firstDistance;
    t -= m_firstDuration;
    if (t < m_cruiseDuration)
        return s + m_peakSpeed * t;
    s += m_cruiseDistance;
    t -= m_cruiseDuration;
    if (t < m_brakeDuration)
        return std::min(m_distance, s + m_peakSpeed * t - m_deceleration * t * t / 2.0);
    return m_distance;
}

double MotionProfile::velocity(double t) const
{
    if (t < 0.0)
        return m_initialSpeed;
    if (t < m_firstDuration)
        return m_initialSpeed + m_firstAcceleration * t;
    t -= m_firstDuration;
    if (t < m_cruiseDuration)
        return m_peakSpeed;
    t -= m_cruiseDuration;
    if (t < m_brakeDuration)
        return std::max(0.0, m_peakSpeed - m_deceleration * t);
    return 0.0;
}

double MotionProfile::position(double time) const
{
    const double elapsed = std::min(time, m_endTime) - m_startTime;
    return m_start + m_direction * std::min(travelled(elapsed), m_wall);
}

double MotionProfile::speed(double time) const
{
    if (time >= m_endTime)
        return 0.0;
    return velocity(time - m_startTime);
}

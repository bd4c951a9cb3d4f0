#include "AxisModel.h"

#include "RefusalStatus.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double LimitTolerance = 1e-9;
// The drive electronics cannot go faster than this, whatever the host asks;
// it also keeps the motion arithmetic finite for absurd requests.
constexpr double HardwareMaxSpeed = 1e6;
constexpr double HardwareMaxAcceleration = 1e9;
// The firmware needs a moment to set up each step of a jog or cycle, so a
// sequence of vanishing steps still takes time instead of finishing (and
// being simulated) all at once.
constexpr double MinimumStepGap = 0.001;

int directionSign(int code)
{
    return code == 1 ? 1 : (code == 2 ? -1 : 0);
}
}

bool AxisModel::limitsValid() const
{
    return m_parameters.real(P_MaxPos) > m_parameters.real(P_MinPos);
}

double AxisModel::wallDistance(double from, int direction) const
{
    if (!limitsValid())
        return MotionProfile::Unlimited;
    const double distance = direction > 0 ? m_parameters.real(P_MaxPos) - from : from - m_parameters.real(P_MinPos);
    return std::max(0.0, distance);
}

double AxisModel::cruiseSpeed(double requested) const
{
    const double limit = m_parameters.real(P_MaxSpeed);
    const double speed = limit > 0.0 ? std::min(requested, limit) : requested;
    return std::min(speed, HardwareMaxSpeed);
}

double AxisModel::acceleration() const
{
    const double requested = m_parameters.real(P_Acceleration);
    const double limit = m_parameters.real(P_MaxAcc);
    const double acceleration = (limit > 0.0 && requested > limit) ? limit : requested;
    return std::min(acceleration, HardwareMaxAcceleration);
}

std::uint16_t AxisModel::checkCanStart() const
{
    if (!m_enabled)
        return RefusalStatus::AxisDisabled;
    if (m_activity != Activity::Idle)
        return RefusalStatus::AxisBusy;
    if (!(m_parameters.real(P_Speed) > 0.0))
        return RefusalStatus::BadValue;
    return RefusalStatus::Accepted;
}

void AxisModel::startSegment(double startTime, int direction, double distance, double speed, bool limited)
{
    const double wall = limited ? wallDistance(m_position, direction) : MotionProfile::Unlimited;
    m_segmentDirection = direction;
    m_profile = MotionProfile::plan(startTime, m_position, direction, 0.0, cruiseSpeed(speed), acceleration(),
                                    distance, wall);
    m_moving = true;
}

void AxisModel::advance(double now)
{
    while (m_activity != Activity::Idle) {
        if (m_moving) {
            if (!m_profile.isFinished(now))
                break;
            const double endTime = m_profile.endTime();
            const bool atWall = m_profile.endsAtWall();
            finishSegment();
            if (atWall) {
                becomeIdle(); // a limit switch ends the whole sequence
                break;
            }
            switch (m_activity) {
            case Activity::Home:
                m_homed = true;
                becomeIdle();
                break;
            case Activity::Jog:
                if (m_stepIndex < m_stepCount)
                    m_dwellUntil = endTime + m_sequenceDelay;
                else
                    becomeIdle();
                break;
            case Activity::Cycle:
                if (!m_returnStroke) {
                    m_returnStroke = true;
                    m_dwellUntil = endTime + m_sequenceDelay;
                } else if (m_stepIndex < m_stepCount) {
                    m_returnStroke = false;
                    ++m_stepIndex;
                    m_dwellUntil = endTime + m_sequenceDelay;
                } else {
                    becomeIdle();
                }
                break;
            default:
                becomeIdle();
                break;
            }
        } else {
            if (now < m_dwellUntil)
                break;
            startNextStep(m_dwellUntil);
        }
    }
    updateLimitFlags(now);
}

void AxisModel::finishSegment()
{
    const double end = m_profile.endPosition();
    m_moving = false;
    if (m_profile.endsAtWall()) {
        // Park exactly on the switch so the limit reads as reached.
        if (end >= m_parameters.real(P_MaxPos) - LimitTolerance) {
            m_position = m_parameters.real(P_MaxPos);
            m_atPositiveLimit = true;
        } else {
            m_position = m_parameters.real(P_MinPos);
            m_atNegativeLimit = true;
        }
        return;
    }
    m_position = end;
}

void AxisModel::startNextStep(double startTime)
{
    if (m_activity == Activity::Jog) {
        ++m_stepIndex;
        startSegment(startTime, m_direction, m_stepDistance, m_parameters.real(P_Speed), true);
    } else if (m_activity == Activity::Cycle) {
        const int direction = m_returnStroke ? -m_direction : m_direction;
        startSegment(startTime, direction, m_stepDistance, m_parameters.real(P_Speed), true);
    } else {
        becomeIdle();
    }
}

void AxisModel::becomeIdle()
{
    m_activity = Activity::Idle;
    m_moving = false;
    m_stepIndex = 0;
    m_stepCount = 0;
    m_returnStroke = false;
}

void AxisModel::updateLimitFlags(double now)
{
    if (!limitsValid()) {
        m_atNegativeLimit = m_atPositiveLimit = false;
        return;
    }
    // A switch releases as soon as the stage moves off it.
    const double current = m_moving ? m_profile.position(now) : m_position;
    if (current > m_parameters.real(P_MinPos) + LimitTolerance)
        m_atNegativeLimit = false;
    if (current < m_parameters.real(P_MaxPos) - LimitTolerance)
        m_atPositiveLimit = false;
}

std::uint16_t AxisModel::startMove(double now)
{
    advance(now);
    if (const std::uint16_t refusal = checkCanStart())
        return refusal;
    const double distance = m_parameters.integer(P_RelativeDispEnable) != 0
        ? m_parameters.real(P_RelativeDisp)
        : m_parameters.real(P_TargetPos) - m_position;
    if (!std::isfinite(distance))
        return RefusalStatus::BadValue;
    m_activity = Activity::Move;
    startSegment(now, distance < 0.0 ? -1 : 1, std::fabs(distance), m_parameters.real(P_Speed), true);
    advance(now);
    return RefusalStatus::Accepted;
}

std::uint16_t AxisModel::startDrive(double now, int direction)
{
    advance(now);
    const int sign = directionSign(direction);
    if (sign == 0)
        return RefusalStatus::BadValue;
    if (const std::uint16_t refusal = checkCanStart())
        return refusal;
    const bool relative = m_parameters.integer(P_RelativeDispEnable) != 0;
    const double distance = relative ? std::fabs(m_parameters.real(P_RelativeDisp)) : MotionProfile::Unlimited;
    if (!std::isfinite(distance))
        return RefusalStatus::BadValue;
    m_activity = Activity::Drive;
    startSegment(now, sign, distance, m_parameters.real(P_Speed), true);
    advance(now);
    return RefusalStatus::Accepted;
}

std::uint16_t AxisModel::startHome(double now)
{
    advance(now);
    if (const std::uint16_t refusal = checkCanStart())
        return refusal;
    if (m_homeFault)
        return RefusalStatus::SensorFault;
    double speed = m_parameters.real(P_RestoreSpeed);
    if (!(speed > 0.0) || !std::isfinite(speed))
        speed = m_parameters.real(P_Speed);
    m_homed = false;
    m_activity = Activity::Home;
    // The home switch sits at 0; the seek ignores the travel limits around it.
    startSegment(now, m_position > 0.0 ? -1 : 1, std::fabs(m_position), speed, false);
    advance(now);
    return RefusalStatus::Accepted;
}

std::uint16_t AxisModel::startJog(double now, int direction)
{
    advance(now);
    const int sign = directionSign(direction);
    const std::int64_t count = m_parameters.integer(P_JogCount);
    const double step = std::fabs(m_parameters.real(P_JogStep));
    if (sign == 0 || count <= 0 || !std::isfinite(step))
        return RefusalStatus::BadValue;
    if (const std::uint16_t refusal = checkCanStart())
        return refusal;
    m_activity = Activity::Jog;
    m_direction = sign;
    m_stepDistance = step;
    m_stepCount = static_cast<std::int32_t>(count);
    m_stepIndex = 0;
    m_sequenceDelay = std::max(MinimumStepGap, std::max<std::int64_t>(0, m_parameters.integer(P_JogDelay)) / 1000.0);
    startNextStep(now);
    advance(now);
    return RefusalStatus::Accepted;
}

std::uint16_t AxisModel::startCycle(double now, int direction)
{
    advance(now);
    const int sign = directionSign(direction);
    const std::int64_t count = m_parameters.integer(P_CircleCount);
    const double stroke = std::fabs(m_parameters.real(P_CircleDisp));
    if (sign == 0 || count <= 0 || !std::isfinite(stroke))
        return RefusalStatus::BadValue;
    if (const std::uint16_t refusal = checkCanStart())
        return refusal;
    m_activity = Activity::Cycle;
    m_direction = sign;
    m_stepDistance = stroke;
    m_stepCount = static_cast<std::int32_t>(count);
    m_stepIndex = 1;
    m_returnStroke = false;
    m_sequenceDelay =
        std::max(MinimumStepGap, std::max<std::int64_t>(0, m_parameters.integer(P_CircleDelay)) / 1000.0);
    startNextStep(now);
    advance(now);
    return RefusalStatus::Accepted;
}

void AxisModel::stop(double now)
{
    advance(now);
    if (m_activity == Activity::Idle)
        return;
    if (!m_moving) {
        becomeIdle();
        return;
    }
    // Brake from the present speed at the axis acceleration, still bounded by the limits.
    const double speed = m_profile.speed(now);
    const double x = m_profile.position(now);
    const int direction = m_segmentDirection;
    const double a = acceleration() > 0.0 ? acceleration() : 1e9;
    const double distance = speed * speed / (2.0 * a);
    const bool limited = m_activity != Activity::Home;
    m_position = x;
    becomeIdle();
    m_activity = Activity::Stopping;
    m_profile = MotionProfile::plan(now, x, direction, speed, speed, a, distance,
                                    limited ? wallDistance(x, direction) : MotionProfile::Unlimited);
    m_moving = true;
    advance(now);
}

void AxisModel::halt(double now)
{
    advance(now);
    if (m_moving)
        m_position = m_profile.position(now);
    becomeIdle();
}

void AxisModel::setEnabled(double now, bool enabled)
{
    if (!enabled)
        halt(now);
    m_enabled = enabled;
}

double AxisModel::position(double now)
{
    advance(now);
    return m_moving ? m_profile.position(now) : m_position;
}

std::uint16_t AxisModel::statusWord(double now)
{
    advance(now);
    std::uint16_t word = 0;
    const bool idle = m_activity == Activity::Idle;
    if (idle)
        word |= Stopped;
    if (m_enabled)
        word |= Enabled;
    if (m_homed)
        word |= Homed;
    if (m_enabled && idle)
        word |= CanRun;
    if (m_atNegativeLimit)
        word |= NegativeLimit;
    if (m_atPositiveLimit)
        word |= PositiveLimit;
    if (m_negativeLimitFault)
        word |= NegativeLimitFault;
    if (m_homeFault)
        word |= HomeFault;
    if (m_positiveLimitFault)
        word |= PositiveLimitFault;
    return word;
}

std::int32_t AxisModel::jogIndex(double now)
{
    advance(now);
    return m_activity == Activity::Jog ? m_stepIndex : 0;
}

std::int32_t AxisModel::cycleIndex(double now)
{
    advance(now);
    return m_activity == Activity::Cycle ? m_stepIndex : 0;
}

void AxisModel::setPosition(double position)
{
    becomeIdle();
    m_position = position;
    if (limitsValid()) {
        // A stage placed beyond its travel sits on the switch.
        if (position <= m_parameters.real(P_MinPos) - LimitTolerance) {
            m_position = m_parameters.real(P_MinPos);
            m_atNegativeLimit = true;
        } else if (position >= m_parameters.real(P_MaxPos) + LimitTolerance) {
            m_position = m_parameters.real(P_MaxPos);
            m_atPositiveLimit = true;
        }
    }
}

void AxisModel::setSensorFaults(bool negativeLimit, bool home, bool positiveLimit)
{
    m_negativeLimitFault = negativeLimit;
    m_homeFault = home;
    m_positiveLimitFault = positiveLimit;
}

void AxisModel::eraseChip()
{
    m_parameters.clearBlock();
    m_autoDetect = 0;
}

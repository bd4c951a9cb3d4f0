// One axis of the controller: its stored values, the stage's ID chip state
// and the firmware's motion sequencer. Time is model time in seconds; the
// state is advanced lazily to whatever time the caller passes.
#ifndef VELMO_SIM_AXISMODEL_H
#define VELMO_SIM_AXISMODEL_H

#include "AxisParameters.h"
#include "MotionProfile.h"

#include <cstdint>

class AxisModel
{
public:
    enum class Activity { Idle, Move, Drive, Home, Jog, Cycle, Stopping };

    enum StatusBit : std::uint16_t {
        Stopped = 1u << 0,
        Enabled = 1u << 1,
        Homed = 1u << 2,
        CanRun = 1u << 3,
        NegativeLimit = 1u << 4,
        PositiveLimit = 1u << 5,
        NegativeLimitFault = 1u << 6,
        HomeFault = 1u << 7,
        PositiveLimitFault = 1u << 8,
    };

    AxisParameters &parameters() { return m_parameters; }
    const AxisParameters &parameters() const { return m_parameters; }

    // Brings the sequencer up to `now`; every query and command calls it first.
    void advance(double now);

    // Commands answer with a refusal status, 0 when accepted. Directions: 1 positive, 2 negative.
    std::uint16_t startMove(double now);
    std::uint16_t startDrive(double now, int direction);
    std::uint16_t startHome(double now);
    std::uint16_t startJog(double now, int direction);
    std::uint16_t startCycle(double now, int direction);
    void stop(double now);
    void setEnabled(double now, bool enabled);
    void halt(double now); // power loss: stands still at once

    double position(double now);
    std::uint16_t statusWord(double now);
    std::int32_t jogIndex(double now);
    std::int32_t cycleIndex(double now);
    Activity activity() const { return m_activity; }

    void setPosition(double position);
    void setHomed(bool homed) { m_homed = homed; }
    void setSensorFaults(bool negativeLimit, bool home, bool positiveLimit);

    // ID chip: 2 when a programmed chip is present, 0 when none.
    std::uint16_t autoDetect() const { return m_autoDetect; }
    void setAutoDetect(std::uint16_t code) { m_autoDetect = code; }
    void programChip() { m_autoDetect = 2; }
    void eraseChip();

private:
    bool limitsValid() const;
    double wallDistance(double from, int direction) const;
    double cruiseSpeed(double requested) const;
    double acceleration() const;
    std::uint16_t checkCanStart() const;
    void startSegment(double startTime, int direction, double distance, double speed, bool limited);
    void finishSegment();
    void startNextStep(double startTime);
    void becomeIdle();
    void updateLimitFlags(double now);

    AxisParameters m_parameters;
    Activity m_activity = Activity::Idle;
    MotionProfile m_profile;
    bool m_moving = false;        // a profile is running (else idle or dwelling)
    double m_dwellUntil = 0.0;
    double m_position = 0.0;
    int m_direction = 1;          // of the running sequence
    int m_segmentDirection = 1;   // of the running profile
    double m_stepDistance = 0.0;
    double m_sequenceDelay = 0.0; // seconds between jog steps / at the cycle ends
    std::int32_t m_stepCount = 0;
    std::int32_t m_stepIndex = 0; // 1-based while a jog or cycle runs
    bool m_returnStroke = false;
    bool m_enabled = true;
    bool m_homed = false;
    bool m_atNegativeLimit = false;
    bool m_atPositiveLimit = false;
    bool m_negativeLimitFault = false;
    bool m_homeFault = false;
    bool m_positiveLimitFault = false;
    std::uint16_t m_autoDetect = 0;
};

#endif

// One trapezoidal motion: accelerate from the current speed to the cruise
// speed, cruise, decelerate to rest after the planned distance. A wall (a
// travel limit) cuts the motion short wherever it is reached. Times are in
// model seconds, distances in the axis unit.
#ifndef VELMO_SIM_MOTIONPROFILE_H
#define VELMO_SIM_MOTIONPROFILE_H

class MotionProfile
{
public:
    static constexpr double Unlimited = 1e300;

    MotionProfile() = default; // a finished profile at position 0

    // direction is +1 or -1; distance and wall are measured from start along it.
    static MotionProfile plan(double startTime, double start, int direction, double initialSpeed,
                              double cruiseSpeed, double acceleration, double distance, double wall);

    double position(double time) const;
    double speed(double time) const;
    double endTime() const { return m_endTime; }
    double endPosition() const { return position(m_endTime); }
    bool endsAtWall() const { return m_endsAtWall; }
    bool isFinished(double time) const { return time >= m_endTime; }

private:
    double travelled(double elapsed) const; // unclamped distance along the direction
    double velocity(double elapsed) const;

    double m_startTime = 0.0;
    double m_start = 0.0;
    int m_direction = 1;
    double m_initialSpeed = 0.0;
    double m_peakSpeed = 0.0;
    double m_firstAcceleration = 0.0; // signed: the first phase may slow down
    double m_deceleration = 1.0;
    double m_firstDuration = 0.0;
    double m_firstDistance = 0.0;
    double m_cruiseDuration = 0.0;    // Unlimited for an open-ended drive
    double m_cruiseDistance = 0.0;
    double m_brakeDuration = 0.0;
    double m_distance = 0.0;
    double m_wall = Unlimited;
    double m_endTime = 0.0;
    bool m_endsAtWall = false;
};

#endif

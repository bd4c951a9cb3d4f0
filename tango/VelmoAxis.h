// One axis of a controller as a Tango device: position, speeds, jog step,
// unit, limit and sensor flags, motion commands, and change events on
// Position and State while it moves.
#pragma once

#include "AxisRules.h"
#include "AxisSnapshot.h"

#include <tango.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace velmotango {

class AxisEventPusher;
class ControllerLink;

class VelmoAxis : public Tango::Device_4Impl
{
public:
    VelmoAxis(Tango::DeviceClass *deviceClass, std::string &name);
    ~VelmoAxis() override;

    void init_device() override;
    void delete_device() override;
    Tango::DevState dev_state() override;
    Tango::ConstDevString dev_status() override;

    void readPosition(Tango::Attribute &attribute);
    void writePosition(Tango::WAttribute &attribute);
    void readVelocity(Tango::Attribute &attribute);
    void writeVelocity(Tango::WAttribute &attribute);
    void readAcceleration(Tango::Attribute &attribute);
    void writeAcceleration(Tango::WAttribute &attribute);
    void readStepSize(Tango::Attribute &attribute);
    void writeStepSize(Tango::WAttribute &attribute);
    void readUnit(Tango::Attribute &attribute);
    // One flag of the running state, read with the others of one request.
    void readFlag(Tango::Attribute &attribute, uint16_t MotorStageState::*flag);

    void stop();
    void abort();
    void homeAxis();
    void jogPositive();
    void jogNegative();
    void drivePositive();
    void driveNegative();
    void enable();
    void disable();

    // A poll result from the controller's poll thread; the caller holds the
    // device monitor. Pushes the change events.
    void publish(const AxisSnapshot &snapshot);

private:
    std::string axisName() const;
    void readProperties();
    bool loadStageLimits();
    void requireController(const char *origin);
    [[noreturn]] void throwFailure(const std::string &what, int result, const char *origin);
    [[noreturn]] void throwUnavailable(const std::string &reason, const char *origin);
    void refuse(const std::string &reason, const char *origin);
    int exchange(const std::function<int(int)> &libraryCall, const char *origin);
    double readDouble(const std::function<double(int)> &getter, const char *what, const char *origin);
    void writeDouble(Tango::WAttribute &attribute, const std::function<std::string(double)> &check,
                     const std::function<int(int, double)> &setter, const char *what, const char *origin);
    void startMotion(const char *name, bool absoluteMode, const std::function<int(int)> &command,
                     const char *origin);
    void ensureAbsoluteMode(const char *origin);
    const AxisSnapshot &freshSnapshot(const char *origin);

    std::shared_ptr<ControllerLink> m_link;
    std::shared_ptr<AxisEventPusher> m_pusher;
    std::string m_serial;
    int m_axis = -1;
    std::string m_setupFault; // a property or axis index that cannot work
    bool m_travelOverride = false; // MinPosition and MaxPosition properties
    double m_travelMin = 0.0;
    double m_travelMax = 0.0;
    StageLimits m_limits;
    bool m_limitsLoaded = false;

    AxisSnapshot m_snapshot; // last read, by a client or the poll thread
    std::chrono::steady_clock::time_point m_snapshotTime; // of the last client read
    AxisVerdict m_verdict;
    std::string m_statusText;

    // Values handed to Tango by the readers; they must outlive the read call.
    Tango::DevDouble m_doubleRead = 0.0;
    Tango::DevBoolean m_flagRead = false;
    std::string m_unit;
    Tango::DevString m_unitRead = nullptr;

    // What the last change events carried.
    bool m_positionPushed = false;
    Tango::DevDouble m_pushedPosition = 0.0;
    bool m_statePushed = false;
    Tango::DevState m_pushedState = Tango::UNKNOWN;
};

} // namespace velmotango

#include "VelmoAxis.h"

#include "AxisEventPusher.h"
#include "ControllerLink.h"
#include "ControllerRegistry.h"
#include "DeviceNames.h"

#include <cmath>
#include <cstring>

namespace velmotango {

namespace {

constexpr int kPositive = 1;
constexpr int kNegative = 2;
// A client's State and Status reads (or several flags) within this time
// share one read of the controller.
constexpr std::chrono::milliseconds kSnapshotReuse{20};

} // namespace

VelmoAxis::VelmoAxis(Tango::DeviceClass *deviceClass, std::string &name)
    : Tango::Device_4Impl(deviceClass, name), m_pusher(std::make_shared<AxisEventPusher>())
{
    init_device();
}

VelmoAxis::~VelmoAxis()
{
    delete_device();
    // A delivery may still wait for this device's monitor: let it finish
    // while the monitor exists.
    m_pusher->waitIdle();
}

void VelmoAxis::init_device()
{
    m_setupFault.clear();
    m_limitsLoaded = false;
    m_positionPushed = false;
    m_statePushed = false;
    m_snapshot = AxisSnapshot();
    m_snapshotTime = std::chrono::steady_clock::time_point();
    readProperties();
    set_change_event("Position", true, false);
    set_change_event("State", true, false);
    if (!m_setupFault.empty()) {
        set_state(Tango::FAULT);
        set_status(m_setupFault);
        return;
    }

    m_link = ControllerRegistry::link(m_serial);
    if (!m_link->isOpen())
        m_link->reopen();
    if (m_link->isOpen()) {
        const int axisCount = m_link->identity().axisCount;
        if (axisCount > 0 && m_axis >= axisCount) {
            m_setupFault = "controller " + m_serial + " has " + std::to_string(axisCount) + " axes; axis "
                + std::to_string(m_axis) + " does not exist";
            set_state(Tango::FAULT);
            set_status(m_setupFault);
            return;
        }
        loadStageLimits();
    }
    m_pusher->attach(this);
    m_link->addWatcher(m_axis, m_pusher);
    dev_state();
}

void VelmoAxis::delete_device()
{
    // Init runs this with the device monitor held, so it must not wait for
    // a delivery that waits for the monitor; a detached pusher drops it.
    m_pusher->detach();
    if (m_link)
        m_link->removeWatcher(m_pusher.get());
    m_link.reset();
}

void VelmoAxis::readProperties()
{
    m_serial.clear();
    m_axis = -1;
    m_travelOverride = false;
    if (Tango::Util::_UseDb) {
        Tango::DbData properties;
        properties.push_back(Tango::DbDatum("ControllerSerialNumber"));
        properties.push_back(Tango::DbDatum("AxisIndex"));
        properties.push_back(Tango::DbDatum("MinPosition"));
        properties.push_back(Tango::DbDatum("MaxPosition"));
        get_db_device()->get_property(properties);
        if (!properties[0].is_empty())
            properties[0] >> m_serial;
        if (!properties[1].is_empty()) {
            Tango::DevLong index = -1;
            properties[1] >> index;
            m_axis = index;
        }
        if (!properties[2].is_empty() || !properties[3].is_empty()) {
            if (properties[2].is_empty() || properties[3].is_empty()) {
                m_setupFault = "set both MinPosition and MaxPosition, or neither";
                return;
            }
            properties[2] >> m_travelMin;
            properties[3] >> m_travelMax;
            if (!(m_travelMin < m_travelMax) || !std::isfinite(m_travelMin) || !std::isfinite(m_travelMax)) {
                m_setupFault = "MinPosition must be below MaxPosition";
                return;
            }
            m_travelOverride = true;
        }
    }
    std::string namedSerial;
    int namedAxis = -1;
    if ((m_serial.empty() || m_axis < 0) && DeviceNames::axisAddress(get_name(), &namedSerial, &namedAxis)) {
        if (m_serial.empty())
            m_serial = namedSerial;
        if (m_axis < 0)
            m_axis = namedAxis;
    }
    if (m_serial.empty() || m_axis < 0 || m_axis > 15)
        m_setupFault = "which axis? Set the ControllerSerialNumber and AxisIndex (0 to 15) properties, or name the "
                       "device <domain>/<serial number>/<axis index>";
}

bool VelmoAxis::loadStageLimits()
{
    MotorParams params{};
    int result = -1;
    try {
        result = m_link->call([&](int id) { return getMotorParams(id, m_axis, &params); });
    } catch (const ControllerUnavailable &) {
        return false;
    }
    if (result != 0)
        return false;
    m_limits.model = std::string(params.modelName, strnlen(params.modelName, sizeof params.modelName));
    // Properties replace the ID chip's travel: a narrower safe range, or
    // the only one for a stage without a chip.
    m_limits.minPosition = m_travelOverride ? m_travelMin : params.minPos;
    m_limits.maxPosition = m_travelOverride ? m_travelMax : params.maxPos;
    m_limits.maxSpeed = params.maxSpeed;
    m_limits.maxAcceleration = params.maxAcc;
    m_limits.unitType = params.unitType;
    m_limitsLoaded = true;
    return true;
}

std::string VelmoAxis::axisName() const
{
    std::string name = "axis " + std::to_string(m_axis) + " of " + m_serial;
    if (!m_limits.model.empty())
        name += " (" + m_limits.model + ")";
    return name;
}

// ----------------------------------------------------------- state, status

Tango::DevState VelmoAxis::dev_state()
{
    if (!m_setupFault.empty()) {
        set_state(Tango::FAULT);
        m_statusText = m_setupFault;
        return Tango::FAULT;
    }
    const AxisSnapshot snapshot = m_link->readAxis(m_axis);
    if (snapshot.valid && !m_limitsLoaded)
        loadStageLimits();
    m_snapshot = snapshot;
    m_snapshotTime = std::chrono::steady_clock::now();
    m_verdict = AxisRules::judge(m_snapshot, axisName(), m_limits);
    m_statusText = m_verdict.status;
    set_state(m_verdict.state);
    return m_verdict.state;
}

Tango::ConstDevString VelmoAxis::dev_status()
{
    // Status read together with State describes the same reading.
    if (std::chrono::steady_clock::now() - m_snapshotTime > kSnapshotReuse)
        dev_state();
    set_status(m_statusText);
    return m_statusText.c_str();
}

void VelmoAxis::publish(const AxisSnapshot &snapshot)
{
    // A single failed read while the controller is still there (a lost
    // reply) says nothing new about the axis.
    if (!snapshot.valid && !snapshot.controllerLost)
        return;
    // Not a client's reading: m_snapshotTime stays, so the next client read
    // asks the controller itself.
    m_snapshot = snapshot;
    m_verdict = AxisRules::judge(snapshot, axisName(), m_limits);
    m_statusText = m_verdict.status;
    set_state(m_verdict.state);
    set_status(m_statusText);

    if (snapshot.valid && (!m_positionPushed || snapshot.position != m_pushedPosition)) {
        m_pushedPosition = snapshot.position;
        m_positionPushed = true;
        push_change_event("Position", &m_pushedPosition);
    } else if (!snapshot.valid && m_positionPushed) {
        // Subscribers learn that the position is no longer known.
        m_positionPushed = false;
        try {
            Tango::Except::throw_exception("VELMO_ControllerUnavailable", snapshot.failure, "VelmoAxis::publish");
        } catch (Tango::DevFailed &failure) {
            push_change_event("Position", &failure);
        }
    }
    if (!m_statePushed || m_verdict.state != m_pushedState) {
        m_pushedState = m_verdict.state;
        m_statePushed = true;
        // Without data Tango sends the state just set; handing it the value
        // (set_value on State) leaks its copy in this Tango version.
        push_change_event("State");
    }
}

// ---------------------------------------------------------------- helpers

void VelmoAxis::requireController(const char *origin)
{
    if (!m_setupFault.empty())
        Tango::Except::throw_exception("VELMO_Configuration", m_setupFault, origin);
    if (!m_link->isOpen())
        throwUnavailable(m_link->faultReason(), origin);
}

void VelmoAxis::throwUnavailable(const std::string &reason, const char *origin)
{
    Tango::Except::throw_exception("VELMO_ControllerUnavailable", reason, origin);
}

void VelmoAxis::throwFailure(const std::string &what, int result, const char *origin)
{
    // A failure may be the first sign of an unplugged controller.
    const std::string reason = m_link->explainFailure(what, result);
    if (!m_link->isOpen())
        throwUnavailable(reason, origin);
    Tango::Except::throw_exception("VELMO_CommandFailed", axisName() + ": " + reason, origin);
}

void VelmoAxis::refuse(const std::string &reason, const char *origin)
{
    if (!reason.empty())
        Tango::Except::throw_exception("VELMO_InvalidValue", axisName() + ": " + reason, origin);
}

int VelmoAxis::exchange(const std::function<int(int)> &libraryCall, const char *origin)
{
    requireController(origin);
    try {
        return m_link->call(libraryCall);
    } catch (const ControllerUnavailable &unavailable) {
        throwUnavailable(unavailable.what(), origin);
    }
}

double VelmoAxis::readDouble(const std::function<double(int)> &getter, const char *what, const char *origin)
{
    requireController(origin);
    double value = 0.0;
    try {
        value = m_link->call(getter);
    } catch (const ControllerUnavailable &unavailable) {
        throwUnavailable(unavailable.what(), origin);
    }
    // Speeds, accelerations and steps are above 0; -1 and -2 are failures.
    if (value == -1.0 || value == -2.0)
        throwFailure(std::string("reading the ") + what, static_cast<int>(value), origin);
    return value;
}

void VelmoAxis::writeDouble(Tango::WAttribute &attribute, const std::function<std::string(double)> &check,
                            const std::function<int(int, double)> &setter, const char *what, const char *origin)
{
    Tango::DevDouble value = 0.0;
    attribute.get_write_value(value);
    if (!m_limitsLoaded) {
        requireController(origin);
        loadStageLimits();
    }
    refuse(check(value), origin);
    const int result = exchange([&](int id) { return setter(id, value); }, origin);
    if (result != 0)
        throwFailure(std::string("writing the ") + what, result, origin);
}

const AxisSnapshot &VelmoAxis::freshSnapshot(const char *origin)
{
    requireController(origin);
    m_snapshot = m_link->readAxis(m_axis);
    m_snapshotTime = std::chrono::steady_clock::now();
    if (!m_snapshot.valid) {
        if (m_snapshot.controllerLost)
            throwUnavailable(m_snapshot.failure, origin);
        Tango::Except::throw_exception("VELMO_CommandFailed", axisName() + ": " + m_snapshot.failure, origin);
    }
    return m_snapshot;
}

void VelmoAxis::startMotion(const char *name, bool absoluteMode, const std::function<int(int)> &command,
                            const char *origin)
{
    const MotorStageState state = freshSnapshot(origin).state;
    if (state.isNegLimitFault || state.isPosLimitFault || state.isHomeFault)
        Tango::Except::throw_exception("VELMO_NotAllowed",
                                       axisName() + ": " + name + " refused: a limit or home sensor has failed ("
                                           + AxisRules::judge(m_snapshot, axisName(), m_limits).status + ")",
                                       origin);
    if (state.isStop == 0 || state.currentJog != 0)
        Tango::Except::throw_exception("VELMO_NotAllowed", axisName() + ": " + name + " refused: the axis is moving (Stop it first)",
                                       origin);
    if (state.isEnable == 0)
        Tango::Except::throw_exception("VELMO_NotAllowed", axisName() + ": " + name + " refused: the motor is disabled (run Enable)",
                                       origin);
    int step = 0;
    const int result = exchange(
        [&](int id) {
            // Moves and drives go by the target in absolute mode; relative mode
            // would turn them into steps of the relative displacement.
            if (absoluteMode && getRelativeDispEnable(id, m_axis) != 0) {
                step = 1;
                const int switched = setRelativeDispEnable(id, m_axis, 0);
                if (switched != 0)
                    return switched;
            }
            step = 2;
            return command(id);
        },
        origin);
    if (result != 0)
        throwFailure(step == 1 ? std::string("switching relative mode off") : std::string(name), result, origin);
    m_snapshotTime = std::chrono::steady_clock::time_point();
    m_link->pollSoon(m_axis);
}

// ------------------------------------------------------------- attributes

void VelmoAxis::readPosition(Tango::Attribute &attribute)
{
    requireController("VelmoAxis::readPosition");
    int status = 0;
    double position = 0.0;
    try {
        position = m_link->call([&](int id) { return getCurrentPos(id, m_axis, &status); });
    } catch (const ControllerUnavailable &unavailable) {
        throwUnavailable(unavailable.what(), "VelmoAxis::readPosition");
    }
    if (status != 0)
        throwFailure("reading the position", status, "VelmoAxis::readPosition");
    m_doubleRead = position;
    attribute.set_value(&m_doubleRead);
}

void VelmoAxis::writePosition(Tango::WAttribute &attribute)
{
    const char *origin = "VelmoAxis::writePosition";
    Tango::DevDouble target = 0.0;
    attribute.get_write_value(target);
    if (!m_limitsLoaded) {
        // Travel not read yet (the controller was away at Init): learn it
        // before anything moves.
        requireController(origin);
        if (!loadStageLimits())
            Tango::Except::throw_exception("VELMO_CommandFailed", axisName() + ": the stage's travel could not be read",
                                           origin);
    }
    refuse(AxisRules::refuseTarget(target, m_limits), origin);
    startMotion("the move", true,
                [&](int id) {
                    const int set = setTargetPos(id, m_axis, target);
                    return set != 0 ? set : startMove(id, m_axis);
                },
                origin);
}

void VelmoAxis::readVelocity(Tango::Attribute &attribute)
{
    m_doubleRead = readDouble([&](int id) { return getSpeed(id, m_axis); }, "velocity", "VelmoAxis::readVelocity");
    attribute.set_value(&m_doubleRead);
}

void VelmoAxis::writeVelocity(Tango::WAttribute &attribute)
{
    writeDouble(attribute, [&](double v) { return AxisRules::refuseSpeed(v, m_limits); },
                [&](int id, double v) { return setSpeed(id, m_axis, v); }, "velocity", "VelmoAxis::writeVelocity");
}

void VelmoAxis::readAcceleration(Tango::Attribute &attribute)
{
    m_doubleRead = readDouble([&](int id) { return getAcceleration(id, m_axis); }, "acceleration",
                              "VelmoAxis::readAcceleration");
    attribute.set_value(&m_doubleRead);
}

void VelmoAxis::writeAcceleration(Tango::WAttribute &attribute)
{
    writeDouble(attribute, [&](double v) { return AxisRules::refuseAcceleration(v, m_limits); },
                [&](int id, double v) { return setAcceleration(id, m_axis, v); }, "acceleration",
                "VelmoAxis::writeAcceleration");
}

void VelmoAxis::readStepSize(Tango::Attribute &attribute)
{
    m_doubleRead = readDouble([&](int id) { return getJogStep(id, m_axis); }, "step size", "VelmoAxis::readStepSize");
    attribute.set_value(&m_doubleRead);
}

void VelmoAxis::writeStepSize(Tango::WAttribute &attribute)
{
    writeDouble(attribute, [&](double v) { return AxisRules::refuseStepSize(v, m_limits); },
                [&](int id, double v) { return setJogStep(id, m_axis, v); }, "step size", "VelmoAxis::writeStepSize");
}

void VelmoAxis::readUnit(Tango::Attribute &attribute)
{
    const char *origin = "VelmoAxis::readUnit";
    const int unitType = exchange([&](int id) { return getMotorUnitType(id, m_axis); }, origin);
    if (unitType < 0)
        throwFailure("reading the unit", unitType, origin);
    m_unit = AxisRules::unitName(unitType);
    m_unitRead = const_cast<char *>(m_unit.c_str());
    attribute.set_value(&m_unitRead);
}

void VelmoAxis::readFlag(Tango::Attribute &attribute, uint16_t MotorStageState::*flag)
{
    // Flags read together (or just after a poll) share one state read.
    const bool recent = std::chrono::steady_clock::now() - m_snapshotTime <= kSnapshotReuse;
    const MotorStageState &state = recent && m_snapshot.valid ? m_snapshot.state
                                                              : freshSnapshot("VelmoAxis::readFlag").state;
    m_flagRead = state.*flag != 0;
    attribute.set_value(&m_flagRead);
}

// --------------------------------------------------------------- commands

void VelmoAxis::stop()
{
    const int result = exchange([&](int id) { return stopRuning(id, m_axis); }, "VelmoAxis::Stop");
    if (result != 0)
        throwFailure("Stop", result, "VelmoAxis::Stop");
    m_link->pollSoon(m_axis);
}

void VelmoAxis::abort()
{
    // Disabling the motor halts it at once, without the braking ramp.
    const int result = exchange([&](int id) { return setMotorEnable(id, m_axis, 0); }, "VelmoAxis::Abort");
    if (result != 0)
        throwFailure("Abort", result, "VelmoAxis::Abort");
    m_link->pollSoon(m_axis);
}

void VelmoAxis::homeAxis()
{
    startMotion("Home", false, [&](int id) { return home(id, m_axis); }, "VelmoAxis::Home");
}

void VelmoAxis::jogPositive()
{
    startMotion("JogPositive", false, [&](int id) { return startJog(id, m_axis, kPositive); },
                "VelmoAxis::JogPositive");
}

void VelmoAxis::jogNegative()
{
    startMotion("JogNegative", false, [&](int id) { return startJog(id, m_axis, kNegative); },
                "VelmoAxis::JogNegative");
}

void VelmoAxis::drivePositive()
{
    startMotion("DrivePositive", true, [&](int id) { return startDrive(id, m_axis, kPositive); },
                "VelmoAxis::DrivePositive");
}

void VelmoAxis::driveNegative()
{
    startMotion("DriveNegative", true, [&](int id) { return startDrive(id, m_axis, kNegative); },
                "VelmoAxis::DriveNegative");
}

void VelmoAxis::enable()
{
    const int result = exchange([&](int id) { return setMotorEnable(id, m_axis, 1); }, "VelmoAxis::Enable");
    if (result != 0)
        throwFailure("Enable", result, "VelmoAxis::Enable");
    m_link->pollSoon(m_axis);
}

void VelmoAxis::disable()
{
    const int result = exchange([&](int id) { return setMotorEnable(id, m_axis, 0); }, "VelmoAxis::Disable");
    if (result != 0)
        throwFailure("Disable", result, "VelmoAxis::Disable");
    m_link->pollSoon(m_axis);
}

} // namespace velmotango

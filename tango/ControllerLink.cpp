#include "ControllerLink.h"

#include "ControllerRegistry.h"

#include <omnithread.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velmotango {

namespace {

constexpr int kListCapacity = 64;
constexpr int kTextSize = 32;

bool sameSerial(const std::string &a, const std::string &b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The library's 32-byte texts are not terminated when full.
template <typename Getter>
std::string readText(int deviceId, Getter getter)
{
    char buffer[kTextSize + 1] = {};
    if (getter(deviceId, buffer, kTextSize) != 0)
        return std::string();
    return std::string(buffer, strnlen(buffer, kTextSize));
}

std::string resultText(int result)
{
    switch (result) {
    case -1:
        return "request not sent";
    case -2:
        return "no valid reply (the controller refused it or did not answer)";
    default:
        return "result " + std::to_string(result);
    }
}

bool isMoving(const AxisSnapshot &snapshot)
{
    return snapshot.valid && (snapshot.state.isStop == 0 || snapshot.state.currentJog != 0);
}

} // namespace

ControllerLink::ControllerLink(std::string serial) : m_wantedSerial(std::move(serial))
{
    m_fault = "controller " + m_wantedSerial + " is not open";
}

ControllerLink::~ControllerLink()
{
    shutdown();
}

void ControllerLink::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_pollThread.joinable())
        m_pollThread.join();
    close();
}

bool ControllerLink::reopen()
{
    // Calls for this controller wait until it is open again (or known gone)
    // rather than fail in between.
    std::lock_guard<std::mutex> bus(ControllerRegistry::busMutex());
    std::lock_guard<std::mutex> calls(m_callMutex);
    closeLocked();

    int ids[kListCapacity] = {};
    const int found = std::min(listKXMotorControlerDevices(ids, kListCapacity), kListCapacity);
    int refusedOpens = 0;
    for (int i = 0; i < found; ++i) {
        const int id = ids[i];
        if (ControllerRegistry::isClaimed(id))
            continue;
        addDev(id);
        if (openKXDevice(id) != 0) {
            ++refusedOpens;
            removeDev(id);
            continue;
        }
        const std::string serial = readText(id, getDevSerialNumber);
        if (!sameSerial(serial, m_wantedSerial)) {
            closeKXDevice(id);
            removeDev(id);
            continue;
        }
        ControllerIdentity identity;
        identity.deviceId = id;
        identity.serialNumber = serial;
        identity.model = readText(id, getDevModelName);
        identity.firmware = readText(id, getDevSoftVersion);
        identity.axisCount = getDevAxisCount(id);
        ControllerRegistry::setClaimed(id, true);
        m_deviceId = id;
        std::lock_guard<std::mutex> state(m_stateMutex);
        m_identity = identity;
        m_fault.clear();
        return true;
    }

    std::string reason = "controller " + m_wantedSerial + " is not on the bus";
    if (refusedOpens > 0)
        reason += " (" + std::to_string(refusedOpens)
            + " controller(s) could not be opened: in use by another program, or no access to the USB device)";
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_fault = reason;
    return false;
}

void ControllerLink::close()
{
    std::lock_guard<std::mutex> bus(ControllerRegistry::busMutex());
    std::lock_guard<std::mutex> lock(m_callMutex);
    if (m_deviceId == 0)
        return;
    closeLocked();
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_fault = "controller " + m_wantedSerial + " was closed";
}

// Needs the bus lock and m_callMutex.
void ControllerLink::closeLocked()
{
    if (m_deviceId == 0)
        return;
    closeKXDevice(m_deviceId);
    removeDev(m_deviceId);
    ControllerRegistry::setClaimed(m_deviceId, false);
    m_deviceId = 0;
}

bool ControllerLink::isOpen() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_fault.empty();
}

std::string ControllerLink::faultReason() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_fault;
}

ControllerIdentity ControllerLink::identity() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_identity;
}

bool ControllerLink::checkPresent()
{
    std::lock_guard<std::mutex> bus(ControllerRegistry::busMutex());
    int deviceId = 0;
    {
        std::lock_guard<std::mutex> lock(m_callMutex);
        deviceId = m_deviceId;
    }
    if (deviceId == 0)
        return false;
    int ids[kListCapacity] = {};
    const int found = std::min(listKXMotorControlerDevices(ids, kListCapacity), kListCapacity);
    if (std::find(ids, ids + std::max(found, 0), deviceId) != ids + std::max(found, 0))
        return true;
    markLost("controller " + m_wantedSerial + " was unplugged (run Init on its controller device once it is back)");
    return false;
}

// Needs the bus lock.
void ControllerLink::markLost(const std::string &reason)
{
    {
        std::lock_guard<std::mutex> lock(m_callMutex);
        closeLocked();
    }
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_fault = reason;
}

std::string ControllerLink::explainFailure(const std::string &what, int result)
{
    if (!checkPresent())
        return faultReason();
    if (result == -1) {
        // The id is open, so the USB write itself failed: the channel is dead
        // (a controller unplugged and back on the same port looks like this).
        std::lock_guard<std::mutex> bus(ControllerRegistry::busMutex());
        markLost("controller " + m_wantedSerial
                 + " stopped taking requests (USB write failed; run Init on its controller device)");
        return faultReason();
    }
    return what + " failed: " + resultText(result);
}

AxisSnapshot ControllerLink::readAxis(int axis)
{
    AxisSnapshot snapshot;
    snapshot.axis = axis;
    try {
        int status = 0;
        const double position = call([&](int id) { return getCurrentPos(id, axis, &status); });
        if (status != 0) {
            snapshot.failure = explainFailure("reading the position of axis " + std::to_string(axis), status);
            snapshot.controllerLost = !isOpen();
            return snapshot;
        }
        MotorStageState state{};
        const int result = call([&](int id) { return getRuningState(id, axis, &state); });
        if (result != 0) {
            snapshot.failure = explainFailure("reading the state of axis " + std::to_string(axis), result);
            snapshot.controllerLost = !isOpen();
            return snapshot;
        }
        snapshot.valid = true;
        snapshot.position = position;
        snapshot.state = state;
    } catch (const ControllerUnavailable &unavailable) {
        snapshot.controllerLost = !isOpen();
        snapshot.failure = unavailable.what();
    }
    return snapshot;
}

void ControllerLink::addWatcher(int axis, const std::shared_ptr<AxisWatcher> &watcher)
{
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_watched.push_back({axis, watcher, std::chrono::steady_clock::now()});
        if (!m_pollThread.joinable())
            m_pollThread = std::thread([this] { pollLoop(); });
    }
    m_wake.notify_all();
}

void ControllerLink::removeWatcher(const AxisWatcher *watcher)
{
    std::lock_guard<std::mutex> lock(m_watchMutex);
    m_watched.erase(std::remove_if(m_watched.begin(), m_watched.end(),
                                   [watcher](const WatchedAxis &w) { return w.watcher.get() == watcher; }),
                    m_watched.end());
}

void ControllerLink::pollSoon(int axis)
{
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        const auto now = std::chrono::steady_clock::now();
        for (WatchedAxis &watched : m_watched) {
            if (watched.axis == axis)
                watched.due = now;
        }
    }
    m_wake.notify_all();
}

void ControllerLink::pollLoop()
{
    // Tango's monitors tell threads apart through omniORB's thread object.
    omni_thread::ensure_self omniThread;
    using Clock = std::chrono::steady_clock;

    std::unique_lock<std::mutex> lock(m_watchMutex);
    while (!m_stopping) {
        if (m_watched.empty()) {
            m_wake.wait(lock);
            continue;
        }
        Clock::time_point earliest = Clock::time_point::max();
        for (const WatchedAxis &watched : m_watched)
            earliest = std::min(earliest, watched.due);
        const Clock::time_point started = Clock::now();
        if (earliest > started) {
            m_wake.wait_until(lock, earliest);
            continue;
        }

        // The axes due now, each read once however many devices watch it.
        std::vector<int> axes;
        for (WatchedAxis &watched : m_watched) {
            if (watched.due <= started) {
                if (std::find(axes.begin(), axes.end(), watched.axis) == axes.end())
                    axes.push_back(watched.axis);
                watched.due = started + kRestingPollPeriod;
            }
        }
        for (int axis : axes) {
            std::vector<std::shared_ptr<AxisWatcher>> watchers;
            for (const WatchedAxis &watched : m_watched) {
                if (watched.axis == axis)
                    watchers.push_back(watched.watcher);
            }
            lock.unlock();
            AxisSnapshot snapshot;
            if (isOpen()) {
                snapshot = readAxis(axis);
            } else {
                snapshot.axis = axis;
                snapshot.controllerLost = true;
                snapshot.failure = faultReason();
            }
            for (const std::shared_ptr<AxisWatcher> &watcher : watchers)
                watcher->axisPolled(snapshot);
            watchers.clear();
            lock.lock();
            if (isMoving(snapshot)) {
                for (WatchedAxis &watched : m_watched) {
                    // pollSoon() during the read keeps its earlier time.
                    if (watched.axis == axis)
                        watched.due = std::min(watched.due, started + kMovingPollPeriod);
                }
            }
        }
    }
}

} // namespace velmotango

// One controller on the bus, shared by the Tango devices that serve it.
//
// The library's calls for one controller must never overlap, so every call
// goes through call(), which holds this controller's lock for one call. One poll thread per controller reads the watched axes: quickly
// while they move, slowly at rest, so that change events need no client
// polling.
#pragma once

#include "AxisSnapshot.h"
#include "AxisWatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace velmotango {

// Thrown by call() when the controller is not open (never found, unplugged).
class ControllerUnavailable : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct ControllerIdentity
{
    int deviceId = 0;
    std::string serialNumber;
    std::string model;
    std::string firmware;
    int axisCount = 0;
};

class ControllerLink
{
public:
    static constexpr std::chrono::milliseconds kMovingPollPeriod{10};
    static constexpr std::chrono::milliseconds kRestingPollPeriod{100};

    // serial: the controller's serial number, compared without regard to case.
    explicit ControllerLink(std::string serial);
    ~ControllerLink();
    ControllerLink(const ControllerLink &) = delete;
    ControllerLink &operator=(const ControllerLink &) = delete;

    const std::string &wantedSerial() const { return m_wantedSerial; }

    // Closes the controller if open, then looks for it on the bus again and
    // opens it. Returns false with the reason in faultReason().
    bool reopen();
    void close();
    // Stops the poll thread and closes the controller.
    void shutdown();

    bool isOpen() const;
    std::string faultReason() const;
    ControllerIdentity identity() const;

    // Lists the bus and marks the controller lost when its id is gone.
    // Returns true while it is open and present.
    bool checkPresent();

    // Runs one library call (or a short sequence that must not be split) with
    // the controller's device id under its lock.
    // Throws ControllerUnavailable when the controller is not open.
    template <typename Call>
    auto call(Call &&libraryCall) -> decltype(libraryCall(0))
    {
        std::lock_guard<std::mutex> lock(m_callMutex);
        if (m_deviceId == 0)
            throw ControllerUnavailable(faultReason());
        return libraryCall(m_deviceId);
    }

    // A failed exchange: finds out whether the controller is gone and, if so,
    // closes it and records why. Returns the text to report.
    std::string explainFailure(const std::string &what, int result);

    // Reads position and running state now (two exchanges).
    AxisSnapshot readAxis(int axis);

    void addWatcher(int axis, const std::shared_ptr<AxisWatcher> &watcher);
    void removeWatcher(const AxisWatcher *watcher);
    // Polls this axis at once and then quickly (a motion command was sent).
    void pollSoon(int axis);

private:
    struct WatchedAxis
    {
        int axis;
        std::shared_ptr<AxisWatcher> watcher;
        std::chrono::steady_clock::time_point due;
    };

    void markLost(const std::string &reason);
    void closeLocked();
    void pollLoop();
    void startPollThread();

    const std::string m_wantedSerial;

    // Held for one library call; m_deviceId changes only under it.
    mutable std::mutex m_callMutex;
    int m_deviceId = 0;

    mutable std::mutex m_stateMutex; // guards m_identity and m_fault
    ControllerIdentity m_identity;
    std::string m_fault;

    std::mutex m_watchMutex; // guards m_watched, m_stopping
    std::condition_variable m_wake;
    std::vector<WatchedAxis> m_watched;
    bool m_stopping = false;
    std::thread m_pollThread;
};

} // namespace velmotango

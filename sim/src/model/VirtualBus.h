// The virtual USB bus: the devices a scenario puts on it, the controllers'
// models behind them and the open sessions. Every public member is
// thread-safe; one mutex guards the whole bus and one condition variable
// wakes IN transfers when bytes arrive or a device goes away.
#ifndef VELMO_SIM_VIRTUALBUS_H
#define VELMO_SIM_VIRTUALBUS_H

#include "ControllerModel.h"
#include "ScenarioConfig.h"
#include "StateStore.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class VirtualBus
{
public:
    enum class Result { Ok, Timeout, NoDevice, Pipe, Busy, NotFound, Access, InvalidParam, Io };

    struct DeviceEntry {
        std::uint64_t key = 0; // one plug-in of one device; a re-plug gets a new key
        int bus = 1;
        int address = 0;
        std::vector<int> portPath;
        int vendorId = 0;
        int productId = 0;
        int deviceClass = 0;
        bool controller = false;
        bool extraEndpoints = false;
    };

    // One open handle. Holds its controller so that closing after a reload
    // still settles the controller's handle count.
    struct Session {
        std::uint64_t key = 0;
        std::shared_ptr<ControllerModel> controller;
        bool claimRefused = false;
        unsigned claimed = 0; // bit per interface
    };

    static constexpr std::uint16_t ControllerVendor = 0x4306;
    static constexpr std::uint16_t ControllerProduct = 0x5745;

    // The process-wide bus, loaded from VELMO_SIM_SCENARIO on first use.
    static VirtualBus &instance();

    VirtualBus();

    // Returns VSIM_OK, or VSIM_ERR_BAD_SCENARIO after reporting the problems
    // on stderr (the bus then runs on the defaults for what was wrong).
    int load(const char *json);
    int loadFromEnvironment();
    void loadConfig(const ScenarioConfig &config);

    std::vector<DeviceEntry> devices() const; // plugged devices in list order

    Result open(std::uint64_t key, Session *session);
    void close(Session *session);
    Result kernelDriverActive(const Session &session, int interfaceNumber, bool *active);
    Result setKernelDriver(const Session &session, int interfaceNumber, bool attach);
    Result claimInterface(Session *session, int interfaceNumber);
    Result releaseInterface(Session *session, int interfaceNumber);
    Result clearHalt(const Session &session, std::uint8_t endpoint);
    Result bulkOut(const Session &session, std::uint8_t endpoint, const std::uint8_t *data, int length,
                   int *transferred);
    // timeoutMs 0 waits without limit.
    Result bulkIn(const Session &session, std::uint8_t endpoint, std::uint8_t *data, int length, unsigned timeoutMs,
                  int *transferred);
    // As bulkIn, but returns Timeout at once when nothing is readable yet. For
    // front ends that complete IN requests from their own event loop.
    Result pollIn(const Session &session, std::uint8_t endpoint, std::uint8_t *data, int length, int *transferred);
    // When the next queued bytes of the session's controller become readable;
    // none when nothing is queued or the session has no controller.
    std::optional<SteadyTime> nextInReadyAt(const Session &session) const;
    // Called, with the bus lock held, whenever a waiting IN transfer may be
    // able to complete (bytes queued, a device gone, a fault armed), so that
    // front ends sleeping in an event loop of their own wake up. It must not
    // call back into the bus.
    void setActivityListener(std::function<void()> listener);

    // Control surface of the C API; each returns a VSIM_* code or a count.
    int controllerCount() const;
    int setPlugged(int devId, bool plugged);
    int failOpen(int devId, int times);
    int failClaim(int devId, bool on);
    int stallInOnce(int devId);
    int setFault(int devId, int fault, int code, int count);
    int setLatencyUs(int devId, int microseconds);
    int pushInBytes(int devId, const std::uint8_t *bytes, int length);
    int writtenCount(int devId) const;
    int writtenFrame(int devId, int index, std::uint8_t *buffer, int capacity) const;
    int clearWritten(int devId);
    int overlappingRequests(int devId) const;
    int openCount(int devId) const;
    int openHandles(int devId) const;
    int setSensorFaults(int devId, int axis, bool negativeLimit, bool home, bool positiveLimit);
    int setAxisPosition(int devId, int axis, double position);

    // Runs fn on a controller under the bus lock; VSIM_ERR_NO_CONTROLLER when none.
    int withController(int devId, const std::function<void(ControllerModel &)> &fn);

private:
    struct Slot {
        DeviceEntry entry;
        std::shared_ptr<ControllerModel> controller; // null for hubs and other devices
    };

    Slot *findSlot(std::uint64_t key);
    ControllerModel *findController(int devId) const;
    bool isAlive(const Session &session);
    bool hasEndpoint(const Session &session, std::uint8_t endpoint);
    // One attempt at an IN read under the lock; Timeout when nothing is readable.
    // Why a transfer on this session and endpoint cannot run (Ok when it can);
    // called with the bus lock held.
    Result checkTransfer(const Session &session, std::uint8_t endpoint, bool in);
    Result readInLocked(const Session &session, std::uint8_t endpoint, std::uint8_t *data, int length,
                        SteadyTime now, int *transferred);
    void persist();
    // Wakes IN transfers waiting here and the activity listener; bus lock held.
    void wakeWaiters();
    std::uint64_t nextKey() { return ++m_lastKey; }
    int nextAddress(int bus);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::function<void()> m_activityListener;
    std::vector<Slot> m_slots;
    std::vector<std::shared_ptr<ControllerModel>> m_controllers;
    std::unique_ptr<StateStore> m_store;
    std::uint64_t m_lastKey = 0;
    std::vector<int> m_lastAddress; // per bus
};

#endif

#include "VirtualBus.h"

#include "ScenarioLoader.h"
#include "velmoSim.h"

#include <QFile>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void report(const QString &text)
{
    std::fprintf(stderr, "velmo-sim: %s\n", text.toLocal8Bit().constData());
}

bool isBulkOut(std::uint8_t endpoint, bool extra)
{
    return endpoint == 0x01 || (extra && endpoint == 0x02);
}

bool isBulkIn(std::uint8_t endpoint, bool extra)
{
    return endpoint == 0x81 || (extra && endpoint == 0x82);
}

} // namespace

VirtualBus &VirtualBus::instance()
{
    // Never destroyed: reader threads of the host may still be inside a
    // transfer while the process runs its exit handlers.
    static VirtualBus *bus = [] {
        auto *created = new VirtualBus;
        created->loadFromEnvironment();
        return created;
    }();
    return *bus;
}

VirtualBus::VirtualBus()
    : m_store(std::make_unique<StateStore>(QString()))
{
}

int VirtualBus::loadFromEnvironment()
{
    const char *value = std::getenv("VELMO_SIM_SCENARIO");
    if (value == nullptr || *value == '\0') {
        loadConfig(ScenarioLoader::defaultScenario());
        return VSIM_OK;
    }
    // The variable holds either the scenario itself or the name of its file.
    QByteArray text(value);
    if (!text.trimmed().startsWith('{')) {
        QFile file(QString::fromLocal8Bit(value));
        if (!file.open(QIODevice::ReadOnly)) {
            report(QStringLiteral("cannot read scenario file %1 (%2); built-in default used")
                       .arg(file.fileName(), file.errorString()));
            loadConfig(ScenarioLoader::defaultScenario());
            return VSIM_ERR_BAD_SCENARIO;
        }
        text = file.readAll();
    }
    return load(text.constData());
}

int VirtualBus::load(const char *json)
{
    if (json == nullptr)
        return loadFromEnvironment();
    ScenarioConfig config;
    QStringList problems;
    const bool ok = ScenarioLoader::parse(QByteArray(json), &config, &problems);
    for (const QString &problem : problems)
        report(QStringLiteral("scenario: ") + problem);
    loadConfig(config);
    return ok ? VSIM_OK : VSIM_ERR_BAD_SCENARIO;
}

int VirtualBus::nextAddress(int bus)
{
    if (m_lastAddress.size() <= static_cast<std::size_t>(bus))
        m_lastAddress.resize(static_cast<std::size_t>(bus) + 1, 1); // address 1 is the root hub
    int &last = m_lastAddress[static_cast<std::size_t>(bus)];
    last = last >= 127 ? 2 : last + 1;
    return last;
}

void VirtualBus::loadConfig(const ScenarioConfig &config)
{
    const SteadyTime now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::shared_ptr<ControllerModel> &old : m_controllers)
        old->usb().removed = true; // handles on the old bus go dead
    m_slots.clear();
    m_controllers.clear();
    m_lastAddress.clear();

    auto plainEntry = [&](const PlainDeviceConfig &device) {
        DeviceEntry entry;
        entry.key = nextKey();
        entry.bus = device.bus;
        entry.address = nextAddress(device.bus);
        entry.portPath = device.portPath;
        entry.vendorId = device.vendorId;
        entry.productId = device.productId;
        entry.deviceClass = device.deviceClass;
        return entry;
    };

    if (config.rootHubs) {
        std::vector<int> buses;
        auto note = [&](int bus) {
            if (std::find(buses.begin(), buses.end(), bus) == buses.end())
                buses.push_back(bus);
        };
        for (const ControllerConfig &c : config.controllers)
            note(c.bus);
        for (const PlainDeviceConfig &d : config.otherDevices)
            note(d.bus);
        for (const PlainDeviceConfig &d : config.hubs)
            note(d.bus);
        std::sort(buses.begin(), buses.end());
        for (int bus : buses) {
            DeviceEntry entry;
            entry.key = nextKey();
            entry.bus = bus;
            entry.address = 1;
            entry.vendorId = 0x1D6B; // Linux Foundation root hub
            entry.productId = 0x0002;
            entry.deviceClass = 9;
            m_slots.push_back({entry, nullptr});
        }
    }
    for (const PlainDeviceConfig &hub : config.hubs)
        m_slots.push_back({plainEntry(hub), nullptr});
    for (const ControllerConfig &controllerConfig : config.controllers) {
        auto controller = std::make_shared<ControllerModel>(controllerConfig, now, config.timeScale, config.latencyMs);
        DeviceEntry entry;
        entry.key = nextKey();
        entry.bus = controllerConfig.bus;
        entry.address = nextAddress(controllerConfig.bus);
        entry.portPath = controllerConfig.portPath;
        entry.vendorId = ControllerVendor;
        entry.productId = ControllerProduct;
        entry.controller = true;
        entry.extraEndpoints = controllerConfig.extraEndpoints;
        m_slots.push_back({entry, controller});
        m_controllers.push_back(controller);
    }
    for (const PlainDeviceConfig &device : config.otherDevices)
        m_slots.push_back({plainEntry(device), nullptr});

    m_store = std::make_unique<StateStore>(config.stateFile);
    QString problem;
    if (!m_store->restore(m_controllers, &problem))
        report(problem);
    wakeWaiters();
}

std::vector<VirtualBus::DeviceEntry> VirtualBus::devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DeviceEntry> list;
    for (const Slot &slot : m_slots) {
        if (!slot.controller || slot.controller->usb().plugged)
            list.push_back(slot.entry);
    }
    return list;
}

VirtualBus::Slot *VirtualBus::findSlot(std::uint64_t key)
{
    for (Slot &slot : m_slots) {
        if (slot.entry.key == key)
            return &slot;
    }
    return nullptr;
}

ControllerModel *VirtualBus::findController(int devId) const
{
    for (const std::shared_ptr<ControllerModel> &controller : m_controllers) {
        if (controller->deviceId() == devId)
            return controller.get();
    }
    return nullptr;
}

bool VirtualBus::isAlive(const Session &session)
{
    const Slot *slot = findSlot(session.key);
    return slot != nullptr && (!slot->controller || slot->controller->usb().plugged);
}

bool VirtualBus::hasEndpoint(const Session &session, std::uint8_t endpoint)
{
    const bool extra = session.controller && session.controller->usb().extraEndpoints;
    return (endpoint & 0x80) ? isBulkIn(endpoint, extra) : isBulkOut(endpoint, extra);
}

VirtualBus::Result VirtualBus::open(std::uint64_t key, Session *session)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Slot *slot = findSlot(key);
    if (slot == nullptr || (slot->controller && !slot->controller->usb().plugged))
        return Result::NoDevice;
    *session = Session();
    session->key = key;
    if (slot->controller) {
        ControllerUsbState &usb = slot->controller->usb();
        if (usb.openFailsLeft != 0) {
            if (usb.openFailsLeft > 0)
                --usb.openFailsLeft;
            return Result::Access; // as when another program holds the device
        }
        ++usb.openCount;
        ++usb.openHandles;
        session->controller = slot->controller;
    }
    return Result::Ok;
}

void VirtualBus::close(Session *session)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (session->controller) {
        ControllerUsbState &usb = session->controller->usb();
        usb.openHandles = std::max(0, usb.openHandles - 1);
        session->controller.reset();
    }
    session->key = 0;
    wakeWaiters();
}

VirtualBus::Result VirtualBus::kernelDriverActive(const Session &session, int interfaceNumber, bool *active)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isAlive(session))
        return Result::NoDevice;
    if (interfaceNumber != 0)
        return Result::NotFound;
    *active = session.controller && session.controller->usb().kernelDriverActive;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::setKernelDriver(const Session &session, int interfaceNumber, bool attach)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isAlive(session))
        return Result::NoDevice;
    if (interfaceNumber != 0 || !session.controller)
        return Result::NotFound;
    bool &active = session.controller->usb().kernelDriverActive;
    if (active == attach)
        return attach ? Result::Busy : Result::NotFound;
    active = attach;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::claimInterface(Session *session, int interfaceNumber)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isAlive(*session))
        return Result::NoDevice;
    if (interfaceNumber != 0)
        return Result::NotFound;
    if (session->controller && (session->controller->usb().claimFail || session->controller->usb().kernelDriverActive)) {
        session->claimRefused = true;
        return Result::Busy;
    }
    session->claimRefused = false;
    session->claimed |= 1u;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::releaseInterface(Session *session, int interfaceNumber)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isAlive(*session))
        return Result::NoDevice;
    if (interfaceNumber != 0 || !(session->claimed & 1u))
        return Result::NotFound;
    session->claimed &= ~1u;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::clearHalt(const Session &session, std::uint8_t endpoint)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isAlive(session))
        return Result::NoDevice;
    if (!session.controller || !hasEndpoint(session, endpoint))
        return Result::NotFound;
    if (endpoint & 0x80)
        session.controller->usb().inHalted = false;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::checkTransfer(const Session &session, std::uint8_t endpoint, bool in)
{
    if (!isAlive(session))
        return Result::NoDevice;
    if (!session.controller)
        return Result::Io;
    if (session.claimRefused)
        return Result::Busy;
    if (bool(endpoint & 0x80) != in || !hasEndpoint(session, endpoint))
        return Result::NotFound;
    return Result::Ok;
}

VirtualBus::Result VirtualBus::bulkOut(const Session &session, std::uint8_t endpoint, const std::uint8_t *data,
                                       int length, int *transferred)
{
    *transferred = 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const Result refused = checkTransfer(session, endpoint, false); refused != Result::Ok)
        return refused;
    if (length < 0 || (length > 0 && data == nullptr))
        return Result::InvalidParam;
    const SteadyTime now = std::chrono::steady_clock::now();
    if (session.controller->receive(data, static_cast<std::size_t>(length), now))
        persist();
    *transferred = length;
    wakeWaiters();
    return Result::Ok;
}

VirtualBus::Result VirtualBus::readInLocked(const Session &session, std::uint8_t endpoint, std::uint8_t *data,
                                            int length, SteadyTime now, int *transferred)
{
    if (const Result refused = checkTransfer(session, endpoint, true); refused != Result::Ok)
        return refused;
    ControllerModel &controller = *session.controller;
    if (controller.usb().inHalted)
        return Result::Pipe;
    const std::size_t got = controller.inStream().read(data, static_cast<std::size_t>(length), now);
    if (got > 0 || length == 0) {
        *transferred = static_cast<int>(got);
        return Result::Ok;
    }
    return Result::Timeout;
}

VirtualBus::Result VirtualBus::bulkIn(const Session &session, std::uint8_t endpoint, std::uint8_t *data, int length,
                                      unsigned timeoutMs, int *transferred)
{
    *transferred = 0;
    if (length < 0 || (length > 0 && data == nullptr))
        return Result::InvalidParam;
    const SteadyTime start = std::chrono::steady_clock::now();
    const SteadyTime deadline = start + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        const SteadyTime now = std::chrono::steady_clock::now();
        const Result result = readInLocked(session, endpoint, data, length, now, transferred);
        if (result != Result::Timeout)
            return result;
        if (timeoutMs != 0 && now >= deadline)
            return Result::Timeout;
        std::optional<SteadyTime> wake = session.controller->inStream().nextReadyAt();
        if (timeoutMs != 0 && (!wake || *wake > deadline))
            wake = deadline;
        if (wake)
            m_wake.wait_until(lock, *wake);
        else
            m_wake.wait(lock);
    }
}

VirtualBus::Result VirtualBus::pollIn(const Session &session, std::uint8_t endpoint, std::uint8_t *data, int length,
                                      int *transferred)
{
    *transferred = 0;
    if (length < 0 || (length > 0 && data == nullptr))
        return Result::InvalidParam;
    std::lock_guard<std::mutex> lock(m_mutex);
    return readInLocked(session, endpoint, data, length, std::chrono::steady_clock::now(), transferred);
}

std::optional<SteadyTime> VirtualBus::nextInReadyAt(const Session &session) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!session.controller)
        return std::nullopt;
    return session.controller->inStream().nextReadyAt();
}

void VirtualBus::setActivityListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_activityListener = std::move(listener);
}

void VirtualBus::wakeWaiters()
{
    m_wake.notify_all();
    if (m_activityListener)
        m_activityListener();
}

void VirtualBus::persist()
{
    QString problem;
    if (!m_store->save(m_controllers, &problem))
        report(problem);
}

int VirtualBus::controllerCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_controllers.size());
}

int VirtualBus::withController(int devId, const std::function<void(ControllerModel &)> &fn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ControllerModel *controller = findController(devId);
    if (controller == nullptr)
        return VSIM_ERR_NO_CONTROLLER;
    fn(*controller);
    wakeWaiters();
    return VSIM_OK;
}

int VirtualBus::setPlugged(int devId, bool plugged)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ControllerModel *controller = findController(devId);
    if (controller == nullptr)
        return VSIM_ERR_NO_CONTROLLER;
    if (plugged && !controller->usb().plugged) {
        controller->replug();
        for (Slot &slot : m_slots) {
            if (slot.controller.get() == controller) {
                slot.entry.key = nextKey(); // a new device as far as the host can tell
                slot.entry.address = nextAddress(slot.entry.bus);
            }
        }
    } else if (!plugged && controller->usb().plugged) {
        controller->unplug(std::chrono::steady_clock::now());
    }
    wakeWaiters();
    return VSIM_OK;
}

int VirtualBus::failOpen(int devId, int times)
{
    if (times < -1)
        return VSIM_ERR_ARGUMENT;
    return withController(devId, [&](ControllerModel &c) { c.usb().openFailsLeft = times; });
}

int VirtualBus::failClaim(int devId, bool on)
{
    return withController(devId, [&](ControllerModel &c) { c.usb().claimFail = on; });
}

int VirtualBus::stallInOnce(int devId)
{
    return withController(devId, [&](ControllerModel &c) { c.usb().inHalted = true; });
}

int VirtualBus::setFault(int devId, int fault, int code, int count)
{
    if (!ReplyShaper::isValidKind(fault) || code < 0 || code > 0xFFFF || count < -1)
        return VSIM_ERR_ARGUMENT;
    return withController(devId, [&](ControllerModel &c) { c.faults().arm(static_cast<vsim_fault>(fault), code, count); });
}

int VirtualBus::setLatencyUs(int devId, int microseconds)
{
    if (microseconds < 0)
        return VSIM_ERR_ARGUMENT;
    return withController(devId, [&](ControllerModel &c) { c.setLatency(std::chrono::microseconds(microseconds)); });
}

int VirtualBus::pushInBytes(int devId, const std::uint8_t *bytes, int length)
{
    if (length < 0 || (length > 0 && bytes == nullptr))
        return VSIM_ERR_ARGUMENT;
    const SteadyTime now = std::chrono::steady_clock::now();
    return withController(devId, [&](ControllerModel &c) {
        c.inStream().push({now, Bytes(bytes, bytes + length), false});
    });
}

int VirtualBus::writtenCount(int devId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControllerModel *controller = findController(devId);
    return controller ? static_cast<int>(controller->writtenFrames().size()) : VSIM_ERR_NO_CONTROLLER;
}

int VirtualBus::writtenFrame(int devId, int index, std::uint8_t *buffer, int capacity) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControllerModel *controller = findController(devId);
    if (controller == nullptr)
        return VSIM_ERR_NO_CONTROLLER;
    const std::deque<Bytes> &frames = controller->writtenFrames();
    if (index < 0 || static_cast<std::size_t>(index) >= frames.size() || capacity < 0
        || (capacity > 0 && buffer == nullptr))
        return VSIM_ERR_ARGUMENT;
    const Bytes &frame = frames[static_cast<std::size_t>(index)];
    if (!frame.empty() && capacity > 0)
        std::memcpy(buffer, frame.data(), std::min<std::size_t>(frame.size(), static_cast<std::size_t>(capacity)));
    return static_cast<int>(frame.size());
}

int VirtualBus::clearWritten(int devId)
{
    return withController(devId, [](ControllerModel &c) { c.clearWritten(); });
}

int VirtualBus::overlappingRequests(int devId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControllerModel *controller = findController(devId);
    return controller ? controller->overlappingRequests() : VSIM_ERR_NO_CONTROLLER;
}

int VirtualBus::openCount(int devId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControllerModel *controller = findController(devId);
    return controller ? controller->usb().openCount : VSIM_ERR_NO_CONTROLLER;
}

int VirtualBus::openHandles(int devId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControllerModel *controller = findController(devId);
    return controller ? controller->usb().openHandles : VSIM_ERR_NO_CONTROLLER;
}

int VirtualBus::setSensorFaults(int devId, int axis, bool negativeLimit, bool home, bool positiveLimit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ControllerModel *controller = findController(devId);
    if (controller == nullptr)
        return VSIM_ERR_NO_CONTROLLER;
    if (axis < 0 || axis >= controller->axisCount())
        return VSIM_ERR_ARGUMENT;
    controller->axis(axis).setSensorFaults(negativeLimit, home, positiveLimit);
    return VSIM_OK;
}

int VirtualBus::setAxisPosition(int devId, int axis, double position)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ControllerModel *controller = findController(devId);
    if (controller == nullptr)
        return VSIM_ERR_NO_CONTROLLER;
    if (axis < 0 || axis >= controller->axisCount() || !std::isfinite(position))
        return VSIM_ERR_ARGUMENT;
    controller->axis(axis).setPosition(position);
    return VSIM_OK;
}

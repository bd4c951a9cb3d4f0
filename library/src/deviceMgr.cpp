#include "deviceMgr.h"

#include "LibusbTransfer.h"
#include "UsbDev.h"

#include <QMutexLocker>
#include <QSharedPointer>
#include <atomic>

namespace velmo {

namespace {
QMutex instanceMutex;
QSharedPointer<deviceMgr> sharedInstance; // deleted when the library is unloaded
std::atomic<deviceMgr *> instancePointer{nullptr};
} // namespace

deviceMgr *deviceMgr::instance()
{
    deviceMgr *existing = instancePointer.load(std::memory_order_acquire);
    if (existing == nullptr) {
        QMutexLocker lock(&instanceMutex);
        existing = instancePointer.load(std::memory_order_relaxed);
        if (existing == nullptr) {
            sharedInstance.reset(new deviceMgr);
            existing = sharedInstance.data();
            instancePointer.store(existing, std::memory_order_release);
        }
    }
    return existing;
}

deviceMgr::~deviceMgr()
{
    for (auto &entry : m_registry)
        shutDown(std::move(entry.channel));
    instancePointer.store(nullptr, std::memory_order_release);
}

void deviceMgr::shutDown(std::shared_ptr<LibusbTransfer> channel)
{
    if (channel)
        channel->stop();
}

std::shared_ptr<LibusbTransfer> deviceMgr::detachChannel(int id)
{
    QMutexLocker lock(&m_registryMutex);
    auto it = m_registry.find(id);
    if (it == m_registry.end())
        return nullptr;
    return std::move(it->channel);
}

void deviceMgr::addDev(int id)
{
    // Re-registering an open id closes it first, so no reader thread or USB
    // handle is left running out of reach.
    shutDown(detachChannel(id));
    QMutexLocker lock(&m_registryMutex);
    m_registry.insert(id, Entry{id, nullptr});
}

int deviceMgr::openDevice(int id)
{
    // A second open of the same id replaces the old channel: close it first
    // so the controller is free to be claimed again.
    shutDown(detachChannel(id));

    auto *device = new UsbDev(kVendorId, kProductId);
    if (!device->open(id) && !device->open(id)) {
        delete device;
        return -1;
    }
    {
        QMutexLocker lock(&m_registryMutex);
        auto it = m_registry.find(id);
        if (it != m_registry.end()) {
            it->channel = std::make_shared<LibusbTransfer>();
            it->channel->attach(device);
            return 0;
        }
    }
    delete device;
    return -2;
}

int deviceMgr::closeDevice(int id)
{
    std::shared_ptr<LibusbTransfer> channel = detachChannel(id);
    if (!channel)
        return -1;
    shutDown(std::move(channel));
    return 0;
}

int deviceMgr::removeDev(int id)
{
    shutDown(detachChannel(id));
    QMutexLocker lock(&m_registryMutex);
    return m_registry.remove(id);
}

std::shared_ptr<LibusbTransfer> deviceMgr::channel(int id)
{
    QMutexLocker lock(&m_registryMutex);
    auto it = m_registry.constFind(id);
    return it == m_registry.constEnd() ? nullptr : it->channel;
}

} // namespace velmo

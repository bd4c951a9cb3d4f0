#pragma once

#include <QMap>
#include <QMutex>
#include <QObject>
#include <memory>

namespace velmo {

class LibusbTransfer;

// Process-wide registry of controllers: device id -> command channel (null
// while the controller is registered but closed).
class deviceMgr : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kVendorId = 0x4306;
    static constexpr quint16 kProductId = 0x5745;

    static deviceMgr *instance();
    ~deviceMgr() override;

    void addDev(int id);
    int openDevice(int id);
    int closeDevice(int id);
    int removeDev(int id);

    // The open channel of an id, or null. The caller shares ownership for
    // the length of its exchange, so a close from another thread (which the
    // calling rules forbid, but a host may still do) cannot delete the
    // channel under it; the exchange then fails instead of crashing.
    std::shared_ptr<LibusbTransfer> channel(int id);

private:
    struct Entry {
        int id = 0;
        std::shared_ptr<LibusbTransfer> channel;
    };

    deviceMgr() = default;
    // Removes the id's channel from its entry and returns it (or null).
    std::shared_ptr<LibusbTransfer> detachChannel(int id);
    // Stops the channel's reader and drops this reference; the channel and
    // its USB handle go with the last reference.
    static void shutDown(std::shared_ptr<LibusbTransfer> channel);

    QMutex m_registryMutex;
    QMap<int, Entry> m_registry;
};

} // namespace velmo

#pragma once

#include <QMap>
#include <QMutex>
#include <QObject>

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

    // The open channel of an id, or null.
    LibusbTransfer *channel(int id);

private:
    struct Entry {
        int id = 0;
        LibusbTransfer *channel = nullptr;
    };

    deviceMgr() = default;
    // Removes the id's channel from its entry and returns it (or null).
    LibusbTransfer *detachChannel(int id);
    static void shutDown(LibusbTransfer *channel);

    QMutex m_registryMutex;
    QMap<int, Entry> m_registry;
};

} // namespace velmo

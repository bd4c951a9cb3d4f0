#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>

namespace velmo {

class UsbDev;

// Command channel of one open controller: writes request frames and waits
// for their replies. Owns the controller's UsbDev.
class LibusbTransfer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStopWaitMs = 100;

    explicit LibusbTransfer(QObject *parent = nullptr);
    ~LibusbTransfer() override;

    // Takes ownership of an open UsbDev and starts its reader thread with
    // the calling thread's priority.
    void attach(UsbDev *device);
    UsbDev *device() const { return m_device; }

    // Empties the reply table, notes that a reply of this code is owed,
    // then writes the frame: 0, -1 without a device, -2 when the frame was
    // not written completely.
    int send(quint16 code, const QByteArray &frame);

    // Waits for the reply with this code and total length: the length
    // copied, 0 when nothing came in time, -1 without a device.
    int readReply(quint16 code, char *dest, int expectedLength, int timeoutMs);

    // Ends the reader thread (returns at once when it has already ended).
    void stop();

private:
    UsbDev *m_device = nullptr;
    QMutex m_sendLock;
};

} // namespace velmo

#pragma once

#include "FrameSplitter.h"
#include "ReplyTable.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <atomic>

struct libusb_device_handle;

namespace velmo {

// One open controller: owns the USB handle and a reader thread that reads the
// bulk IN endpoint, cuts the stream into reply frames and files them by
// function code in the reply table, where the sending thread waits for them.
class UsbDev : public QThread
{
    Q_OBJECT

public:
    static constexpr int kReadBufferSize = 0xA0A0; // 41120 bytes per read
    static constexpr int kReadTimeoutMs = 1;
    // A controller that stops taking data must not hang the sending thread
    // for ever; a healthy one accepts a request within microseconds.
    static constexpr unsigned kWriteTimeoutMs = 1000;

    UsbDev(quint16 vendorId, quint16 productId, QObject *parent = nullptr);
    ~UsbDev() override;

    // Opens the controller whose device id matches, claims its interfaces
    // and finds its bulk endpoints.
    bool open(int deviceId);
    void close();
    bool isOpen() const { return m_handle != nullptr; }

    // One bulk OUT transfer without time-out; returns the bytes written.
    int bulkWrite(const char *bytes, int length);
    // One bulk IN transfer: bytes received (0 on time-out) or a libusb error.
    int bulkRead(char *buffer, int capacity, int timeoutMs);
    void clearInHalt();

    int waitForReply(quint16 code, char *dest, int expectedLength, int timeoutMs);
    void clearReplies() { m_replies.clear(); }
    ReplyTable &replies() { return m_replies; }

    void requestStop() { m_running.store(false); }
    bool running() const { return m_running.load(); }

    quint8 inEndpoint() const { return m_endpointIn; }
    quint8 outEndpoint() const { return m_endpointOut; }

protected:
    void run() override;

private:
    void setUpInterfaces();
    void receive(const char *bytes, int length);
    void processFrameQueue();
    void logChecksumError(const QByteArray &frame);

    quint16 m_vendorId;
    quint16 m_productId;
    libusb_device_handle *m_handle = nullptr;
    quint8 m_endpointIn = 0;
    quint8 m_endpointOut = 0;

    std::atomic<bool> m_running{true}; // set at construction, only ever cleared
    FrameSplitter m_receiveBuffer;
    QMutex m_queueMutex;
    QList<QByteArray> m_frameQueue;
    ReplyTable m_replies;
};

} // namespace velmo

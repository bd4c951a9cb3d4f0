#pragma once

#include "FrameSplitter.h"
#include "ReplyTable.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <vector>

struct libusb_device_handle;
struct libusb_transfer;

namespace velmo {

// One open controller: owns the USB handle and a reader thread that keeps one
// asynchronous transfer submitted on the bulk IN endpoint. Its completion cuts
// the stream into reply frames and files them by function code in the reply
// table, where the sending thread waits for them, and submits it again. The
// reader sleeps in libusb's event handling until a transfer completes.
class UsbDev : public QThread
{
    Q_OBJECT

public:
    static constexpr int kReadBufferSize = 0xA0A0; // 41120 bytes per read
    // Event handling wakes for every completion and for a stop (the stop
    // cancels the transfer); this only bounds one round of waiting.
    static constexpr int kEventWaitSeconds = 1;
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
    void clearInHalt();

    int waitForReply(quint16 code, char *dest, int expectedLength, int timeoutMs);
    void clearReplies() { m_replies.clear(); }
    ReplyTable &replies() { return m_replies; }

    // Ends the reader: cancels its transfer, so a reader asleep in event
    // handling wakes up. Returns at once; wait() joins the thread.
    void requestStop();
    bool running() const { return m_running.load(); }

    quint8 inEndpoint() const { return m_endpointIn; }
    quint8 outEndpoint() const { return m_endpointOut; }

protected:
    void run() override;

private:
    void setUpInterfaces();
    bool submitRead();
    bool readGoesOn();
    static void onReadDone(libusb_transfer *transfer);
    void readDone(libusb_transfer *transfer);
    void receive(const char *bytes, int length);
    void processFrameQueue();
    void logChecksumError(const QByteArray &frame);

    quint16 m_vendorId;
    quint16 m_productId;
    libusb_device_handle *m_handle = nullptr;
    quint8 m_endpointIn = 0;
    quint8 m_endpointOut = 0;

    std::atomic<bool> m_running{true}; // set at construction, only ever cleared

    // The IN transfer, owned by the reader thread. m_transferMutex orders a
    // resubmission by the completion callback, which may run on any thread
    // that handles libusb events, against the cancellation of a stop.
    libusb_transfer *m_transfer = nullptr;
    std::vector<unsigned char> m_readBuffer;
    QMutex m_transferMutex;
    bool m_inFlight = false;
    int m_readEnded = 0;    // libusb's completed flag: back and not resubmitted
    int m_endStatus = 0;    // libusb_transfer_status of the transfer that ended
    int m_resubmitError = 0; // libusb error when resubmitting failed
    FrameSplitter m_receiveBuffer;
    QMutex m_queueMutex;
    QList<QByteArray> m_frameQueue;
    ReplyTable m_replies;
};

} // namespace velmo

#include "UsbDev.h"
#include "LogCategories.h"

#include "FrameCodec.h"
#include "LogText.h"
#include "UsbBus.h"

#include <QMutexLocker>
#include <libusb.h>
#include <vector>

namespace velmo {

namespace {
QString errorName(int code)
{
    return QString::fromLatin1(libusb_error_name(code));
}

QString endpointText(quint8 address)
{
    return QStringLiteral("0x%1").arg(address, 2, 16, QLatin1Char('0'));
}

// The libusb error a synchronous read would have returned for a transfer that
// ended this way, so the log reads as it always has.
int readError(int transferStatus)
{
    switch (transferStatus) {
    case LIBUSB_TRANSFER_NO_DEVICE: return LIBUSB_ERROR_NO_DEVICE;
    case LIBUSB_TRANSFER_STALL: return LIBUSB_ERROR_PIPE;
    case LIBUSB_TRANSFER_TIMED_OUT: return LIBUSB_ERROR_TIMEOUT;
    case LIBUSB_TRANSFER_OVERFLOW: return LIBUSB_ERROR_OVERFLOW;
    case LIBUSB_TRANSFER_CANCELLED: return LIBUSB_ERROR_INTERRUPTED;
    default: return LIBUSB_ERROR_IO;
    }
}
} // namespace

UsbDev::UsbDev(quint16 vendorId, quint16 productId, QObject *parent)
    : QThread(parent), m_vendorId(vendorId), m_productId(productId)
{
}

UsbDev::~UsbDev()
{
    // The stop cancels the reader's transfer, which comes back at once;
    // destroying a QThread that still runs would abort the process.
    requestStop();
    wait();
    m_replies.clear();
    qCDebug(lcUsb).noquote() << "~UsbDev" << 34 << "usb thread quit";
    close();
}

bool UsbDev::open(int deviceId)
{
    UsbBus::start();
    close();
    qCDebug(lcUsb).noquote() << "openDevice" << 455 << deviceId;

    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0 || list == nullptr) {
        qCWarning(lcUsb).noquote() << QStringLiteral("libusb_get_device_list 失败");
        return false;
    }
    bool sawMatch = false;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        const int rc = libusb_get_device_descriptor(list[i], &descriptor);
        if (rc != LIBUSB_SUCCESS) {
            qCWarning(lcUsb).noquote() << QStringLiteral("get_device_descriptor 失败:") << errorName(rc);
            continue;
        }
        if (descriptor.idVendor != m_vendorId || descriptor.idProduct != m_productId
            || UsbBus::deviceIdOf(list[i]) != deviceId)
            continue;
        const int openRc = libusb_open(list[i], &m_handle);
        if (openRc != LIBUSB_SUCCESS) {
            m_handle = nullptr;
            qCWarning(lcUsb).noquote() << QStringLiteral("打开设备失败") << errorName(openRc);
            sawMatch = true;
            continue;
        }
        qCDebug(lcUsb).noquote() << QStringLiteral("打开设备成功");
        qCDebug(lcUsb).noquote() << "NumConfigurations:" << descriptor.bNumConfigurations;
        setUpInterfaces();
        clearInHalt();
        libusb_free_device_list(list, 1);
        return true;
    }
    libusb_free_device_list(list, 1);
    if (!sawMatch)
        qCWarning(lcUsb).noquote() << QStringLiteral("设备列表中未找到设备 0x%1 - 0x%2")
                                  .arg(m_vendorId, 4, 16, QLatin1Char('0'))
                                  .arg(m_productId, 4, 16, QLatin1Char('0'));
    return false;
}

void UsbDev::setUpInterfaces()
{
    libusb_device *device = libusb_get_device(m_handle);
    libusb_config_descriptor *config = nullptr;
    int rc = libusb_get_config_descriptor(device, 0, &config);
    if (rc != LIBUSB_SUCCESS || config == nullptr) {
        qCWarning(lcUsb).noquote() << QStringLiteral("获取config_descriptor失败,") << errorName(rc);
        return;
    }
    const int interfaces = config->bNumInterfaces;
    qCDebug(lcUsb).noquote() << QStringLiteral("usb接口数量:") << interfaces;
    if (interfaces < 1) {
        qCWarning(lcUsb).noquote() << QStringLiteral("error: usb接口数量 < 1");
        libusb_free_config_descriptor(config);
        return;
    }
    for (int number = 0; number < interfaces; ++number) {
        if (libusb_kernel_driver_active(m_handle, number) == 1)
            libusb_detach_kernel_driver(m_handle, number);
        rc = libusb_claim_interface(m_handle, number);
        if (rc != LIBUSB_SUCCESS)
            qCWarning(lcUsb).noquote() << "Error claiming interface:" << errorName(rc);
    }
    libusb_free_config_descriptor(config);

    config = nullptr;
    rc = libusb_get_config_descriptor(device, 0, &config);
    if (rc != LIBUSB_SUCCESS || config == nullptr) {
        qCWarning(lcUsb).noquote() << QStringLiteral("获取config_descriptor失败,") << errorName(rc);
        return;
    }
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface &interface = config->interface[i];
        if (interface.num_altsetting < 1 || interface.altsetting == nullptr) {
            qCWarning(lcUsb).noquote() << QStringLiteral("error: usb接口配置数量 < 1");
            continue;
        }
        const libusb_interface_descriptor &setting = interface.altsetting[0];
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor &endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & 3) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            if (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
                m_endpointIn = endpoint.bEndpointAddress;
                qCDebug(lcUsb).noquote() << QStringLiteral("初始化EndPointIn成功:") << endpointText(m_endpointIn);
            } else {
                m_endpointOut = endpoint.bEndpointAddress;
                qCDebug(lcUsb).noquote() << QStringLiteral("初始化EndPointOut成功:") << endpointText(m_endpointOut);
            }
        }
    }
    libusb_free_config_descriptor(config);
}

void UsbDev::close()
{
    m_receiveBuffer.clear();
    if (m_handle != nullptr) {
        libusb_close(m_handle);
        m_handle = nullptr;
    }
}

int UsbDev::bulkWrite(const char *bytes, int length)
{
    if (m_handle == nullptr)
        return 0;
    int transferred = 0;
    const int rc = libusb_bulk_transfer(m_handle, m_endpointOut,
                                        reinterpret_cast<unsigned char *>(const_cast<char *>(bytes)),
                                        length, &transferred, kWriteTimeoutMs);
    if (rc != LIBUSB_SUCCESS)
        qCWarning(lcUsb).noquote() << "Error while sending data" << rc << errorName(rc);
    return transferred;
}

void UsbDev::clearInHalt()
{
    if (m_handle != nullptr)
        libusb_clear_halt(m_handle, m_endpointIn);
}

int UsbDev::waitForReply(quint16 code, char *dest, int expectedLength, int timeoutMs)
{
    return m_replies.waitFor(code, dest, expectedLength, timeoutMs);
}

void UsbDev::requestStop()
{
    QMutexLocker lock(&m_transferMutex);
    m_running.store(false);
    // The callback sees the stop under this lock and does not resubmit; a
    // transfer still out comes back cancelled.
    if (m_inFlight)
        libusb_cancel_transfer(m_transfer);
}

void UsbDev::run()
{
    qCDebug(lcUsb).noquote() << "UsbDev thread start .";
    // The flag is set by the constructor and only ever cleared: setting it
    // here could undo a stop requested before this thread got to run, and
    // the close waiting for it would wait for ever.
    if (m_handle == nullptr) {
        qCWarning(lcUsb).noquote() << "libusb error state : " << LIBUSB_ERROR_NO_DEVICE;
        m_running.store(false);
        qCDebug(lcUsb).noquote() << "UsbDev thread stop .";
        return;
    }
    m_transfer = libusb_alloc_transfer(0);
    if (m_transfer == nullptr) {
        qCWarning(lcUsb).noquote() << "libusb error state : " << LIBUSB_ERROR_NO_MEM;
        m_running.store(false);
        qCDebug(lcUsb).noquote() << "UsbDev thread stop .";
        return;
    }
    m_readBuffer.resize(kReadBufferSize);
    libusb_fill_bulk_transfer(m_transfer, m_handle, m_endpointIn, m_readBuffer.data(), kReadBufferSize,
                              &UsbDev::onReadDone, this, 0);
    bool reading = submitRead();
    while (reading) {
        timeval wait{kEventWaitSeconds, 0};
        // Several controllers share the context: whichever reader handles
        // events runs every controller's callbacks, and each reader returns
        // as soon as its own transfer is back.
        libusb_handle_events_timeout_completed(nullptr, &wait, &m_readEnded);
        reading = readGoesOn();
    }
    // Freed only here, after its callback reported it back.
    libusb_free_transfer(m_transfer);
    m_transfer = nullptr;
    qCDebug(lcUsb).noquote() << "UsbDev thread stop .";
}

bool UsbDev::submitRead()
{
    int rc = LIBUSB_SUCCESS;
    {
        QMutexLocker lock(&m_transferMutex);
        if (!m_running.load())
            return false;
        m_readEnded = 0;
        m_resubmitError = 0;
        rc = libusb_submit_transfer(m_transfer);
        m_inFlight = rc == LIBUSB_SUCCESS;
    }
    if (rc == LIBUSB_SUCCESS)
        return true;
    qCWarning(lcUsb).noquote() << "Error while waiting for data," << rc << errorName(rc);
    qCWarning(lcUsb).noquote() << "libusb error state : " << rc;
    m_running.store(false);
    return false;
}

// After a round of event handling: whether the reader keeps reading.
bool UsbDev::readGoesOn()
{
    int status = LIBUSB_TRANSFER_COMPLETED;
    int resubmitError = 0;
    {
        QMutexLocker lock(&m_transferMutex);
        if (!m_readEnded)
            return true; // still out: a time-out, or another controller's completion
        status = m_endStatus;
        resubmitError = m_resubmitError;
    }
    if (resubmitError != 0) {
        qCWarning(lcUsb).noquote() << "Error while waiting for data," << resubmitError << errorName(resubmitError);
        qCWarning(lcUsb).noquote() << "libusb error state : " << resubmitError;
        m_running.store(false);
        return false;
    }
    if (status == LIBUSB_TRANSFER_COMPLETED || status == LIBUSB_TRANSFER_CANCELLED)
        return false; // a stop: the callback did not resubmit
    const int rc = readError(status);
    qCWarning(lcUsb).noquote() << "Error while waiting for data," << rc << errorName(rc);
    if (status == LIBUSB_TRANSFER_STALL) {
        // Clearing the halt is a synchronous request: not from the callback.
        clearInHalt();
        qCWarning(lcUsb).noquote() << "libusb error state : error pipe" << rc;
        return submitRead();
    }
    qCWarning(lcUsb).noquote() << "libusb error state : " << rc;
    m_running.store(false);
    return false;
}

void UsbDev::onReadDone(libusb_transfer *transfer)
{
    static_cast<UsbDev *>(transfer->user_data)->readDone(transfer);
}

void UsbDev::readDone(libusb_transfer *transfer)
{
    if (transfer->status == LIBUSB_TRANSFER_COMPLETED && transfer->actual_length > 0)
        receive(reinterpret_cast<const char *>(transfer->buffer), transfer->actual_length);
    QMutexLocker lock(&m_transferMutex);
    if (transfer->status == LIBUSB_TRANSFER_COMPLETED && m_running.load()) {
        const int rc = libusb_submit_transfer(transfer);
        if (rc == LIBUSB_SUCCESS)
            return;
        m_resubmitError = rc;
    }
    m_inFlight = false;
    m_endStatus = transfer->status;
    m_readEnded = 1;
}

void UsbDev::receive(const char *bytes, int length)
{
    qCDebug(lcUsb).noquote() << "recvUsbData" << 288 << LogText::clockTime() << length << LogText::hexPairs(bytes, length);
    m_receiveBuffer.append(bytes, length);
    QByteArray frame;
    for (;;) {
        const FrameSplitter::Cut cut = m_receiveBuffer.next(frame);
        if (cut == FrameSplitter::Cut::None)
            break;
        if (cut == FrameSplitter::Cut::BadChecksum) {
            logChecksumError(frame);
            m_replies.noteBrokenReply(FrameCodec::replyCode(frame));
            continue;
        }
        if (cut == FrameSplitter::Cut::BadHeader) {
            qCWarning(lcUsb).noquote() << "recvUsbData" << "frame header skipped, data length too large:"
                               << LogText::hexPairs(frame);
            continue;
        }
        {
            QMutexLocker lock(&m_queueMutex);
            m_frameQueue.append(frame);
        }
        processFrameQueue();
    }
}

void UsbDev::logChecksumError(const QByteArray &frame)
{
    const auto *raw = reinterpret_cast<const quint8 *>(frame.constData());
    const quint16 received = quint16((raw[frame.size() - 2] << 8) | raw[frame.size() - 1]);
    qCWarning(lcUsb).noquote() << 229 << LogText::clockSeconds() << QStringLiteral("数据包校验错误") << received
                       << FrameCodec::checksum(raw, std::size_t(frame.size() - 2));
}

void UsbDev::processFrameQueue()
{
    for (;;) {
        QByteArray frame;
        {
            QMutexLocker lock(&m_queueMutex);
            if (m_frameQueue.isEmpty())
                return;
            frame = m_frameQueue.takeFirst();
        }
        if (!FrameCodec::readerAccepts(frame)) {
            logChecksumError(frame);
            m_replies.noteBrokenReply(FrameCodec::replyCode(frame));
            continue;
        }
        if (!m_replies.store(FrameCodec::replyCode(frame), frame))
            qCWarning(lcUsb).noquote() << "reply table full, frame dropped" << LogText::hexPairs(frame.left(8));
    }
}

} // namespace velmo

#include "LibusbTransfer.h"
#include "LogCategories.h"

#include "LogText.h"
#include "UsbDev.h"

#include <QMutexLocker>

namespace velmo {

LibusbTransfer::LibusbTransfer(QObject *parent) : QObject(parent) {}

LibusbTransfer::~LibusbTransfer()
{
    delete m_device;
    m_device = nullptr;
}

void LibusbTransfer::attach(UsbDev *device)
{
    delete m_device;
    m_device = device;
    if (m_device != nullptr)
        m_device->start(QThread::InheritPriority);
}

int LibusbTransfer::send(quint16 code, const QByteArray &frame)
{
    if (m_device == nullptr)
        return -1;
    m_device->clearReplies();
    QMutexLocker lock(&m_sendLock);
    qCDebug(lcExchange).noquote() << LogText::clockTime() << "send->" << LogText::hexPairs(frame);
    // Noted before the write: the reply can be filed before bulkWrite returns.
    m_device->replies().noteRequest(code);
    const int written = m_device->bulkWrite(frame.constData(), frame.size());
    if (written < frame.size()) {
        m_device->replies().withdrawRequest(code);
        return -2;
    }
    return 0;
}

int LibusbTransfer::readReply(quint16 code, char *dest, int expectedLength, int timeoutMs)
{
    if (m_device == nullptr)
        return -1;
    return m_device->waitForReply(code, dest, expectedLength, timeoutMs);
}

void LibusbTransfer::stop()
{
    if (m_device == nullptr)
        return;
    m_device->requestStop();
    m_device->quit();
    m_device->wait(kStopWaitMs);
}

} // namespace velmo

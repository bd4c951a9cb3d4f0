#include "Heart.h"
#include "AppLogCategories.h"


Heart::Heart()
{
    registerServiceMetaTypes();
    m_thread.setObjectName(QStringLiteral("Heart"));
    moveToThread(&m_thread);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Heart::singleHeart);
    m_thread.start(QThread::InheritPriority);
}

Heart::~Heart()
{
    // Stop the beat first, then end the thread, so no queued heartbeat can
    // run on a destroyed object.
    if (m_timer.isActive())
        m_timer.stop();
    if (m_thread.isRunning()) {
        m_thread.quit();
        m_thread.wait();
    }
}

void Heart::startHeart()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void Heart::stopHeart()
{
    if (m_timer.isActive())
        m_timer.stop();
}

void Heart::singleHeart()
{
    emit sendHeart();
}

CONTROLER_STATE Heart::controlerState() const
{
    QMutexLocker lock(&m_stateMutex);
    return state;
}

int Heart::failures() const
{
    QMutexLocker lock(&m_stateMutex);
    return failCount;
}

void Heart::rcvHeartInfo(CONTROLER_STATE state, int ret)
{
    if (ret < 0) {
        int failures = 0;
        {
            QMutexLocker lock(&m_stateMutex);
            failures = ++failCount;
        }
        emit heartBreak(failures);
        return;
    }
    qCDebug(lcService).noquote() << "rcvHeartInfo" << 871 << state.rockerSpeed;
    {
        QMutexLocker lock(&m_stateMutex);
        this->state = state;
    }
    emit receivedControlerState();
}

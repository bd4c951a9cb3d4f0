#include "Heart.h"

#include <QDebug>

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

void Heart::rcvHeartInfo(CONTROLER_STATE state, int ret)
{
    if (ret < 0) {
        ++failCount;
        emit heartBreak(failCount);
        return;
    }
    qDebug().noquote() << "rcvHeartInfo" << 871 << state.rockerSpeed;
    this->state = state;
    emit receivedControlerState();
}

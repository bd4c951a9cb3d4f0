#pragma once

#include "ServiceMetaTypes.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QTimer>

// The heartbeat: every 500 ms asks the device service for the controller's
// joystick record, keeps the last good one and counts failures.
class Heart : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 500;

    Heart();
    ~Heart() override;

    // The last record received and the failed beats so far. The heart
    // thread writes them; any thread may read them.
    CONTROLER_STATE controlerState() const;
    int failures() const;
    bool isBeating() const { return m_timer.isActive(); }
    QThread *heartThread() { return &m_thread; }

signals:
    void heartBreak(int);
    void receivedControlerState();
    void sendHeart();

public slots:
    void startHeart();
    void singleHeart();
    void stopHeart();
    void rcvHeartInfo(CONTROLER_STATE state, int ret);

private:
    mutable QMutex m_stateMutex; // guards state and failCount
    CONTROLER_STATE state{};
    QThread m_thread;
    // Created in and owned by the constructing (GUI) thread; not moved.
    QTimer m_timer;
    int failCount = 0;
};

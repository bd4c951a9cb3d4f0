#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures the longest time the GUI thread's event loop went without serving
// a short timer: a gap well above the interval is a stall.
class EventLoopGaps : public QObject
{
public:
    explicit EventLoopGaps(int intervalMs = 5)
    {
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_longest = qMax(m_longest, m_clock.restart()); });
        m_clock.start();
        m_timer.start();
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

#pragma once

#include "ServiceMetaTypes.h"

#include <QIODevice>
#include <QString>
#include <QVector>
#include <deque>
#include <limits>

// One recorded reading of an axis.
struct MotionSample {
    // State flags of a sample.
    enum Flag : quint8 { Running = 0x1, PositiveLimit = 0x2, NegativeLimit = 0x4, Fault = 0x8 };

    qint64 msecs = 0; // wall-clock time, milliseconds since the epoch
    double position = 0;
    double target = std::numeric_limits<double>::quiet_NaN(); // NaN: no target known
    quint8 flags = 0;
};

// A change of the axis's state worth marking on a chart.
struct MotionEvent {
    enum Kind { Started, Stopped, PositiveLimit, NegativeLimit, SensorFault };

    qint64 msecs = 0;
    Kind kind = Started;
    double position = 0; // where the axis was when the change was read
};

// The motion history of one axis, fed with the position and state readings
// the axis panel polls anyway. No widgets and no controller access: the panel
// passes the readings in with their time.
//
// Memory is bounded however long it runs: at least the newest kRecentSamples
// samples (10 minutes at the panel's 100 ms polling) are kept as read; older
// ones are reduced to the lowest and the highest position of every
// kBucketSamples readings, so peaks survive. When that archive reaches
// kArchiveSamples it is halved again the same way (each bucket then covers
// twice the time). At most kRecentSamples + kBucketSamples + kArchiveSamples
// samples (16,050 of 32 bytes, about 500 KiB) and kMaxEvents events (24 bytes
// each) are held: a day of 100 ms polling (864,000 readings) keeps its last
// 10 minutes in full and the day's extremes.
//
// Time never runs backwards in the record: should the wall clock be set back
// (by hand or by a time sync), later readings are shifted to follow on from
// the newest one, keeping their spacing, so that searches by time hold.
class MotionTrace
{
public:
    static constexpr int kRecentSamples = 6000;
    static constexpr int kBucketSamples = 50;
    static constexpr int kArchiveSamples = 10000;
    static constexpr int kMaxEvents = 5000;

    MotionTrace() = default;

    // A position reading: appends a sample carrying the latest state and target.
    void addPosition(qint64 msecs, double position);
    // A state reading: updates the flags of the following samples and notes
    // the edges (start, stop, limit reached, sensor fault). The axis is taken
    // as stopped and clear before the first reading.
    void addState(qint64 msecs, const MotorStageState &state);
    // The position the running move heads for; cleared by a motion without one.
    void setTarget(double target);
    void clearTarget();
    double target() const { return m_target; }

    void setUnit(const QString &unit) { m_unit = unit; }
    QString unit() const { return m_unit; }

    // Oldest first; archived (reduced) samples precede the recent ones.
    QVector<MotionSample> samples() const;
    // Samples from msecs on, plus the one just before (so a line reaches the edge).
    QVector<MotionSample> samplesSince(qint64 msecs) const;
    const std::deque<MotionEvent> &events() const { return m_events; }
    int sampleCount() const { return int(m_archive.size() + m_recent.size()); }
    bool isEmpty() const { return sampleCount() == 0; }
    // Time of the first sample ever taken (kept when it was reduced away); 0 when empty.
    qint64 startMsecs() const { return m_startMsecs; }
    qint64 lastMsecs() const;
    double lastPosition() const { return m_lastPosition; }
    bool hasPosition() const { return m_hasPosition; }
    quint8 currentFlags() const { return m_flags; }
    // Grows with every change, so that a viewer can tell whether to redraw.
    quint64 revision() const { return m_revision; }

    void clear();

    // CSV, one line per sample: ISO 8601 local time with milliseconds and
    // UTC offset, seconds since the first sample, position, unit, and the
    // flags running, positive limit, negative limit and fault as 0/1.
    static QString csvHeader();
    bool writeCsv(QIODevice *device) const;

private:
    // The reading's time on the record's own clock: never before the newest.
    qint64 recordTime(qint64 msecs);
    void appendEvent(qint64 msecs, MotionEvent::Kind kind);
    void archiveOldest();
    // Reduces each run of groupSize samples to its lowest and highest
    // position, in time order; the flags of a run go to both.
    static std::deque<MotionSample> reduce(const std::deque<MotionSample> &input, size_t from, size_t to,
                                           size_t groupSize);

    std::deque<MotionSample> m_archive;
    std::deque<MotionSample> m_recent;
    std::deque<MotionEvent> m_events;
    QString m_unit = QStringLiteral("mm");
    double m_target = std::numeric_limits<double>::quiet_NaN();
    double m_lastPosition = 0;
    bool m_hasPosition = false;
    quint8 m_flags = 0;
    qint64 m_startMsecs = 0;
    qint64 m_newestMsecs = std::numeric_limits<qint64>::min();
    qint64 m_clockShift = 0; // how far the wall clock has been set back
    quint64 m_revision = 0;
};

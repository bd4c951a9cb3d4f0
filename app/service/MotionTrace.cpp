#include "MotionTrace.h"

#include <QDateTime>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

quint8 flagsOf(const MotorStageState &state)
{
    quint8 flags = 0;
    if (state.isStop == 0)
        flags |= MotionSample::Running;
    if (state.isRightLimit != 0)
        flags |= MotionSample::PositiveLimit;
    if (state.isLeftLimit != 0)
        flags |= MotionSample::NegativeLimit;
    if (state.isNegLimitFault != 0 || state.isPosLimitFault != 0 || state.isHomeFault != 0)
        flags |= MotionSample::Fault;
    return flags;
}

QString isoTime(qint64 msecs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs);
    // With its offset, so that a file read elsewhere still names the instant.
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QLatin1Char bit(quint8 flags, quint8 flag)
{
    return QLatin1Char((flags & flag) != 0 ? '1' : '0');
}

bool earlier(const MotionSample &sample, qint64 msecs)
{
    return sample.msecs < msecs;
}

} // namespace

qint64 MotionTrace::recordTime(qint64 msecs)
{
    const qint64 shifted = msecs + m_clockShift;
    if (shifted < m_newestMsecs)
        m_clockShift += m_newestMsecs - shifted;
    else
        m_newestMsecs = shifted;
    return m_newestMsecs;
}

void MotionTrace::addPosition(qint64 msecs, double position)
{
    if (!std::isfinite(position))
        return;
    msecs = recordTime(msecs);
    MotionSample sample;
    sample.msecs = msecs;
    sample.position = position;
    sample.target = m_target;
    sample.flags = m_flags;
    if (isEmpty())
        m_startMsecs = msecs;
    m_recent.push_back(sample);
    m_lastPosition = position;
    m_hasPosition = true;
    ++m_revision;
    if (m_recent.size() >= size_t(kRecentSamples + kBucketSamples))
        archiveOldest();
}

void MotionTrace::addState(qint64 msecs, const MotorStageState &state)
{
    msecs = recordTime(msecs);
    const quint8 flags = flagsOf(state);
    const quint8 raised = flags & ~m_flags;
    if ((raised & MotionSample::Running) != 0)
        appendEvent(msecs, MotionEvent::Started);
    if ((m_flags & MotionSample::Running) != 0 && (flags & MotionSample::Running) == 0)
        appendEvent(msecs, MotionEvent::Stopped);
    if ((raised & MotionSample::PositiveLimit) != 0)
        appendEvent(msecs, MotionEvent::PositiveLimit);
    if ((raised & MotionSample::NegativeLimit) != 0)
        appendEvent(msecs, MotionEvent::NegativeLimit);
    if ((raised & MotionSample::Fault) != 0)
        appendEvent(msecs, MotionEvent::SensorFault);
    if (flags != m_flags) {
        m_flags = flags;
        ++m_revision;
    }
}

void MotionTrace::setTarget(double target)
{
    m_target = std::isfinite(target) ? target : std::numeric_limits<double>::quiet_NaN();
}

void MotionTrace::clearTarget()
{
    m_target = std::numeric_limits<double>::quiet_NaN();
}

void MotionTrace::appendEvent(qint64 msecs, MotionEvent::Kind kind)
{
    MotionEvent event;
    event.msecs = msecs;
    event.kind = kind;
    event.position = m_lastPosition;
    m_events.push_back(event);
    while (m_events.size() > size_t(kMaxEvents))
        m_events.pop_front();
    ++m_revision;
}

std::deque<MotionSample> MotionTrace::reduce(const std::deque<MotionSample> &input, size_t from, size_t to,
                                             size_t groupSize)
{
    std::deque<MotionSample> output;
    for (size_t begin = from; begin < to; begin += groupSize) {
        const size_t end = std::min(to, begin + groupSize);
        size_t low = begin;
        size_t high = begin;
        quint8 flags = 0;
        for (size_t i = begin; i < end; ++i) {
            if (input[i].position < input[low].position)
                low = i;
            if (input[i].position > input[high].position)
                high = i;
            flags |= input[i].flags;
        }
        MotionSample first = input[std::min(low, high)];
        first.flags = flags;
        output.push_back(first);
        if (low != high) {
            MotionSample second = input[std::max(low, high)];
            second.flags = flags;
            output.push_back(second);
        }
    }
    return output;
}

void MotionTrace::archiveOldest()
{
    const std::deque<MotionSample> reduced = reduce(m_recent, 0, size_t(kBucketSamples), size_t(kBucketSamples));
    m_recent.erase(m_recent.begin(), m_recent.begin() + kBucketSamples);
    m_archive.insert(m_archive.end(), reduced.begin(), reduced.end());
    if (m_archive.size() >= size_t(kArchiveSamples)) {
        // Every reduced bucket holds up to two samples: groups of four join
        // two neighbouring buckets into one of twice the length.
        m_archive = reduce(m_archive, 0, m_archive.size(), 4);
    }
}

QVector<MotionSample> MotionTrace::samples() const
{
    QVector<MotionSample> all;
    all.reserve(sampleCount());
    std::copy(m_archive.begin(), m_archive.end(), std::back_inserter(all));
    std::copy(m_recent.begin(), m_recent.end(), std::back_inserter(all));
    return all;
}

QVector<MotionSample> MotionTrace::samplesSince(qint64 msecs) const
{
    QVector<MotionSample> result;
    auto recentFrom = std::lower_bound(m_recent.begin(), m_recent.end(), msecs, earlier);
    if (recentFrom == m_recent.begin() && !m_archive.empty()) {
        auto archiveFrom = std::lower_bound(m_archive.begin(), m_archive.end(), msecs, earlier);
        if (archiveFrom != m_archive.begin())
            --archiveFrom;
        result.reserve(int(m_archive.end() - archiveFrom) + int(m_recent.size()));
        std::copy(archiveFrom, m_archive.end(), std::back_inserter(result));
    } else if (recentFrom != m_recent.begin()) {
        --recentFrom;
    }
    result.reserve(result.size() + int(m_recent.end() - recentFrom));
    std::copy(recentFrom, m_recent.cend(), std::back_inserter(result));
    return result;
}

qint64 MotionTrace::lastMsecs() const
{
    if (!m_recent.empty())
        return m_recent.back().msecs;
    return m_archive.empty() ? 0 : m_archive.back().msecs;
}

void MotionTrace::clear()
{
    m_archive.clear();
    m_recent.clear();
    m_events.clear();
    m_startMsecs = 0;
    m_newestMsecs = std::numeric_limits<qint64>::min();
    m_clockShift = 0;
    m_hasPosition = false;
    ++m_revision;
}

QString MotionTrace::csvHeader()
{
    return QStringLiteral("time,seconds,position,unit,running,positive_limit,negative_limit,fault");
}

bool MotionTrace::writeCsv(QIODevice *device) const
{
    if (device == nullptr || !device->isWritable())
        return false;
    QTextStream out(device);
    out.setCodec("UTF-8");
    out << csvHeader() << '\n';
    // A unit is a short word; quote it should it ever carry a comma.
    QString unit = m_unit;
    if (unit.contains(QLatin1Char(',')) || unit.contains(QLatin1Char('"')))
        unit = QLatin1Char('"') + unit.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    const auto write = [&](const MotionSample &s) {
        out << isoTime(s.msecs) << ',' << QString::number(double(s.msecs - m_startMsecs) / 1000.0, 'f', 3) << ','
            << QString::number(s.position, 'f', 4) << ',' << unit << ',' << bit(s.flags, MotionSample::Running)
            << ',' << bit(s.flags, MotionSample::PositiveLimit) << ',' << bit(s.flags, MotionSample::NegativeLimit)
            << ',' << bit(s.flags, MotionSample::Fault) << '\n';
    };
    for (const MotionSample &s : m_archive)
        write(s);
    for (const MotionSample &s : m_recent)
        write(s);
    out.flush();
    return out.status() == QTextStream::Ok;
}

// The motion trace: what polled readings put into it (samples, flags,
// events, targets), its memory bound over a day of polling, the window of
// recent samples, and its CSV.
#include "MotionTrace.h"

#include <QBuffer>
#include <QDateTime>
#include <QtTest>
#include <cmath>

namespace {

constexpr qint64 kT0 = 1765000000000; // some day in December 2025, ms since the epoch

MotorStageState stopped()
{
    MotorStageState state{};
    state.isCanRun = 1;
    state.isStop = 1;
    state.isEnable = 1;
    return state;
}

MotorStageState running()
{
    MotorStageState state = stopped();
    state.isStop = 0;
    return state;
}

QList<MotionEvent::Kind> kinds(const MotionTrace &trace)
{
    QList<MotionEvent::Kind> result;
    for (const MotionEvent &event : trace.events())
        result << event.kind;
    return result;
}

QStringList csvLines(const MotionTrace &trace)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!trace.writeCsv(&buffer))
        return {};
    return QString::fromUtf8(buffer.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class tst_MotionTrace : public QObject
{
    Q_OBJECT

private slots:
    void pollingSequenceMakesSamplesAndEvents()
    {
        MotionTrace trace;
        QVERIFY(trace.isEmpty());
        // Panel order: position, then state, every 100 ms.
        trace.addPosition(kT0, 10);
        trace.addState(kT0, stopped());
        trace.addPosition(kT0 + 100, 10);
        trace.addState(kT0 + 100, running());
        trace.addPosition(kT0 + 200, 12);
        MotorStageState state = running();
        state.isRightLimit = 1;
        trace.addState(kT0 + 200, state);
        trace.addPosition(kT0 + 300, 14);
        state.isStop = 1;
        trace.addState(kT0 + 300, state);
        trace.addPosition(kT0 + 400, 14);
        trace.addState(kT0 + 400, state); // still on the switch: nothing new
        state = stopped();
        state.isLeftLimit = 1;
        trace.addState(kT0 + 500, state);
        state.isHomeFault = 1;
        trace.addState(kT0 + 600, state);
        state.isPosLimitFault = 1; // a second sensor: the axis is already faulty
        trace.addState(kT0 + 700, state);
        trace.addPosition(kT0 + 800, 14);

        QCOMPARE(kinds(trace), (QList<MotionEvent::Kind>{MotionEvent::Started, MotionEvent::PositiveLimit,
                                                          MotionEvent::Stopped, MotionEvent::NegativeLimit,
                                                          MotionEvent::SensorFault}));
        const std::deque<MotionEvent> &events = trace.events();
        QCOMPARE(events[0].msecs, kT0 + 100);
        QCOMPARE(events[0].position, 10.0); // the last position read before the change
        QCOMPARE(events[1].msecs, kT0 + 200);
        QCOMPARE(events[1].position, 12.0);
        QCOMPARE(events[2].msecs, kT0 + 300);
        QCOMPARE(events[4].msecs, kT0 + 600);

        // A sample carries the state read before it.
        const QVector<MotionSample> samples = trace.samples();
        QCOMPARE(samples.size(), 6);
        QCOMPARE(samples[0].flags, quint8(0));
        QCOMPARE(samples[2].flags, quint8(MotionSample::Running));
        QCOMPARE(samples[3].flags, quint8(MotionSample::Running | MotionSample::PositiveLimit));
        QCOMPARE(samples[4].flags, quint8(MotionSample::PositiveLimit));
        QCOMPARE(samples[5].flags, quint8(MotionSample::NegativeLimit | MotionSample::Fault));
        QCOMPARE(trace.startMsecs(), kT0);
        QCOMPARE(trace.lastMsecs(), kT0 + 800);
    }

    void firstReadingCountsFromAStoppedClearAxis()
    {
        MotionTrace trace;
        MotorStageState state = running();
        state.isNegLimitFault = 1;
        trace.addState(kT0, state);
        QCOMPARE(kinds(trace), (QList<MotionEvent::Kind>{MotionEvent::Started, MotionEvent::SensorFault}));
        trace.addState(kT0 + 100, stopped());
        trace.addState(kT0 + 200, running());
        QCOMPARE(kinds(trace).mid(2), (QList<MotionEvent::Kind>{MotionEvent::Stopped, MotionEvent::Started}));
    }

    void targetAppliesToTheFollowingSamples()
    {
        MotionTrace trace;
        trace.addPosition(kT0, 0);
        trace.setTarget(25);
        trace.addPosition(kT0 + 100, 1);
        trace.clearTarget();
        trace.addPosition(kT0 + 200, 2);
        trace.setTarget(std::numeric_limits<double>::infinity()); // not a place: no target
        trace.addPosition(kT0 + 300, 3);
        trace.addPosition(kT0 + 400, std::nan("")); // a broken reading is dropped
        const QVector<MotionSample> samples = trace.samples();
        QCOMPARE(samples.size(), 4);
        QVERIFY(std::isnan(samples[0].target));
        QCOMPARE(samples[1].target, 25.0);
        QVERIFY(std::isnan(samples[2].target));
        QVERIFY(std::isnan(samples[3].target));
        QCOMPARE(trace.lastPosition(), 3.0);
    }

    void dayOfPollingStaysBoundedAndKeepsItsExtremes()
    {
        MotionTrace trace;
        constexpr int kDay = 864000; // 24 h at 100 ms
        constexpr int kHighAt = 123457;
        constexpr int kLowAt = 654321;
        constexpr int kFaultAt = 300001;
        int largest = 0;
        for (int i = 0; i < kDay; ++i) {
            const qint64 t = kT0 + qint64(i) * 100;
            // A slow back-and-forth between 0 and 50 with two single-reading peaks.
            double position = 25 + 25 * std::sin(i * 0.001);
            if (i == kHighAt)
                position = 80;
            if (i == kLowAt)
                position = -30;
            if (i % 600 == 0)
                trace.addState(t, (i / 600) % 2 == 0 ? running() : stopped());
            if (i == kFaultAt || i == kFaultAt + 1) {
                MotorStageState state = trace.currentFlags() & MotionSample::Running ? running() : stopped();
                state.isHomeFault = i == kFaultAt ? 1 : 0;
                trace.addState(t, state);
            }
            trace.addPosition(t, position);
            largest = std::max(largest, trace.sampleCount());
        }
        QVERIFY2(largest <= MotionTrace::kRecentSamples + MotionTrace::kBucketSamples + MotionTrace::kArchiveSamples,
                 qPrintable(QString::number(largest)));
        // It did reduce (the bound is not just the input's size).
        QVERIFY(trace.sampleCount() < kDay / 20);

        const QVector<MotionSample> samples = trace.samples();
        QCOMPARE(samples.first().msecs, kT0);
        QCOMPARE(trace.startMsecs(), kT0);
        double high = -1e9;
        double low = 1e9;
        qint64 highAt = 0;
        qint64 lowAt = 0;
        bool faultSeen = false;
        for (int i = 0; i < samples.size(); ++i) {
            if (i > 0)
                QVERIFY(samples[i].msecs > samples[i - 1].msecs);
            if (samples[i].position > high) {
                high = samples[i].position;
                highAt = samples[i].msecs;
            }
            if (samples[i].position < low) {
                low = samples[i].position;
                lowAt = samples[i].msecs;
            }
            faultSeen |= (samples[i].flags & MotionSample::Fault) != 0;
        }
        // The peaks survive with their time; so does a fault of one reading.
        QCOMPARE(high, 80.0);
        QCOMPARE(highAt, kT0 + qint64(kHighAt) * 100);
        QCOMPARE(low, -30.0);
        QCOMPARE(lowAt, kT0 + qint64(kLowAt) * 100);
        QVERIFY(faultSeen);

        // The last ten minutes are there reading by reading.
        const QVector<MotionSample> recent = trace.samplesSince(kT0 + qint64(kDay - 6000) * 100);
        QCOMPARE(recent.size(), 6000 + 1); // plus the one before the window
        for (int i = 1; i < recent.size(); ++i)
            QCOMPARE(recent[i].msecs - recent[i - 1].msecs, qint64(100));
        QCOMPARE(recent.last().position, 25 + 25 * std::sin((kDay - 1) * 0.001));

        // Events are bounded too: 1440 starts and stops plus the fault fit.
        QCOMPARE(int(trace.events().size()), 1441);
        for (int i = 0; i < MotionTrace::kMaxEvents; ++i)
            trace.addState(kT0 + qint64(kDay) * 100 + i, i % 2 == 0 ? running() : stopped());
        QCOMPARE(int(trace.events().size()), MotionTrace::kMaxEvents);
        QCOMPARE(trace.events().back().msecs, kT0 + qint64(kDay) * 100 + MotionTrace::kMaxEvents - 1);
    }

    void samplesSinceCoversTheWindow()
    {
        MotionTrace trace;
        QVERIFY(trace.samplesSince(kT0).isEmpty());
        for (int i = 0; i < 100; ++i)
            trace.addPosition(kT0 + i * 100, i);
        QVector<MotionSample> window = trace.samplesSince(kT0 + 9000);
        QCOMPARE(window.size(), 11); // 8900 leads in, 9000 ... 9900
        QCOMPARE(window.first().msecs, kT0 + 8900);
        QCOMPARE(window.last().msecs, kT0 + 9900);
        QCOMPARE(trace.samplesSince(kT0 - 5000).size(), 100);
        QCOMPARE(trace.samplesSince(kT0 + 20000).size(), 1); // only the newest, to lead in

        // Reaching back into the reduced part.
        MotionTrace longTrace;
        for (int i = 0; i < MotionTrace::kRecentSamples + 500; ++i)
            longTrace.addPosition(kT0 + i * 100, i % 7);
        window = longTrace.samplesSince(kT0 + 10000);
        QVERIFY(window.first().msecs <= kT0 + 10000);
        QCOMPARE(window.last().msecs, longTrace.lastMsecs());
        for (int i = 1; i < window.size(); ++i)
            QVERIFY(window[i].msecs > window[i - 1].msecs);
    }

    void clockSetBackKeepsTimeRunningForward()
    {
        // The wall clock is set back an hour (by hand or by a time sync)
        // while the axis is polled: the record must stay in time order, or
        // the chart's window of recent samples misses the newest readings.
        MotionTrace trace;
        for (int i = 0; i < 50; ++i)
            trace.addPosition(kT0 + i * 100, i);
        trace.addState(kT0 + 4950, running());
        constexpr qint64 kHour = 3600000;
        for (int i = 50; i < 100; ++i)
            trace.addPosition(kT0 - kHour + i * 100, i);
        trace.addState(kT0 - kHour + 9950, stopped());

        const QVector<MotionSample> samples = trace.samples();
        QCOMPARE(samples.size(), 100);
        for (int i = 1; i < samples.size(); ++i)
            QVERIFY2(samples[i].msecs >= samples[i - 1].msecs, qPrintable(QString::number(i)));
        // Readings after the change keep their spacing.
        QCOMPARE(samples[99].msecs - samples[50].msecs, qint64(4900));
        QCOMPARE(trace.lastMsecs(), samples.last().msecs);
        QVERIFY(trace.events().back().msecs >= trace.events().front().msecs);

        // The last second holds the newest readings, one more leads in.
        const QVector<MotionSample> window = trace.samplesSince(trace.lastMsecs() - 1000);
        QCOMPARE(window.size(), 12);
        QCOMPARE(window.last().position, 99.0);
        QCOMPARE(window.first().position, 88.0);

        // A fresh record follows the clock again.
        trace.clear();
        trace.addPosition(kT0 - kHour, 1);
        QCOMPARE(trace.lastMsecs(), kT0 - kHour);
    }

    void csvColumnsAndValues()
    {
        MotionTrace trace;
        trace.setUnit(QStringLiteral("°"));
        trace.addPosition(kT0 + 5, 1.5);
        trace.addState(kT0 + 50, running());
        trace.addPosition(kT0 + 105, -2.25);
        MotorStageState state = stopped();
        state.isLeftLimit = 1;
        state.isPosLimitFault = 1;
        trace.addState(kT0 + 150, state);
        trace.addPosition(kT0 + 1250, -3);

        const QStringList lines = csvLines(trace);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("time,seconds,position,unit,running,positive_limit,negative_limit,fault"));
        const QList<qint64> times{kT0 + 5, kT0 + 105, kT0 + 1250};
        const QStringList seconds{QStringLiteral("0.000"), QStringLiteral("0.100"), QStringLiteral("1.245")};
        const QList<double> positions{1.5, -2.25, -3};
        const QStringList flags{QStringLiteral("0,0,0,0"), QStringLiteral("1,0,0,0"), QStringLiteral("0,0,1,1")};
        for (int row = 0; row < 3; ++row) {
            const QStringList columns = lines[row + 1].split(QLatin1Char(','));
            QCOMPARE(columns.size(), 8);
            const QDateTime time = QDateTime::fromString(columns[0], Qt::ISODateWithMs);
            QVERIFY2(time.isValid(), qPrintable(columns[0]));
            QCOMPARE(time.toMSecsSinceEpoch(), times[row]);
            QVERIFY(columns[0].contains(QLatin1Char('.'))); // milliseconds written out
            QCOMPARE(columns[1], seconds[row]);
            QCOMPARE(columns[2].toDouble(), positions[row]);
            QCOMPARE(columns[3], QStringLiteral("°"));
            QCOMPARE(columns.mid(4).join(QLatin1Char(',')), flags[row]);
        }

        // A unit with a comma is quoted rather than splitting the line.
        trace.setUnit(QStringLiteral("a,b"));
        QVERIFY(csvLines(trace)[1].contains(QStringLiteral(",\"a,b\",")));

        QVERIFY(!trace.writeCsv(nullptr));
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        QVERIFY(!trace.writeCsv(&readOnly));
        // An empty trace is a header alone.
        QCOMPARE(csvLines(MotionTrace()).size(), 1);
    }

    void clearStartsAfresh()
    {
        MotionTrace trace;
        trace.addPosition(kT0, 1);
        trace.addState(kT0, running());
        const quint64 revision = trace.revision();
        trace.clear();
        QVERIFY(trace.isEmpty());
        QVERIFY(trace.events().empty());
        QVERIFY(trace.revision() > revision);
        trace.addPosition(kT0 + 5000, 2);
        QCOMPARE(trace.startMsecs(), kT0 + 5000);
    }
};

QTEST_APPLESS_MAIN(tst_MotionTrace)
#include "tst_MotionTrace.moc"

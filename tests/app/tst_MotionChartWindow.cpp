// The motion chart window over a trace fed by hand: the time windows it
// follows, pausing (by button, wheel and drag) while recording goes on, the
// redraw throttle, the gap in the target line, saving and failing to save,
// and the language switch.
#include "AppResources.h"
#include "GappedCurve.h"
#include "MotionChartWindow.h"
#include "MotionTrace.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <cmath>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

namespace {

constexpr qint64 kT0 = 1765000000000;

// seconds of readings at 100 ms, a slow ramp.
void feed(MotionTrace &trace, int seconds, qint64 from = kT0)
{
    for (int i = 0; i < seconds * 10; ++i)
        trace.addPosition(from + i * 100, i * 0.01);
}

bool near(double a, double b, double tolerance = 0.05)
{
    return std::abs(a - b) <= tolerance;
}

} // namespace

class tst_MotionChartWindow : public QObject
{
    Q_OBJECT

    static QPushButton *button(const QWidget &window, const char *name)
    {
        return window.findChild<QPushButton *>(QLatin1String(name));
    }

private slots:
    void initTestCase() { AppResources::init(); }

    void timeWindowsFollowTheNewestReading_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("fedSeconds");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("10 s") << int(MotionChartWindow::TimeWindow::TenSeconds) << 1800 << 1789.9 << 1799.9;
        QTest::newRow("1 min") << int(MotionChartWindow::TimeWindow::OneMinute) << 1800 << 1739.9 << 1799.9;
        QTest::newRow("10 min") << int(MotionChartWindow::TimeWindow::TenMinutes) << 1800 << 1199.9 << 1799.9;
        QTest::newRow("everything") << int(MotionChartWindow::TimeWindow::Everything) << 1800 << 0.0 << 1799.9;
        // A trace younger than its window fills it from the left.
        QTest::newRow("young") << int(MotionChartWindow::TimeWindow::OneMinute) << 5 << 0.0 << 60.0;
    }

    void timeWindowsFollowTheNewestReading()
    {
        QFETCH(int, window);
        QFETCH(int, fedSeconds);
        QFETCH(double, from);
        QFETCH(double, to);
        MotionTrace trace;
        feed(trace, fedSeconds);
        MotionChartWindow chart(&trace);
        chart.setAxisName(QStringLiteral("Axis1"));
        chart.show();
        chart.setTimeWindow(MotionChartWindow::TimeWindow(window));
        QVERIFY2(near(chart.visibleFrom(), from), qPrintable(QString::number(chart.visibleFrom())));
        QVERIFY2(near(chart.visibleTo(), to), qPrintable(QString::number(chart.visibleTo())));
        // The position axis spans what is shown, not the whole trace.
        auto *plot = chart.findChild<QwtPlot *>();
        const QwtScaleDiv y = plot->axisScaleDiv(QwtPlot::yLeft);
        const double lowest = std::max(0.0, from) * 0.1; // the ramp: 0.1 per second
        const double highest = (fedSeconds * 10 - 1) * 0.01;
        const double margin = (highest - lowest) * 0.1 + 0.6;
        QVERIFY2(y.lowerBound() <= lowest && y.lowerBound() > lowest - margin,
                 qPrintable(QString::number(y.lowerBound())));
        QVERIFY2(y.upperBound() >= highest && y.upperBound() < highest + margin,
                 qPrintable(QString::number(y.upperBound())));
    }

    void pauseKeepsTheViewWhileRecordingGoesOn()
    {
        MotionTrace trace;
        feed(trace, 30);
        MotionChartWindow chart(&trace);
        chart.show();
        QVERIFY(near(chart.visibleTo(), 29.9));
        QPushButton *pause = button(chart, "pushButton_pause");
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(chart.isPaused());
        QCOMPARE(pause->text(), QStringLiteral("继续"));
        feed(trace, 5, kT0 + 30000);
        chart.refresh();
        QCOMPARE(trace.sampleCount(), 350);
        QVERIFY(near(chart.visibleTo(), 29.9));
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(!chart.isPaused());
        QCOMPARE(pause->text(), QStringLiteral("暂停"));
        QVERIFY(near(chart.visibleTo(), 34.9));

        // Choosing a window follows again.
        chart.setPaused(true);
        chart.setTimeWindow(MotionChartWindow::TimeWindow::Everything);
        QVERIFY(!chart.isPaused());
    }

    void wheelAndDragOnThePlotPause()
    {
        MotionTrace trace;
        feed(trace, 60);
        MotionChartWindow chart(&trace);
        chart.resize(900, 560);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QWidget *canvas = chart.findChild<QwtPlot *>()->canvas();
        const QPoint centre = canvas->rect().center();
        const double spanBefore = chart.visibleTo() - chart.visibleFrom();

        QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
        QVERIFY(chart.isPaused());
        // The wheel zoomed: another span of time now.
        QVERIFY(!near(chart.visibleTo() - chart.visibleFrom(), spanBefore, 1e-6));

        chart.setPaused(false);
        QVERIFY(near(chart.visibleTo(), 59.9));
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, centre);
        for (int dx : {60, 120}) {
            // Sent directly: QTest moves the cursor, which the offscreen platform does not report.
            const QPoint at = centre + QPoint(dx, 0);
            QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(canvas, &move);
        }
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, centre + QPoint(120, 0));
        QVERIFY(chart.isPaused());
        // Dragged to the right: earlier times came into view.
        QTRY_VERIFY(chart.visibleTo() < 59.0);
    }

    void redrawsAreThrottled()
    {
        MotionTrace trace;
        MotionChartWindow chart(&trace);
        chart.show();
        const int before = chart.redrawCount();
        // A moving axis read every 10 ms for a second: ten times the panel's rate.
        QElapsedTimer clock;
        clock.start();
        qint64 t = kT0;
        trace.addState(t, MotorStageState{1, 0, 1, 0, 0, 0, 0, 0, 0, 0});
        while (clock.elapsed() < 1000) {
            trace.addPosition(t, double(t - kT0) / 100);
            t += 10;
            QTest::qWait(10);
        }
        const int moving = chart.redrawCount() - before;
        QVERIFY2(moving >= 3 && moving <= 1000 / MotionChartWindow::kFastRedrawMs + 2, qPrintable(QString::number(moving)));

        // An idle axis: the same reading over and over, 2 s at 100 ms.
        trace.addState(t, MotorStageState{1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
        trace.addPosition(t, 5);
        chart.refresh();
        const int idleStart = chart.redrawCount();
        clock.restart();
        while (clock.elapsed() < 2000) {
            trace.addPosition(t, 5);
            t += 100;
            QTest::qWait(100);
        }
        const int idle = chart.redrawCount() - idleStart;
        QVERIFY2(idle >= 1 && idle <= 3, qPrintable(QString::number(idle)));

        // Hidden, it draws nothing.
        chart.hide();
        const int hidden = chart.redrawCount();
        for (int i = 0; i < 5; ++i) {
            trace.addPosition(t += 100, i);
            QTest::qWait(60);
        }
        QCOMPARE(chart.redrawCount(), hidden);
    }

    void aDayIsDrawnPerPixelWithItsPeaks()
    {
        // A day of a cycling axis with one peak: what the chart hands the
        // plot is bounded by its width, and the peak is still there.
        MotionTrace trace;
        for (int i = 0; i < 864000; ++i) {
            const qint64 t = kT0 + qint64(i) * 100;
            if (i % 40 == 0) {
                MotorStageState state{};
                state.isStop = (i / 40) % 2;
                trace.addState(t, state);
                trace.setTarget((i / 40) % 2 == 0 ? 50 : 0);
            }
            trace.addPosition(t, i == 432100 ? 99.0 : 25 + 25 * std::sin(i * 0.05));
        }
        MotionChartWindow chart(&trace);
        chart.resize(900, 560);
        chart.show();
        chart.setTimeWindow(MotionChartWindow::TimeWindow::Everything);
        auto *plot = chart.findChild<QwtPlot *>();
        QwtPlotCurve *position = nullptr;
        QwtPlotCurve *target = nullptr;
        int marks = 0;
        for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            auto *curve = static_cast<QwtPlotCurve *>(item);
            if (item->title().text() == QStringLiteral("位置"))
                position = curve;
            else if (item->title().text() == QStringLiteral("目标位置"))
                target = curve;
            else
                marks += int(curve->dataSize());
        }
        QVERIFY(position != nullptr && target != nullptr);
        const int columns = plot->canvas()->width();
        QVERIFY2(int(position->dataSize()) <= 2 * columns + 2, qPrintable(QString::number(position->dataSize())));
        QVERIFY2(int(target->dataSize()) <= 2 * columns + 2, qPrintable(QString::number(target->dataSize())));
        double highest = 0;
        for (size_t i = 0; i < position->dataSize(); ++i)
            highest = std::max(highest, position->sample(i).y());
        QCOMPARE(highest, 99.0);
        QVERIFY(plot->axisScaleDiv(QwtPlot::yLeft).upperBound() > 99.0);
        // Thousands of starts and stops: the marks are capped.
        QVERIFY(trace.events().size() > size_t(MotionChartWindow::kMaxMarks));
        QVERIFY(marks > 0 && marks <= MotionChartWindow::kMaxMarks);
    }

    void wildReadingsAndFarViewsStayDrawable()
    {
        // The controller may report any finite double: a reading near the
        // largest one must not collapse the position axis (blank chart).
        MotionTrace trace;
        feed(trace, 5);
        trace.addPosition(kT0 + 6000, 1.7e308);
        trace.addPosition(kT0 + 6100, 2);
        MotionChartWindow chart(&trace);
        chart.resize(900, 560);
        chart.show();
        auto *plot = chart.findChild<QwtPlot *>();
        QwtScaleDiv y = plot->axisScaleDiv(QwtPlot::yLeft);
        QVERIFY2(y.lowerBound() <= 0 && y.upperBound() > 1e299,
                 qPrintable(QStringLiteral("%1 %2").arg(y.lowerBound()).arg(y.upperBound())));
        trace.addPosition(kT0 + 6200, -1.7e308);
        chart.refresh();
        y = plot->axisScaleDiv(QwtPlot::yLeft);
        QVERIFY2(y.lowerBound() < -1e299 && y.upperBound() > 1e299,
                 qPrintable(QStringLiteral("%1 %2").arg(y.lowerBound()).arg(y.upperBound())));

        // Zoomed out far beyond the epoch's range and back: drawn, then following again.
        const double followedTo = chart.visibleTo();
        chart.setPaused(true);
        plot->setAxisScale(QwtPlot::xBottom, -1e300, 1e300);
        chart.refresh();
        QTRY_VERIFY(chart.visibleFrom() < -1e290);
        chart.setPaused(false);
        QCOMPARE(chart.visibleTo(), followedTo);
    }

    void targetLineHasGaps()
    {
        // Drawn on its own: a target at 1 from 0 to 1 s, none at 2 s, 1 again from 3 s.
        QwtPlot plot;
        plot.setCanvasBackground(Qt::black);
        plot.setAxisScale(QwtPlot::xBottom, 0, 4);
        plot.setAxisScale(QwtPlot::yLeft, 0, 2);
        auto *curve = new GappedCurve;
        curve->setPen(Qt::yellow, 3);
        curve->setSamples(QVector<QPointF>{{0, 1}, {1, 1}, {2, std::nan("")}, {3, 1}, {4, 1}});
        curve->attach(&plot);
        plot.resize(400, 300);
        plot.replot();
        const QImage image = plot.canvas()->grab().toImage();
        const QwtScaleMap xMap = plot.canvasMap(QwtPlot::xBottom);
        const QwtScaleMap yMap = plot.canvasMap(QwtPlot::yLeft);
        const int y = qRound(yMap.transform(1));
        const auto yellowAt = [&](double x) {
            const QColor colour = image.pixelColor(qRound(xMap.transform(x)), y);
            return colour.red() > 200 && colour.green() > 200 && colour.blue() < 80;
        };
        QVERIFY(yellowAt(0.5));
        QVERIFY(yellowAt(3.5));
        QVERIFY(!yellowAt(2.0));
    }

    void saveImageAndExportReportTheirResult()
    {
        MotionTrace trace;
        feed(trace, 20);
        MotionChartWindow chart(&trace);
        chart.show();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString png = dir.filePath(QStringLiteral("chart.png"));
        QVERIFY(chart.saveImage(png));
        const QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 640 && image.height() >= 400);
        // The position line (blue) is in the picture.
        int blue = 0;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                const QColor c = image.pixelColor(x, y);
                blue += c.blue() > 200 && c.red() < 120 ? 1 : 0;
            }
        }
        QVERIFY2(blue > 50, qPrintable(QString::number(blue)));

        auto *status = chart.findChild<QLabel *>(QStringLiteral("label_status"));
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/x"));
        QVERIFY(!chart.saveImage(missing + QStringLiteral(".png")));
        QVERIFY(status->text().contains(QStringLiteral("no/such/folder")));
        QVERIFY(status->property("failure").toBool());
        QVERIFY(!chart.exportCsv(missing + QStringLiteral(".csv")));
        QVERIFY(!chart.exportCsv(QString()));
        QVERIFY(chart.exportCsv(dir.filePath(QStringLiteral("ok.csv"))));
        QVERIFY(!status->property("failure").toBool());
        QFile csv(dir.filePath(QStringLiteral("ok.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 201);
    }

    void languageChangeRetranslates()
    {
        MotionTrace trace;
        MotionChartWindow chart(&trace);
        chart.setAxisName(QStringLiteral("Axis2"));
        chart.setTimeWindow(MotionChartWindow::TimeWindow::TenMinutes);
        chart.setPaused(true);
        auto *combo = chart.findChild<QComboBox *>(QStringLiteral("comboBox_timeWindow"));
        QCOMPARE(chart.windowTitle(), QStringLiteral("运动曲线 - Axis2"));
        QTranslator english;
        QVERIFY(AppResources::loadEnglish(english));
        QCoreApplication::installTranslator(&english);
        // The change reaches the window as a posted event.
        QTRY_COMPARE(chart.windowTitle(), QStringLiteral("Motion chart - Axis2"));
        QCOMPARE(combo->itemText(0), QStringLiteral("Last 10 s"));
        QCOMPARE(combo->currentIndex(), int(MotionChartWindow::TimeWindow::TenMinutes));
        QCOMPARE(button(chart, "pushButton_pause")->text(), QStringLiteral("Resume"));
        QCOMPARE(button(chart, "pushButton_exportCsv")->text(), QStringLiteral("Export CSV"));
        QCOMPARE(chart.findChild<QwtPlot *>()->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Position (mm)"));
        QCoreApplication::removeTranslator(&english);
        QTRY_COMPARE(chart.windowTitle(), QStringLiteral("运动曲线 - Axis2"));
        QCOMPARE(button(chart, "pushButton_pause")->text(), QStringLiteral("继续"));
    }
};

QTEST_MAIN(tst_MotionChartWindow)
#include "tst_MotionChartWindow.moc"

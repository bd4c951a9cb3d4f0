#include "MotionChartWindow.h"
#include "ui_MotionChartWindow.h"

#include "GappedCurve.h"
#include "MotionTrace.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_renderer.h>
#include <qwt_scale_widget.h>
#include <qwt_symbol.h>

namespace {

const QColor kBackground(22, 23, 26);
const QColor kCanvas(30, 31, 35);
const QColor kGridLine(58, 61, 66);
const QColor kText(213, 216, 222);
const QColor kPosition(79, 160, 255);
const QColor kTarget(255, 200, 87);

struct EventLook {
    MotionEvent::Kind kind;
    QwtSymbol::Style style;
    QColor colour;
    const char *title;
};

// Indexed like MotionEvent::Kind.
const EventLook kEventLooks[] = {
    {MotionEvent::Started, QwtSymbol::RTriangle, QColor(46, 204, 113), QT_TRANSLATE_NOOP("MotionChartWindow", "启动")},
    {MotionEvent::Stopped, QwtSymbol::Rect, QColor(184, 187, 194), QT_TRANSLATE_NOOP("MotionChartWindow", "停止")},
    {MotionEvent::PositiveLimit, QwtSymbol::UTriangle, QColor(255, 138, 61),
     QT_TRANSLATE_NOOP("MotionChartWindow", "正限位")},
    {MotionEvent::NegativeLimit, QwtSymbol::DTriangle, QColor(255, 138, 61),
     QT_TRANSLATE_NOOP("MotionChartWindow", "负限位")},
    {MotionEvent::SensorFault, QwtSymbol::XCross, QColor(255, 76, 72),
     QT_TRANSLATE_NOOP("MotionChartWindow", "传感器故障")},
};

// Positions beyond this are drawn at the edge; twice it is still a finite span.
constexpr double kLargestShown = 1e300;

QwtText colouredText(const QString &text, const QColor &colour = kText)
{
    QwtText result(text);
    result.setColor(colour);
    return result;
}

// Thins a time-ordered line to its lowest and highest point in each of
// columns slices of [from, to], in time order: what the pixel columns show,
// peaks included. Points outside the range are kept as they lead the line in.
QVector<QPointF> perColumn(const QVector<QPointF> &points, double from, double to, int columns)
{
    if (points.size() <= 4 * columns || !(to > from))
        return points;
    QVector<QPointF> result;
    result.reserve(4 * columns + 4);
    const double width = (to - from) / columns;
    int i = 0;
    while (i < points.size()) {
        const double x = points[i].x();
        if (x < from || x >= to) {
            result.append(points[i++]);
            continue;
        }
        const int column = int((x - from) / width);
        const double columnEnd = from + (column + 1) * width;
        int low = i;
        int high = i;
        int j = i;
        // The first point always belongs (rounding may put it past columnEnd).
        for (; j < points.size() && (j == i || (points[j].x() < columnEnd && points[j].x() < to)); ++j) {
            if (points[j].y() < points[low].y())
                low = j;
            if (points[j].y() > points[high].y())
                high = j;
        }
        result.append(points[std::min(low, high)]);
        if (low != high)
            result.append(points[std::max(low, high)]);
        i = j;
    }
    return result;
}

// The target line: a target holds still for a whole move, so only the first
// and last point of each run of one value count; runs with a target are
// thinned per column like the position, the gaps (NaN) kept as one point.
QVector<QPointF> targetLine(const QVector<QPointF> &points, double from, double to, int columns)
{
    const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    QVector<QPointF> result;
    QVector<QPointF> run;
    for (int i = 0; i < points.size(); ++i) {
        const double y = points[i].y();
        const bool first = i == 0 || !same(y, points[i - 1].y());
        const bool last = i + 1 == points.size() || !same(y, points[i + 1].y());
        if (std::isnan(y)) {
            if (first) {
                result += perColumn(run, from, to, columns);
                run.clear();
                result.append(points[i]);
            }
        } else if (first || last) {
            run.append(points[i]);
        }
    }
    result += perColumn(run, from, to, columns);
    return result;
}

QString withSuffix(const QString &fileName, const QString &suffix)
{
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + suffix;
}

} // namespace

MotionChartWindow::MotionChartWindow(const MotionTrace *trace, QWidget *parent)
    : StyledWidget(parent, Qt::Window), ui(new Ui::MotionChartWindow), m_trace(trace), m_redrawTimer(new QTimer(this))
{
    ui->setupUi(this);
    // A chart must not keep the program running once its main window is gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    setUpPlot();

    m_redrawTimer->setInterval(kCheckMs);
    connect(m_redrawTimer, &QTimer::timeout, this, &MotionChartWindow::onTimer);
    retranslate();
}

MotionChartWindow::~MotionChartWindow()
{
    delete ui;
}

void MotionChartWindow::setUpPlot()
{
    QwtPlot *plot = ui->plot;
    plot->setAutoReplot(false);
    QPalette palette = plot->palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Text, kText);
    plot->setPalette(palette);

    auto *canvas = new QwtPlotCanvas;
    canvas->setFrameStyle(QFrame::NoFrame);
    canvas->setPalette(QPalette(kCanvas));
    canvas->setAutoFillBackground(true);
    plot->setCanvas(canvas);
    for (int axis : {int(QwtPlot::xBottom), int(QwtPlot::yLeft)}) {
        plot->axisWidget(axis)->setPalette(palette);
        plot->setAxisAutoScale(axis, false);
    }
    // Time runs in milliseconds since the epoch, labelled with the clock
    // (ticks on whole seconds, minutes, hours), so a chart can be matched
    // with a lab notebook. A fixed UTC offset, taken afresh at each redraw:
    // local time asks the C library, which looks at the zone file each time.
    m_clockDraw = new QwtDateScaleDraw(Qt::OffsetFromUTC);
    m_clockEngine = new QwtDateScaleEngine(Qt::OffsetFromUTC);
    m_clockDraw->setDateFormat(QwtDate::Millisecond, QStringLiteral("hh:mm:ss.zzz"));
    m_clockDraw->setDateFormat(QwtDate::Second, QStringLiteral("hh:mm:ss"));
    m_clockDraw->setDateFormat(QwtDate::Minute, QStringLiteral("hh:mm"));
    m_clockDraw->setDateFormat(QwtDate::Hour, QStringLiteral("hh:mm"));
    m_clockDraw->setDateFormat(QwtDate::Day, QStringLiteral("MM-dd"));
    m_clockDraw->setDateFormat(QwtDate::Week, QStringLiteral("MM-dd"));
    plot->setAxisScaleDraw(QwtPlot::xBottom, m_clockDraw);
    plot->setAxisScaleEngine(QwtPlot::xBottom, m_clockEngine);

    m_grid = new QwtPlotGrid;
    m_grid->setMajorPen(kGridLine, 0, Qt::DotLine);
    m_grid->attach(plot);

    m_targetCurve = new GappedCurve;
    // Solid: a dashed pen costs the painter dearly on a long, busy line.
    m_targetCurve->setPen(kTarget, 1.5);
    m_targetCurve->setStyle(QwtPlotCurve::Steps);
    m_targetCurve->setRenderHint(QwtPlotItem::RenderAntialiased, false);
    m_targetCurve->attach(plot);

    m_positionCurve = new QwtPlotCurve;
    m_positionCurve->setPen(kPosition, 2);
    m_positionCurve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    // Drops points that fall on the same pixel: "everything" after a day.
    m_positionCurve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    m_positionCurve->attach(plot);

    for (const EventLook &look : kEventLooks) {
        auto *curve = new QwtPlotCurve;
        curve->setStyle(QwtPlotCurve::NoCurve);
        curve->setSymbol(new QwtSymbol(look.style, QBrush(look.colour), QPen(look.colour, 2), QSize(11, 11)));
        curve->setLegendAttribute(QwtPlotCurve::LegendShowSymbol, true);
        curve->setZ(m_positionCurve->z() + 1);
        curve->attach(plot);
        m_eventCurves[look.kind] = curve;
    }

    auto *legend = new QwtLegend;
    legend->setPalette(palette);
    plot->insertLegend(legend, QwtPlot::BottomLegend);

    m_panner = new QwtPlotPanner(canvas);
    m_panner->setMouseButton(Qt::LeftButton);
    connect(m_panner, &QwtPlotPanner::moved, this, [this] { setPaused(true); });
    // A view moved by the user gets its points for the new range.
    connect(plot->axisWidget(QwtPlot::xBottom), &QwtScaleWidget::scaleDivChanged, this,
            &MotionChartWindow::queueRedraw);
    m_magnifier = new QwtPlotMagnifier(canvas);
    m_magnifier->setMouseButton(Qt::NoButton); // the wheel only
    // The wheel's pause must come before the magnifier rescales: filters
    // installed later run first.
    canvas->installEventFilter(this);
}

// ------------------------------------------------------------ settings

void MotionChartWindow::setAxisName(const QString &name)
{
    m_axisName = name;
    ui->label_axisName->setText(name);
    setWindowTitle(tr("运动曲线 - %1").arg(name));
}

void MotionChartWindow::updateUnit()
{
    ui->plot->setAxisTitle(QwtPlot::yLeft, colouredText(tr("位置 (%1)").arg(m_trace->unit())));
    m_drawnOnce = false;
}

void MotionChartWindow::setTimeWindow(TimeWindow window)
{
    ui->comboBox_timeWindow->setCurrentIndex(int(window));
}

MotionChartWindow::TimeWindow MotionChartWindow::timeWindow() const
{
    return TimeWindow(qBound(0, ui->comboBox_timeWindow->currentIndex(), int(TimeWindow::Everything)));
}

void MotionChartWindow::setPaused(bool paused)
{
    ui->pushButton_pause->setChecked(paused);
}

bool MotionChartWindow::isPaused() const
{
    return ui->pushButton_pause->isChecked();
}

double MotionChartWindow::windowSeconds() const
{
    switch (timeWindow()) {
    case TimeWindow::TenSeconds: return 10;
    case TimeWindow::OneMinute: return 60;
    case TimeWindow::TenMinutes: return 600;
    case TimeWindow::Everything: break;
    }
    return std::numeric_limits<double>::infinity();
}

double MotionChartWindow::visibleFrom() const
{
    return (ui->plot->axisScaleDiv(QwtPlot::xBottom).lowerBound() - double(m_trace->startMsecs())) / 1000.0;
}

double MotionChartWindow::visibleTo() const
{
    return (ui->plot->axisScaleDiv(QwtPlot::xBottom).upperBound() - double(m_trace->startMsecs())) / 1000.0;
}

void MotionChartWindow::on_comboBox_timeWindow_currentIndexChanged(int)
{
    // Choosing a window means "show me the latest": follow again.
    setPaused(false);
    redraw();
}

void MotionChartWindow::on_pushButton_pause_toggled(bool checked)
{
    ui->pushButton_pause->setText(checked ? tr("继续") : tr("暂停"));
    if (!checked)
        redraw();
}

// ------------------------------------------------------------ drawing

int MotionChartWindow::activeRedrawMs() const
{
    switch (timeWindow()) {
    case TimeWindow::TenSeconds: return kFastRedrawMs;
    case TimeWindow::OneMinute: return 200;
    case TimeWindow::TenMinutes: return 500;
    case TimeWindow::Everything: break;
    }
    // The whole recording: a pixel spans a minute or more.
    return 2 * kIdleRedrawMs;
}

void MotionChartWindow::onTimer()
{
    if (m_trace->revision() == m_drawnRevision)
        return;
    // Fresh readings of an axis that stands still only move the time axis:
    // once a second is enough for that, and for a paused chart.
    const bool active = !isPaused()
        && ((m_trace->currentFlags() & MotionSample::Running) != 0 || !m_drawnOnce
            || m_trace->lastPosition() != m_drawnLastPosition);
    const int interval = active ? activeRedrawMs() : std::max(int(kIdleRedrawMs), activeRedrawMs());
    if (!m_sinceRedraw.isValid() || m_sinceRedraw.elapsed() >= interval - kCheckMs / 2)
        redraw();
}

void MotionChartWindow::refresh()
{
    if (m_trace->revision() != m_drawnRevision || !m_drawnOnce)
        redraw();
}

void MotionChartWindow::queueRedraw()
{
    if (m_settingScales || m_redrawQueued || !isVisible())
        return;
    m_redrawQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_redrawQueued = false;
        redraw();
    });
}

void MotionChartWindow::redraw()
{
    m_settingScales = true;
    QwtPlot *plot = ui->plot;
    const int utcOffset = QDateTime::currentDateTime().offsetFromUtc();
    if (utcOffset != m_clockDraw->utcOffset()) {
        m_clockDraw->setUtcOffset(utcOffset);
        m_clockEngine->setUtcOffset(utcOffset);
        plot->axisWidget(QwtPlot::xBottom)->update();
    }
    if (!isPaused())
        applyFollowingScales();
    plot->updateAxes();
    // Milliseconds since the epoch, like the samples.
    const double from = plot->axisScaleDiv(QwtPlot::xBottom).lowerBound();
    const double to = plot->axisScaleDiv(QwtPlot::xBottom).upperBound();

    // The readings in view, with one on either side to lead the line out.
    // Bounded: a view zoomed or dragged far out reaches beyond any qint64.
    const QVector<MotionSample> samples = m_trace->samplesSince(qint64(qBound(-9e18, std::floor(from), 9e18)));
    QVector<QPointF> positions;
    QVector<QPointF> targets;
    positions.reserve(samples.size());
    targets.reserve(samples.size());
    double minY = std::numeric_limits<double>::infinity();
    double maxY = -minY;
    for (const MotionSample &s : samples) {
        const double x = double(s.msecs);
        positions.append(QPointF(x, s.position));
        targets.append(QPointF(x, s.target));
        if (x > to)
            break;
        if (x < from)
            continue;
        minY = std::min(minY, s.position);
        maxY = std::max(maxY, s.position);
        if (std::isfinite(s.target)) {
            minY = std::min(minY, s.target);
            maxY = std::max(maxY, s.target);
        }
    }
    const int columns = std::max(100, plot->canvas()->width());
    const QVector<QPointF> line = perColumn(positions, from, to, columns);
    // A line denser than the pixels is a band either way; a hairline draws
    // it at a fraction of the cost of a wide antialiased pen.
    m_positionCurve->setPen(kPosition, line.size() > columns ? 0 : 2);
    m_positionCurve->setSamples(line);
    const QVector<QPointF> targetPoints = targetLine(targets, from, to, columns);
    m_targetCurve->setPen(kTarget, targetPoints.size() > columns ? 0 : 1.5);
    m_targetCurve->setSamples(targetPoints);

    // Starts and stops come by the thousand on a long view of a cycling
    // axis; limits and faults are few and what one looks for. At most
    // kMaxMarks marks: the rare kinds first, then the newest of the others.
    QVector<QPointF> marks[5];
    int markCount = 0;
    for (const bool rare : {true, false}) {
        for (auto it = m_trace->events().rbegin(); it != m_trace->events().rend() && markCount < kMaxMarks; ++it) {
            const double x = double(it->msecs);
            if (x < from)
                break;
            const bool common = it->kind == MotionEvent::Started || it->kind == MotionEvent::Stopped;
            if (x > to || common == rare)
                continue;
            marks[it->kind].append(QPointF(x, it->position));
            ++markCount;
        }
    }
    for (int kind = 0; kind < 5; ++kind)
        m_eventCurves[kind]->setSamples(marks[kind]);

    if (!isPaused()) {
        if (!std::isfinite(minY)) {
            minY = -1;
            maxY = 1;
        }
        const double range = maxY - minY;
        const double margin = range > 0 ? range * 0.08 : std::max(0.5, std::abs(maxY) * 0.01);
        // A wild reading near the largest double must not make the span
        // infinite: the scale then collapses and the chart goes blank.
        plot->setAxisScale(QwtPlot::yLeft, std::max(minY - margin, -kLargestShown),
                           std::min(maxY + margin, kLargestShown));
    }
    plot->replot();
    m_settingScales = false;

    m_drawnRevision = m_trace->revision();
    m_drawnLastPosition = m_trace->lastPosition();
    m_drawnOnce = true;
    m_sinceRedraw.start();
    ++m_redrawCount;
}

void MotionChartWindow::applyFollowingScales()
{
    const double span = windowSeconds() * 1000.0;
    const double first = m_trace->isEmpty() ? double(QDateTime::currentMSecsSinceEpoch()) : double(m_trace->startMsecs());
    const double last = m_trace->isEmpty() ? first : double(m_trace->lastMsecs());
    double from = first;
    double to = std::max(last, first + 1000.0);
    if (std::isfinite(span)) {
        // A young trace fills the window from its left edge.
        to = std::max(last, first + span);
        from = to - span;
    }
    ui->plot->setAxisScale(QwtPlot::xBottom, from, to);
}

bool MotionChartWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->plot->canvas() && event->type() == QEvent::Wheel)
        setPaused(true);
    return StyledWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------ export

void MotionChartWindow::setStatus(const QString &text, bool failure)
{
    ui->label_status->setText(text);
    ui->label_status->setProperty("failure", failure);
    ui->label_status->setStyleSheet(failure ? QStringLiteral("color: #FF6A66;") : QString());
}

bool MotionChartWindow::exportCsv(const QString &fileName)
{
    QSaveFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Text) || !m_trace->writeCsv(&file)
        || !file.commit()) {
        setStatus(tr("无法写入文件：%1").arg(QDir::toNativeSeparators(fileName)), true);
        return false;
    }
    setStatus(tr("已导出：%1").arg(QDir::toNativeSeparators(fileName)), false);
    return true;
}

bool MotionChartWindow::saveImage(const QString &fileName)
{
    refresh();
    QwtPlot *plot = ui->plot;
    const QSize size = plot->size().expandedTo(QSize(640, 400));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(kBackground);
    {
        QPainter painter(&image);
        QwtPlotRenderer renderer;
        renderer.render(plot, &painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (fileName.isEmpty() || !image.save(fileName, "PNG")) {
        setStatus(tr("无法写入文件：%1").arg(QDir::toNativeSeparators(fileName)), true);
        return false;
    }
    setStatus(tr("已保存：%1").arg(QDir::toNativeSeparators(fileName)), false);
    return true;
}

void MotionChartWindow::on_pushButton_exportCsv_clicked()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("%1_%2.csv")
            .arg(m_axisName, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))));
    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("导出 CSV"), suggested, tr("CSV 文件 (*.csv)"));
    if (!fileName.isEmpty())
        exportCsv(withSuffix(fileName, QStringLiteral("csv")));
}

void MotionChartWindow::on_pushButton_saveImage_clicked()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("%1_%2.png")
            .arg(m_axisName, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))));
    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("保存图片"), suggested, tr("PNG 图片 (*.png)"));
    if (!fileName.isEmpty())
        saveImage(withSuffix(fileName, QStringLiteral("png")));
}

// ------------------------------------------------------------ events

void MotionChartWindow::showEvent(QShowEvent *event)
{
    StyledWidget::showEvent(event);
    redraw();
    m_redrawTimer->start();
}

void MotionChartWindow::hideEvent(QHideEvent *event)
{
    m_redrawTimer->stop();
    StyledWidget::hideEvent(event);
}

void MotionChartWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    StyledWidget::changeEvent(event);
}

void MotionChartWindow::retranslate()
{
    const int window = ui->comboBox_timeWindow->currentIndex();
    ui->retranslateUi(this);
    ui->comboBox_timeWindow->setCurrentIndex(window);
    ui->pushButton_pause->setText(isPaused() ? tr("继续") : tr("暂停"));
    setAxisName(m_axisName);
    ui->plot->setAxisTitle(QwtPlot::xBottom, colouredText(tr("时间")));
    updateUnit();
    m_positionCurve->setTitle(colouredText(tr("位置")));
    m_targetCurve->setTitle(colouredText(tr("目标位置")));
    for (const EventLook &look : kEventLooks)
        m_eventCurves[look.kind]->setTitle(colouredText(tr(look.title)));
    if (isVisible())
        redraw();
}

#pragma once

#include "StyledWidget.h"

#include <QElapsedTimer>
#include <QString>

class GappedCurve;
class MotionTrace;
class QTimer;
class QwtDateScaleDraw;
class QwtDateScaleEngine;
class QwtPlotCurve;
class QwtPlotGrid;
class QwtPlotMagnifier;
class QwtPlotPanner;

namespace Ui {
class MotionChartWindow;
}

// A window with the motion chart of one axis: position over time, the move's
// target as a second line, marks where the axis started, stopped, reached a
// limit or reported a sensor fault. It shows the last 10 s, 1 min, 10 min or
// everything and follows the newest reading until paused (dragging or wheel
// zooming the plot pauses it too; recording goes on regardless). Exports the
// readings as CSV and the picture as PNG.
//
// The trace is read, never written; it must outlive the window. Redraws are
// throttled: while the axis moves at most one every kFastRedrawMs for the
// last 10 s (200 ms for a minute, 0.5 s for 10 minutes, 2 s for everything,
// where a pixel spans seconds), one a second while the trace only grows with
// identical readings of an idle axis or the chart is paused. Each draw hands the plot at most a few points per
// pixel column and at most kMaxMarks event marks, so its cost does not grow
// with the recording.
class MotionChartWindow : public StyledWidget
{
    Q_OBJECT

public:
    enum class TimeWindow { TenSeconds, OneMinute, TenMinutes, Everything };
    static constexpr int kFastRedrawMs = 150;
    static constexpr int kCheckMs = 50; // how often the trace is looked at
    static constexpr int kIdleRedrawMs = 1000;
    static constexpr int kMaxMarks = 300;

    explicit MotionChartWindow(const MotionTrace *trace, QWidget *parent = nullptr);
    ~MotionChartWindow() override;

    void setAxisName(const QString &name);
    QString axisName() const { return m_axisName; }
    // Called by the owner when the trace's unit changed.
    void updateUnit();

    void setTimeWindow(TimeWindow window);
    TimeWindow timeWindow() const;
    void setPaused(bool paused);
    bool isPaused() const;

    // Write the trace as CSV / the chart as PNG; false (and the reason in the
    // status line) when the file cannot be written. The buttons ask for the
    // file name first.
    bool exportCsv(const QString &fileName);
    bool saveImage(const QString &fileName);

    // Redraws now if the trace changed since the last redraw.
    void refresh();
    int redrawCount() const { return m_redrawCount; }
    // Time range shown on the time axis, seconds since the first sample.
    double visibleFrom() const;
    double visibleTo() const;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_comboBox_timeWindow_currentIndexChanged(int index);
    void on_pushButton_pause_toggled(bool checked);
    void on_pushButton_exportCsv_clicked();
    void on_pushButton_saveImage_clicked();

private:
    void setUpPlot();
    void onTimer();
    void redraw();
    // A redraw for a view the user moved, once the event loop is back.
    void queueRedraw();
    void applyFollowingScales();
    double windowSeconds() const;
    int activeRedrawMs() const;
    void setStatus(const QString &text, bool failure);
    void retranslate();

    Ui::MotionChartWindow *ui;
    const MotionTrace *m_trace;
    QString m_axisName;
    QTimer *m_redrawTimer;
    QElapsedTimer m_sinceRedraw;
    quint64 m_drawnRevision = 0;
    bool m_drawnOnce = false;
    double m_drawnLastPosition = 0;
    int m_redrawCount = 0;
    bool m_settingScales = false;
    bool m_redrawQueued = false;

    GappedCurve *m_targetCurve;
    QwtPlotCurve *m_positionCurve;
    QwtPlotCurve *m_eventCurves[5];
    QwtPlotGrid *m_grid;
    QwtDateScaleDraw *m_clockDraw;   // owned by the plot
    QwtDateScaleEngine *m_clockEngine; // owned by the plot
    QwtPlotPanner *m_panner;
    QwtPlotMagnifier *m_magnifier;
};

#pragma once

#include <qwt_plot_curve.h>

// A curve that leaves a gap wherever a point's value is not a number: the
// target line of a motion chart exists only while a move with a known target
// runs, and must not be joined across the time without one.
class GappedCurve : public QwtPlotCurve
{
public:
    explicit GappedCurve(const QString &title = QString());

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                    int from, int to) const override;
};

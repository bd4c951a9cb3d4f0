#include "GappedCurve.h"

#include <cmath>

GappedCurve::GappedCurve(const QString &title) : QwtPlotCurve(title) {}

void GappedCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect, int from, int to) const
{
    const int last = to < 0 ? int(dataSize()) - 1 : to;
    int runStart = -1;
    for (int i = from; i <= last; ++i) {
        const QPointF point = sample(size_t(i));
        const bool valid = std::isfinite(point.x()) && std::isfinite(point.y());
        if (valid && runStart < 0)
            runStart = i;
        if (!valid && runStart >= 0) {
            QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, runStart, i - 1);
            runStart = -1;
        }
    }
    if (runStart >= 0)
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, runStart, last);
}

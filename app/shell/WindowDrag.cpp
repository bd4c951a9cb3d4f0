#include "WindowDrag.h"

#include <QMouseEvent>
#include <QRect>
#include <QWidget>

bool WindowDrag::press(const QMouseEvent *event, const QRect &handle)
{
    if (!handle.contains(event->localPos().toPoint()))
        return false;
    m_dragging = true;
    m_lastGlobal = event->globalPos();
    return true;
}

bool WindowDrag::move(QWidget *window, const QMouseEvent *event)
{
    if (!m_dragging)
        return false;
    window->move(window->pos() + event->globalPos() - m_lastGlobal);
    m_lastGlobal = event->globalPos();
    return true;
}

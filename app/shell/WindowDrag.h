#pragma once

#include <QPoint>

class QMouseEvent;
class QRect;
class QWidget;

// Moves a frameless window by a handle (its title bar): a press inside the
// handle starts a drag, each move shifts the window by the cursor's travel,
// a release ends it. The window forwards its mouse events here.
class WindowDrag
{
public:
    // Starts a drag when the press lies inside handle (window coordinates).
    bool press(const QMouseEvent *event, const QRect &handle);
    // Moves window while a drag runs; false when none does.
    bool move(QWidget *window, const QMouseEvent *event);
    void release() { m_dragging = false; }
    bool isDragging() const { return m_dragging; }

private:
    bool m_dragging = false;
    QPoint m_lastGlobal;
};

#pragma once

#include "WindowDrag.h"

#include <QObject>

class QWidget;

// What the program's frameless dialogs share: a translucent, frameless,
// application-modal window whose panel carries a grey drop shadow, moved by
// dragging its title bar. Installed once per dialog, owned by it.
class FramelessDialog : public QObject
{
    Q_OBJECT

public:
    // back: the panel inside the transparent margin; titleBar: the handle.
    static FramelessDialog *apply(QWidget *dialog, QWidget *back, QWidget *titleBar);

    bool isDragging() const { return m_drag.isDragging(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FramelessDialog(QWidget *dialog, QWidget *titleBar);

    QWidget *m_dialog;
    QWidget *m_titleBar;
    WindowDrag m_drag;
};

#include "FramelessDialog.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QWidget>

FramelessDialog::FramelessDialog(QWidget *dialog, QWidget *titleBar)
    : QObject(dialog), m_dialog(dialog), m_titleBar(titleBar)
{
}

FramelessDialog *FramelessDialog::apply(QWidget *dialog, QWidget *back, QWidget *titleBar)
{
    dialog->setAttribute(Qt::WA_TranslucentBackground);
    dialog->setWindowFlags(dialog->windowFlags() | Qt::FramelessWindowHint | Qt::Window);
    dialog->setWindowModality(Qt::ApplicationModal);

    auto *shadow = new QGraphicsDropShadowEffect(back);
    shadow->setBlurRadius(10);
    shadow->setOffset(0, 0);
    shadow->setColor(Qt::gray);
    back->setGraphicsEffect(shadow);

    auto *chrome = new FramelessDialog(dialog, titleBar);
    dialog->installEventFilter(chrome);
    return chrome;
}

bool FramelessDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_dialog)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // Presses on the title bar's labels arrive here too, in the
        // dialog's coordinates.
        const QRect handle(m_titleBar->mapTo(m_dialog, QPoint(0, 0)), m_titleBar->size());
        if (mouse->button() == Qt::LeftButton && m_drag.press(mouse, handle)) {
            mouse->accept();
            return true;
        }
        return false;
    }
    case QEvent::MouseMove:
        if (m_drag.move(m_dialog, static_cast<QMouseEvent *>(event))) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        m_drag.release();
        return false;
    default:
        return false;
    }
}

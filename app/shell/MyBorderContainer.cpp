#include "MyBorderContainer.h"

#include <QMouseEvent>
#include <QRect>
#include <QWidget>

namespace {

Qt::CursorShape cursorFor(int kind)
{
    switch (kind) {
    case MyBorderContainer::Left:
    case MyBorderContainer::Right: return Qt::SizeHorCursor;
    case MyBorderContainer::Top:
    case MyBorderContainer::Bottom: return Qt::SizeVerCursor;
    case MyBorderContainer::TopLeft:
    case MyBorderContainer::BottomRight: return Qt::SizeFDiagCursor;
    case MyBorderContainer::BottomLeft:
    case MyBorderContainer::TopRight: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

MyBorderContainer::MyBorder::MyBorder(QWidget *window, int kind, MyBorderContainer *container)
    : QLabel(window), m_iKind(kind), m_container(container)
{
    setCursor(cursorFor(kind));
    setStyleSheet(QStringLiteral("QLabel {background-color: transparent;}"));
    // Later grips lie above earlier ones, so corners win over edges.
    raise();
}

void MyBorderContainer::MyBorder::mousePressEvent(QMouseEvent *event)
{
    const QWidget *parent = parentWidget();
    if (parent && !parent->isFullScreen() && event->button() == Qt::LeftButton) {
        m_bPressed = true;
        m_lastGlobalPos = event->globalPos();
    }
    event->accept();
}

void MyBorderContainer::MyBorder::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bPressed && (event->buttons() & Qt::LeftButton)) {
        const QPoint current = event->globalPos();
        const QPoint delta = current - m_lastGlobalPos;
        m_container->resizeWindow(m_iKind, delta.x(), delta.y());
        // Even a refused move starts the next one from here.
        m_lastGlobalPos = current;
    }
    QLabel::mouseMoveEvent(event);
}

void MyBorderContainer::MyBorder::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_bPressed = false;
    QLabel::mouseReleaseEvent(event);
}

MyBorderContainer::MyBorderContainer(QWidget *window, quint16 minHeight, quint16 minWidth,
                                     quint16 borderWidth)
    : QObject(window), m_window(window), m_uBorderWidth(borderWidth), m_uMinWidth(minWidth),
      m_uMinHeight(minHeight)
{
    const int kinds[] = {Left, Right, Bottom, Top, BottomRight, TopRight, BottomLeft, TopLeft};
    for (int kind : kinds)
        m_borders.append(new MyBorder(window, kind, this));
    updateBorders();
}

void MyBorderContainer::updateBorders()
{
    const int w = m_window->width();
    const int h = m_window->height();
    const int b = m_uBorderWidth;
    for (MyBorder *border : qAsConst(m_borders)) {
        QRect rect;
        switch (border->kind()) {
        case Left: rect = QRect(0, 0, b, h); break;
        case Right: rect = QRect(w - b, 0, b, h); break;
        case Bottom: rect = QRect(0, h - b, w, b); break;
        case Top: rect = QRect(0, 0, w, b); break;
        // Corners cover b + 1 pixels, reaching one pixel past the edges.
        case BottomRight: rect = QRect(w - 1 - b, h - 1 - b, b + 1, b + 1); break;
        case TopRight: rect = QRect(w - 1 - b, 0, b + 1, b + 1); break;
        case BottomLeft: rect = QRect(0, h - 1 - b, b + 1, b + 1); break;
        case TopLeft: rect = QRect(0, 0, b + 1, b + 1); break;
        default: break;
        }
        border->setGeometry(rect);
    }
}

bool MyBorderContainer::resizeWindow(int kind, int dx, int dy)
{
    QRect g = m_window->geometry();
    const int w = g.width();
    const int h = g.height();
    // The window's own minimum counts too: Qt would clamp the size but keep
    // the moved left or top edge, shifting the opposite edge instead of
    // refusing the drag.
    const int mw = qMax(int(m_uMinWidth), m_window->minimumWidth());
    const int mh = qMax(int(m_uMinHeight), m_window->minimumHeight());

    switch (kind) {
    case Left:
        if (w - dx < mw) return false;
        g.setLeft(g.left() + dx);
        break;
    case Right:
        if (w + dx < mw) return false;
        g.setWidth(w + dx);
        break;
    case Top:
        if (h - dy < mh) return false;
        g.setTop(g.top() + dy);
        break;
    case Bottom:
        if (h + dy < mh) return false;
        g.setHeight(h + dy);
        break;
    case TopLeft:
        if (w - dx < mw || h - dy < mh) return false;
        g.setLeft(g.left() + dx);
        g.setTop(g.top() + dy);
        break;
    case BottomLeft:
        if (w - dx < mw || h + dy < mh) return false;
        g.setLeft(g.left() + dx);
        g.setHeight(h + dy);
        break;
    case TopRight:
        if (w + dx < mw || h - dy < mh) return false;
        g.setTop(g.top() + dy);
        g.setWidth(w + dx);
        break;
    case BottomRight:
        if (h + dy < mh || w + dx < mw) return false;
        g.setWidth(w + dx);
        g.setHeight(h + dy);
        break;
    default:
        return false;
    }
    m_window->setGeometry(g);
    updateBorders();
    return true;
}

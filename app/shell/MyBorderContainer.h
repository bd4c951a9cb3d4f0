#pragma once

#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QVector>

// Mouse resizing for a frameless window: eight transparent grips along the
// edges and in the corners. A drag that would make the window smaller than
// its minimum is refused as a whole, never clamped.
class MyBorderContainer : public QObject
{
    Q_OBJECT

public:
    // Grip kinds as the grips report them.
    enum Kind {
        Left = 1, Right = 2, Top = 3, Bottom = 4,
        TopLeft = 5, BottomLeft = 6, TopRight = 7, BottomRight = 8
    };

    // A grip: a transparent label child of the window.
    class MyBorder : public QLabel
    {
    public:
        MyBorder(QWidget *window, int kind, MyBorderContainer *container);

        int kind() const { return m_iKind; }

    protected:
        void mousePressEvent(QMouseEvent *event) override;
        void mouseMoveEvent(QMouseEvent *event) override;
        void mouseReleaseEvent(QMouseEvent *event) override;

    private:
        int m_iKind;
        MyBorderContainer *m_container;
        bool m_bPressed = false;
        QPoint m_lastGlobalPos;
    };

    MyBorderContainer(QWidget *window, quint16 minHeight, quint16 minWidth, quint16 borderWidth);

    // Places the grips for the window's current size; the window calls it
    // from its resize event.
    void updateBorders();
    // Resizes the window as dragging grip kind by (dx, dy) would. Returns
    // false when the change was refused (or the kind is unknown).
    bool resizeWindow(int kind, int dx, int dy);

    // Grips in creation order: left, right, bottom, top, bottom-right,
    // top-right, bottom-left, top-left.
    const QVector<MyBorder *> &borders() const { return m_borders; }
    QWidget *window() const { return m_window; }

private:
    QWidget *m_window;
    quint16 m_uBorderWidth;
    quint16 m_uMinWidth;
    quint16 m_uMinHeight;
    QVector<MyBorder *> m_borders;
};

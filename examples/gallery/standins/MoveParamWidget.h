#pragma once

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

// Stand-in carrying the class name of the program's window, so that the
// style sheet's "MoveParamWidget ..." rules reach the gallery's samples. It paints
// its background through the style like the real window does.
class MoveParamWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MoveParamWidget(QWidget *parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStyleOption option;
        option.initFrom(this);
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    }
};

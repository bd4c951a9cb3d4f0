#pragma once

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

// Base of the gallery's stand-ins: each carries the class name of one of the
// program's windows, so that the style sheet's rules for that window reach
// the gallery's samples, and paints its background through the style like
// the real window does.
class StyledStandIn : public QWidget
{
    Q_OBJECT

public:
    explicit StyledStandIn(QWidget *parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStyleOption option;
        option.initFrom(this);
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    }
};

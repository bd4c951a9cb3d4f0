#include "StyledWidget.h"

#include <QPainter>
#include <QStyleOption>

StyledWidget::StyledWidget(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void StyledWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

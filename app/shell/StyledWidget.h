#pragma once

#include <QWidget>

// A plain widget that paints its background through the style, so that the
// application style sheet's rules for the subclass (background colours,
// border images, rounded corners) reach it. QWidget itself ignores them.
class StyledWidget : public QWidget
{
    Q_OBJECT

public:
    explicit StyledWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

protected:
    void paintEvent(QPaintEvent *event) override;
};

#pragma once

#include <QWidget>

namespace Ui {
class PlaceholderWidget;
}

// A fixed panel-sized widget that the main window keeps hidden.
class PlaceholderWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PlaceholderWidget(QWidget *parent = nullptr);
    ~PlaceholderWidget() override;

private:
    Ui::PlaceholderWidget *ui;
};

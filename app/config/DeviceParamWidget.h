#pragma once

#include "StyledWidget.h"

namespace Ui {
class DeviceParamWidget;
}

// Overlay of an axis panel for the axis's external trigger input and output
// and for a stage model configuration request. A click outside its card
// hides it.
class DeviceParamWidget : public StyledWidget
{
    Q_OBJECT

public:
    explicit DeviceParamWidget(QWidget *parent = nullptr);
    ~DeviceParamWidget() override;

    void setAxis(int axis);
    int axis() const { return m_axis; }
    void setInputEnabled(bool enabled);
    bool isInputEnabled() const;
    void setOutputEnabled(bool enabled);
    bool isOutputEnabled() const;

private slots:
    void on_pushButton_confirm_clicked();
    void on_pushButton_writeConfig_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::DeviceParamWidget *ui;
    int m_axis = 0;
};

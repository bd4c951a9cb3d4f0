#pragma once

#include "ParamPopup.h"

namespace Ui {
class MoveParamWidget;
}

// Pop-up of an axis panel for the absolute move: target position, speed and
// acceleration, checked against the stage model's limits and sent to the
// device service on confirmation.
class MoveParamWidget : public ParamPopup
{
    Q_OBJECT

public:
    explicit MoveParamWidget(QWidget *parent = nullptr);
    ~MoveParamWidget() override;

    void setPosRange(double minPos, double maxPos);
    void setMaxSpeed(double maxSpeed);
    void setMaxAcc(double maxAcc);
    void loadParams() override;

signals:
    void signal_moveParamWindowDeactivated();

private slots:
    void on_pushButton_confirm_clicked();
    void on_pushButton_restore_clicked();

protected:
    void emitDeactivated() override;
    void retranslate() override;
    void applyUnit() override;

private:
    Ui::MoveParamWidget *ui;
    double m_minPos = 0;
    double m_maxPos = 0;
    double m_maxSpeed = 0;
    double m_maxAcc = 0;
};

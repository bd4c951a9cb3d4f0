#pragma once

#include "ParamPopup.h"

namespace Ui {
class DriveParamWidget;
}

// Pop-up of an axis panel for the continuous drive: the optional relative
// travel, speed and acceleration, checked against the stage model's limits
// and sent to the device service on confirmation. The panel places it above
// or below its button and gives it the matching background.
class DriveParamWidget : public ParamPopup
{
    Q_OBJECT

public:
    explicit DriveParamWidget(QWidget *parent = nullptr);
    ~DriveParamWidget() override;

    // Keeps only the travel length maxPos - minPos.
    void setPosRange(double minPos, double maxPos);
    void setMaxSpeed(double maxSpeed);
    void setMaxAcc(double maxAcc);
    void loadParams() override;

signals:
    void signal_driveParamWindowDeactivated();
    // Declared for hosts that listen; the pop-up sends through the service.
    void signal_driveParamChanged(float trivel, float vel, float acc, int travelEnable);
    void signal_loadDriveParam();

private slots:
    void on_pushButton_confirm_clicked();
    void on_pushButton_restore_clicked();

protected:
    void emitDeactivated() override;
    void retranslate() override;
    void applyUnit() override;

private:
    Ui::DriveParamWidget *ui;
    double m_travel = 0;
    double m_maxSpeed = 0;
    double m_maxAcc = 0;
};

#pragma once

#include "ParamPopup.h"

namespace Ui {
class JogParamWidget;
}

// Pop-up of an axis panel for jogging: step length, number of steps and the
// delay between steps, checked against the stage's travel and sent to the
// device service on confirmation.
class JogParamWidget : public ParamPopup
{
    Q_OBJECT

public:
    explicit JogParamWidget(QWidget *parent = nullptr);
    ~JogParamWidget() override;

    // Keeps only the travel length maxPos - minPos.
    void setPosRange(double minPos, double maxPos);
    void loadParams() override;

signals:
    void signal_jogParamWindowDeactivated();
    // Declared for hosts that listen; the pop-up sends through the service.
    void signal_jogParamChanged(float step, int time, int delay);
    void signal_loadJogParam();

private slots:
    void on_pushButton_confirm_clicked();
    void on_pushButton_restore_clicked();

protected:
    void emitDeactivated() override;
    void retranslate() override;
    void applyUnit() override;

private:
    Ui::JogParamWidget *ui;
    double m_travel = 0;
};

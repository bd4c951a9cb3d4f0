#pragma once

#include "StyledWidget.h"

namespace Ui {
class CycleOperationWidget;
}

// Overlay of an axis panel that runs the axis back and forth: stroke, speed,
// acceleration, number of cycles and dwell time, started in either
// direction. It covers the whole panel while shown.
class CycleOperationWidget : public StyledWidget
{
    Q_OBJECT

public:
    explicit CycleOperationWidget(QWidget *parent = nullptr);
    ~CycleOperationWidget() override;

    void setAxis(int axis);
    int axis() const { return m_axis; }
    void setUnit(const QString &unit);
    // Keeps only the travel length maxPos - minPos.
    void setPosRange(double minPos, double maxPos);
    void setMaxSpeed(double maxSpeed);
    void setMaxAcc(double maxAcc);
    // Fills the fields (the panel reads them from the service's cache).
    void loadParams(double acc, double speed, double circleDisp, int circleCount, int circleDelay);
    // True until a state says the axis runs: the last value of setRunningState.
    bool isStopped() const { return m_stopped; }

signals:
    void signal_startDoing();
    void signal_stopDoing();

public slots:
    // b: the axis is stopped.
    void setRunningState(bool b);

private slots:
    void on_pushButton_left_clicked();
    void on_pushButton_right_clicked();
    void on_pushButton_stop_clicked();
    void on_pushButton_close_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void startCycle(int mode);
    void applyUnit();

    Ui::CycleOperationWidget *ui;
    int m_axis = 0;
    QString m_unit = QStringLiteral("mm");
    double m_travel = 0;
    double m_maxSpeed = 0;
    double m_maxAcc = 0;
    bool m_stopped = true;
};

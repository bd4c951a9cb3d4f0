#pragma once

#include "MotionTrace.h"
#include "ServiceMetaTypes.h"
#include "StyledWidget.h"
#include "VelmoDevParam.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QPushButton;
class QTimer;
class CycleOperationWidget;
class DeviceParamWidget;
class DriveParamWidget;
class JogParamWidget;
class MotionChartWindow;
class MoveParamWidget;
class ParamPopup;

namespace Ui {
class VelmoControlWidget;
}

// The panel through which the user operates one axis: position, state lamps,
// an operation log, and buttons for move, jog, drive, home, stop, enable and
// cycle with their parameter dialogs. It talks to the controller only through
// the device service and polls its axis every 100 ms while it exists.
class VelmoControlWidget : public StyledWidget
{
    Q_OBJECT

public:
    // Log entry types and states the panel writes itself.
    enum { LogTypeRunCount = 12, LogTypeAlarm = 98, LogTypeInfo = 99 };
    enum { LogStateRunning = 0, LogStateFinished = 4, LogStateNone = 99 };

    explicit VelmoControlWidget(QWidget *parent = nullptr);
    ~VelmoControlWidget() override;

    // Everything the main window hands a new panel, in its order: the
    // record, the axis, the title "AxisN", the model name, the unit, the
    // travel range and the two limits.
    void configure(const QString &modelName, int axis, const VelmoDevParam &param);

    // Set by the main window after construction, in this order.
    void setDevParam(const VelmoDevParam &param);
    void setAxisIndex(int index);
    void setAxisName(const QString &name);
    void setModelName(const QString &name);
    void setUnit(const QString &unit);
    void setPosRange(double minPos, double maxPos);
    void setMaxSpeed(double maxSpeed);
    void setMaxAcc(double maxAcc);
    // "初始化运动轴参数成功" and the stage's serial number, if it has one.
    void logInitialized();

    int axisIndex() const { return m_iIndex; }
    // The title text "AxisN"; the main window matches panels by it.
    QString axisName() const;
    QString modelName() const { return m_modelName; }
    QString unit() const { return m_unit; }
    const VelmoDevParam &devParam() const { return m_devParam; }
    bool isRockerMode() const { return m_rockerMode; }

    // Joystick mode: false hides the motion buttons and shows the rocker speed.
    void setMoveBtnEnabled(bool enabled);
    // The joystick's speed level (0 to 65535) as a speed in the stage's unit.
    void setRockerSpeed(int level);

    // Appends one formatted entry to the operation log.
    void appendLog(int type, const QString &msg, int state);

    MoveParamWidget *moveParamWidget() const { return m_moveParam; }
    JogParamWidget *jogParamWidget() const { return m_jogParam; }
    DriveParamWidget *driveParamWidget() const { return m_driveParam; }
    CycleOperationWidget *cycleOperationWidget() const { return m_cycle; }
    DeviceParamWidget *deviceParamWidget() const { return m_deviceParam; }
    // The axis's motion history, fed by the polling; recorded whether or not
    // a chart shows it.
    const MotionTrace &motionTrace() const { return m_trace; }
    // The chart window the chart button opened; null until then.
    MotionChartWindow *motionChart() const;

signals:
    void signal_closed(QString name);
    void signal_expandControl(bool expand);
    void signal_showTipMsg(QString msg);
    void signal_broadcastRunningState(bool b);
    void signal_getSettingParams();

public slots:
    void slot_moveParamWindowDeactivated();
    void slot_jogParamWindowDeactivated();
    void slot_driveParamWindowDeactivated();
    void slot_updateCurrentPos(int ID, double pos);
    void slot_updateDevState(int ID, MotorStageState state);
    void slot_startUpdateState();
    void slot_stopUpdateState();
    void slot_updateState();
    void slot_showOperationMsg(int Axis, int state, int type, QString msg);

private slots:
    void on_pushButton_remove_clicked();
    void on_pushButton_setting_clicked();
    void on_pushButton_move_clicked();
    void on_pushButton_home_clicked();
    void on_pushButton_stop_clicked();
    void on_pushButton_enable_clicked(bool checked);
    void on_pushButton_moveParam_clicked(bool checked);
    void on_pushButton_jogParam_clicked(bool checked);
    void on_pushButton_driveParam_clicked(bool checked);
    void on_pushButton_jogLeft_clicked();
    void on_pushButton_jogRight_clicked();
    void on_pushButton_driveLeft_clicked();
    void on_pushButton_driveRight_clicked();
    void on_pushButton_expand_clicked(bool checked);
    void on_pushButton_circle_clicked();
    void on_pushButton_chart_clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Where a pop-up hangs below its button (top-left corner, global).
    static QPoint popupBelow(const QPushButton *button);
    // A click on a pop-up's button that first took the activation away from
    // the open pop-up must close it, not open it again.
    bool swallowReopen(QPushButton *button);
    // checked false hides the pop-up; true asks whether to open it.
    bool popupWanted(QPushButton *button, ParamPopup *popup, bool checked);
    void showPopup(ParamPopup *popup, const QPoint &at);
    void noteDeactivation(QPushButton *button);
    void startMotor(int mode);
    void applyCanRun(bool canRun);
    void retranslate();

    Ui::VelmoControlWidget *ui;
    int m_iIndex = 0;
    QString m_modelName;
    QString m_unit = QStringLiteral("mm");
    MotorStageState m_sState{};
    bool m_stateReceived = false;
    QTimer *m_updateTimer;
    bool m_rockerMode = false;
    int m_rockerLevel = -1; // -1: no level shown yet
    quint32 m_runCount = 0;
    VelmoDevParam m_devParam;
    int m_enableMismatch = 0;
    QPushButton *m_closedByPress = nullptr;
    QElapsedTimer m_closedByPressTime;

    DeviceParamWidget *m_deviceParam;
    MoveParamWidget *m_moveParam;
    JogParamWidget *m_jogParam;
    DriveParamWidget *m_driveParam;
    CycleOperationWidget *m_cycle;
    MotionTrace m_trace;
    QPointer<MotionChartWindow> m_chart;
};

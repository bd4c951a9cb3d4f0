#pragma once

#include "MotorDevInfo.h"
#include "ServiceMetaTypes.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>

class QThread;

// Motion modes of signal_startMotor.
enum MoveCode {
    MOVE_CODE_MOVE = 3,
    MOVE_CODE_DRIVE_POSITIVE = 4,
    MOVE_CODE_DRIVE_NEGATIVE = 5,
    MOVE_CODE_JOG_POSITIVE = 6,
    MOVE_CODE_JOG_NEGATIVE = 7,
    MOVE_CODE_CIRCLE_POSITIVE = 8,
    MOVE_CODE_CIRCLE_NEGATIVE = 9
};

// The program's single gateway to velmoLibrary. Lives in a worker thread of
// its own; requests arrive as queued signals and are served one at a time,
// results go back as signals. Direct member functions serve the GUI thread
// when it needs an answer at once. Every library call holds libMutex.
class SerialComDev : public QObject
{
    Q_OBJECT

public:
    // Operation message states.
    enum MessageState { MsgFailed = 2, MsgSucceeded = 3 };

    static SerialComDev *instance();
    // Quits and joins the worker thread and destroys the instance; called
    // at program exit (and by the owner at static destruction).
    static void shutdown();
    ~SerialComDev() override;

    static QMutex libMutex;
    static int currentDevId();

    int openDevice(int id);
    int closeDevice();
    bool isConnected() const;
    void setConnected(bool connected);
    void requestCurrentPos(int axis);

    // Queries for the GUI thread.
    int getDevAxisCount();
    bool readMotorAutoDetect(int axis, int *code);
    bool getMotorModelName(int axis, QString &name);
    int getMotorParams(int axis, MotorParams *params);
    int setMotorParams(int axis, MotorParams params);
    int getRockerEnable();
    int getPosConpenEnable(int axis, bool *enabled);
    QString getDevSoftVersion();
    int initAxis(int axis);
    int readAxisParams(int axis);
    int readTriggerParams(int axis, int *in, int *out, double *step);
    QString getAxisSerialNo(int axis);

    // Cached parameters; no library call, no record created.
    double axisSpeed(int axis);
    double axisAcceleration(int axis);
    double axisRelativeDisp(int axis);
    double axisTargetPos(int axis);
    bool axisRelativeDispEnable(int axis);
    double axisJogStep(int axis);
    int axisJogDelay(int axis);
    int axisJogCount(int axis);
    int axisCircleCount(int axis);
    double axisCircleDisp(int axis);
    int axisCircleDelay(int axis);

    // Position and state requests waiting to be served (diagnostics).
    int pendingPollCount() const;
    // Axes that have a record in the parameter cache.
    QList<int> cachedAxes();

signals:
    void signal_updateCurrentPos(int ID, double pos);
    void signal_updateDevState(int Axis, MotorStageState state);
    void signal_showOperationMsg(int ID, int state, int type, QString msg);
    void signal_setTriggerInDisp(int Axis, double disp);
    void signal_getCurrentPos(int ID);
    void signal_getDevState(int ID);
    void signal_setSpeedParams(int Axis, double acc, double speed);
    void signal_setRelativeDispParams(int Axis, double disp, bool enable);
    void signal_setAbsoluteDispParams(int Axis, double disp);
    void signal_setJogParams(int Axis, double step, int count, int delay);
    void signal_setCircleParams(int Axis, int count, double disp, int delay);
    void signal_setTriggerParams(int Axis, int intput, int output);
    void signal_setMotorConfig(int ID, QString model, QString fileName);
    void signal_stopMotor(int Axis);
    void signal_startMotor(int Axis, int mode);
    void signal_home(int Axis);
    void signal_enableMotor(int Axis, bool enable);
    void signal_heartBeatInfo(CONTROLER_STATE state, int ret);
    void signal_setRockerEnabled(bool b);
    void signal_setPosConpenEnable(int Axis, bool b);

protected slots:
    void slot_getCurrentPos(int Axis);
    void slot_getCurrentState(int Axis);
    void slot_setSpeedParams(int Axis, double acc, double speed);
    void slot_setRelativeDispParams(int Axis, double disp, bool enable);
    void slot_setAbsoluteDispParams(int Axis, double disp);
    void slot_setJogParams(int Axis, double step, int count, int delay);
    void slot_setCircleParams(int Axis, int count, double disp, int delay);
    void slot_setTriggerParams(int Axis, int intput, int output);
    void slot_setMotorConfig(int ID, QString model, QString fileName);
    void slot_stopMotor(int Axis);
    void slot_startMotor(int Axis, int mode);
    void slot_homeMotor(int Axis);
    void slot_enableMotor(int Axis, bool enable);
    void slot_setRockerEnabled(bool b);
    void slot_setPosConpenEnable(int Axis, bool b);
    void slot_setTriggerInDisp(int Axis, double disp);

public slots:
    void slot_heartBeat();

private:
    enum class PollKind { Position, State };
    struct PollRequest {
        int axis = 0;
        PollKind kind = PollKind::Position;
        // Other requests emitted before this poll; a poll is a duplicate
        // only of one that no other request has overtaken since.
        quint64 requestsBefore = 0;
    };

    SerialComDev();
    void wireRequests();
    // Records a poll request unless the same one is still waiting with no
    // other request emitted since, so a slow or silent controller cannot pile
    // up stale polls, yet a poll after a command still reads after it.
    void enqueuePoll(int axis, PollKind kind);
    void noteRequest();
    // Serves the oldest waiting poll; re-posts itself behind any request
    // that arrived meanwhile, so polls never hold commands back.
    void serveNextPoll();

    void reportOperation(int axis, int result, int type, const QString &text);
    MotorDevInfo cachedRecord(int axis);
    static QString doubleText(double value);
    static QString textUntilZero(const char *buffer, int size);

    std::atomic<int> m_devId{0}; // read by currentDevId() from any thread
    bool m_connected = false;
    QMap<int, MotorDevInfo> m_motorInfoMap;
    QMap<int, int> m_autoDetectMap;

    mutable QMutex m_pollMutex;
    QList<PollRequest> m_pendingPolls;
    bool m_pollServicePosted = false;
    quint64 m_requestCount = 0; // non-poll requests emitted, under m_pollMutex
};

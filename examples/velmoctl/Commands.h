#pragma once
// The velmoctl commands, one function each. Every function opens the
// controller it needs through a ControllerSession and throws CommandError
// on failure.

#include "CommandRequest.h"
#include "MotionPoint.h"

#include "velmoLibrary.h"

#include <QJsonObject>
#include <QVector>

class ControllerSession;
class MotionTrace;
class Output;

class Commands
{
public:
    Commands(const CommandRequest &request, Output &output);

    // Runs the requested command; throws CommandError on failure.
    void run();

private:
    void listControllers();
    void showInfo(ControllerSession &session);
    void showPosition(ControllerSession &session);
    void showState(ControllerSession &session);
    void move(ControllerSession &session);
    void scan(ControllerSession &session, const QVector<MotionPoint> &points);
    void runFile(ControllerSession &session, const QVector<MotionPoint> &points);
    void startHoming(ControllerSession &session);
    void jog(ControllerSession &session);
    void drive(ControllerSession &session);
    void cycle(ControllerSession &session);
    void stop(ControllerSession &session);
    void enableMotor(ControllerSession &session);
    void getParams(ControllerSession &session);
    void setParams(ControllerSession &session, const QJsonObject &changes);

    // --id, or the first controller on the bus.
    int selectDeviceId() const;
    int readUnitType(ControllerSession &session, int axis) const;
    // Refuses the list before anything moves when a target lies outside its
    // axis's travel (unless --no-travel-check); `prefix` starts each message.
    void checkTravel(ControllerSession &session, const QVector<MotionPoint> &points, const QString &prefix);
    // Visits the points --repeat times, then prints the summary `result`.
    // trace, when given, records every reading taken while the axes move.
    void visitPoints(ControllerSession &session, const QVector<MotionPoint> &points, QJsonObject result,
                     MotionTrace *trace);
    // After a motion command was acknowledged: report it, or with --wait
    // follow the axis until it stops and report where.
    void finishMotion(ControllerSession &session, QJsonObject result, const QString &started);

    const CommandRequest &m_request;
    Output &m_output;
    int m_axis;
};

#include "Commands.h"

#include "CommandError.h"
#include "ControllerSession.h"
#include "MotionWaiter.h"
#include "MotorParamsJson.h"
#include "Output.h"
#include "PointFile.h"
#include "MotionTrace.h"
#include "PointRunner.h"
#include "ScanPoints.h"
#include "TravelCheck.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>
#include <QStringList>

#include <cstdio>

namespace {

QJsonObject stateJson(const MotorStageState &state)
{
    return QJsonObject{
        {QStringLiteral("isCanRun"), state.isCanRun != 0},
        {QStringLiteral("isStop"), state.isStop != 0},
        {QStringLiteral("isEnable"), state.isEnable != 0},
        {QStringLiteral("isHome"), state.isHome != 0},
        {QStringLiteral("isLeftLimit"), state.isLeftLimit != 0},
        {QStringLiteral("isRightLimit"), state.isRightLimit != 0},
        {QStringLiteral("isNegLimitFault"), state.isNegLimitFault != 0},
        {QStringLiteral("isPosLimitFault"), state.isPosLimitFault != 0},
        {QStringLiteral("isHomeFault"), state.isHomeFault != 0},
        {QStringLiteral("currentJog"), int(state.currentJog)},
    };
}

QStringList stateWords(const MotorStageState &state)
{
    QStringList words{
        state.isStop ? QStringLiteral("stopped") : QStringLiteral("moving"),
        state.isEnable ? QStringLiteral("motor enabled") : QStringLiteral("motor disabled"),
        state.isHome ? QStringLiteral("homed") : QStringLiteral("not homed"),
        state.isCanRun ? QStringLiteral("ready for motion commands") : QStringLiteral("not ready for motion commands"),
    };
    const QStringList warnings = MotionWaiter::stateWarnings(state);
    words += warnings.isEmpty() ? QStringList{QStringLiteral("no limit reached, no sensor fault")} : warnings;
    if (state.currentJog != 0)
        words.append(QStringLiteral("jog step %1").arg(state.currentJog));
    return words;
}

QString directionName(int direction)
{
    return direction == 1 ? QStringLiteral("positive") : QStringLiteral("negative");
}

QJsonObject readIdentity(ControllerSession &session)
{
    return QJsonObject{
        {QStringLiteral("id"), session.id()},
        {QStringLiteral("serialNumber"), session.controllerText(getDevSerialNumber, "getDevSerialNumber")},
        {QStringLiteral("modelName"), session.controllerText(getDevModelName, "getDevModelName")},
        {QStringLiteral("firmware"), session.controllerText(getDevSoftVersion, "getDevSoftVersion")},
        {QStringLiteral("axisCount"), session.axisCount()},
    };
}

QString identityLine(const QJsonObject &identity)
{
    return QStringLiteral("serial %1, model %2, firmware %3, %4 axes")
        .arg(identity.value(QStringLiteral("serialNumber")).toString(),
             identity.value(QStringLiteral("modelName")).toString(),
             identity.value(QStringLiteral("firmware")).toString())
        .arg(identity.value(QStringLiteral("axisCount")).toInt());
}

QByteArray readParamsSource(const QString &source)
{
    QFile file;
    const bool opened = source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                      : (file.setFileName(source), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw CommandError::usage(QStringLiteral("cannot read %1: %2").arg(source, file.errorString()));
    return file.readAll();
}

// Checks a parameter file completely before any controller is touched.
QJsonObject loadParamsChanges(const QString &source)
{
    const QString name = source == QLatin1String("-") ? QStringLiteral("standard input") : source;
    QJsonObject changes;
    const QString parseError = MotorParamsJson::parseObject(readParamsSource(source), &changes);
    if (!parseError.isEmpty())
        throw CommandError::usage(QStringLiteral("%1: %2").arg(name, parseError));
    MotorParams scratch{};
    const QStringList problems = MotorParamsJson::apply(changes, &scratch);
    if (!problems.isEmpty())
        throw CommandError::usage(QStringLiteral("%1: %2").arg(name, problems.join(QStringLiteral("; "))));
    return changes;
}

} // namespace

Commands::Commands(const CommandRequest &request, Output &output)
    : m_request(request), m_output(output), m_axis(request.axisOrDefault())
{
}

void Commands::run()
{
    const QString &command = m_request.command;
    if (command == QLatin1String("list")) {
        listControllers();
        return;
    }

    // Read and check the input file before the controller is opened.
    QJsonObject paramsChanges;
    if (command == QLatin1String("params") && m_request.paramsAction == QLatin1String("set"))
        paramsChanges = loadParamsChanges(m_request.paramsSource);
    QVector<MotionPoint> points;
    if (command == QLatin1String("scan")) {
        const QVector<double> positions = ScanPoints::compute(m_request.scanStart, m_request.scanStop, m_request.scanStep);
        for (double position : positions)
            points.append(MotionPoint{m_axis, position, std::nullopt, m_request.dwellMs, QString()});
    } else if (command == QLatin1String("run")) {
        points = PointFile::load(m_request.pointFile);
    }

    ControllerSession session(selectDeviceId());
    // A point file names its axes itself.
    if (command != QLatin1String("run") && (command != QLatin1String("info") || m_request.axis))
        session.requireAxis(m_axis);

    if (command == QLatin1String("info"))
        showInfo(session);
    else if (command == QLatin1String("pos"))
        showPosition(session);
    else if (command == QLatin1String("state"))
        showState(session);
    else if (command == QLatin1String("move"))
        move(session);
    else if (command == QLatin1String("scan"))
        scan(session, points);
    else if (command == QLatin1String("run"))
        runFile(session, points);
    else if (command == QLatin1String("home"))
        startHoming(session);
    else if (command == QLatin1String("jog"))
        jog(session);
    else if (command == QLatin1String("drive"))
        drive(session);
    else if (command == QLatin1String("cycle"))
        cycle(session);
    else if (command == QLatin1String("stop"))
        stop(session);
    else if (command == QLatin1String("enable"))
        enableMotor(session);
    else if (m_request.paramsAction == QLatin1String("get"))
        getParams(session);
    else
        setParams(session, paramsChanges);
}

int Commands::selectDeviceId() const
{
    if (m_request.deviceId)
        return *m_request.deviceId;
    const QList<int> ids = ControllerSession::listIds();
    if (ids.isEmpty())
        throw CommandError(CommandError::Failure, QStringLiteral("no controller found on the USB bus"));
    return ids.first();
}

int Commands::readUnitType(ControllerSession &session, int axis) const
{
    return session.check(getMotorUnitType(session.id(), axis), "getMotorUnitType", axis);
}

void Commands::listControllers()
{
    const QList<int> ids = ControllerSession::listIds();
    QJsonArray controllers;
    if (ids.isEmpty())
        m_output.line(QStringLiteral("no controllers found"));
    for (int id : ids) {
        // An id that cannot be opened (busy, not answering) is still listed.
        try {
            ControllerSession session(id);
            const QJsonObject identity = readIdentity(session);
            controllers.append(identity);
            m_output.line(QStringLiteral("%1  %2").arg(id).arg(identityLine(identity)));
        } catch (const CommandError &error) {
            controllers.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("error"), error.message()}});
            m_output.line(QStringLiteral("%1  (%2)").arg(id).arg(error.message()));
        }
    }
    m_output.object(QJsonObject{{QStringLiteral("controllers"), controllers}});
}

void Commands::showInfo(ControllerSession &session)
{
    const int id = session.id();
    QJsonObject result = readIdentity(session);

    CONTROLER_STATE rocker{};
    session.check(getRockerInfo(id, &rocker), "getRockerInfo");
    const int rockerSpeed = rocker.rockerSpeed;
    result.insert(QStringLiteral("joystick"), QJsonObject{{QStringLiteral("enabled"), rocker.rockerEnabled != 0},
                                                          {QStringLiteral("speed"), rockerSpeed}});

    m_output.line(QStringLiteral("controller %1").arg(id));
    m_output.line(QStringLiteral("  serial number  %1").arg(result.value(QStringLiteral("serialNumber")).toString()));
    m_output.line(QStringLiteral("  model          %1").arg(result.value(QStringLiteral("modelName")).toString()));
    m_output.line(QStringLiteral("  firmware       %1").arg(result.value(QStringLiteral("firmware")).toString()));
    m_output.line(QStringLiteral("  axes           %1").arg(session.axisCount()));
    m_output.line(QStringLiteral("  joystick       %1, speed %2")
                      .arg(rocker.rockerEnabled ? QStringLiteral("enabled") : QStringLiteral("disabled"))
                      .arg(rockerSpeed));

    const int first = m_request.axis ? m_axis : 0;
    const int last = m_request.axis ? m_axis : session.axisCount() - 1;
    QJsonArray axes;
    for (int axis = first; axis <= last; ++axis) {
        char detected = 0;
        session.check(getMotorAutoDetect(id, axis, &detected), "getMotorAutoDetect", axis);
        const QString model = session.axisText(getMotorModelName, "getMotorModelName", axis);
        const int unitType = readUnitType(session, axis);
        int status = 0;
        const double position = getCurrentPos(id, axis, &status);
        session.check(status, "getCurrentPos", axis);

        axes.append(QJsonObject{{QStringLiteral("axis"), axis},
                                {QStringLiteral("autoDetect"), int(detected)},
                                {QStringLiteral("modelName"), model},
                                {QStringLiteral("unitType"), unitType},
                                {QStringLiteral("unit"), Output::unit(unitType)},
                                {QStringLiteral("position"), position}});
        // Code 2: the stage identified itself through its programmed ID chip.
        const QString stage = detected == 2 ? QStringLiteral("stage identified") : QStringLiteral("no stage identified");
        m_output.line(QStringLiteral("axis %1").arg(axis));
        m_output.line(QStringLiteral("  auto-detect    %1 (code %2)").arg(stage).arg(int(detected)));
        m_output.line(QStringLiteral("  motor model    %1").arg(model.isEmpty() ? QStringLiteral("-") : model));
        m_output.line(QStringLiteral("  unit           %1").arg(Output::unit(unitType).toVariant().toString()));
        m_output.line(QStringLiteral("  position       %1").arg(Output::formatPosition(position, unitType)));
    }
    result.insert(QStringLiteral("axes"), axes);
    m_output.object(result);
}

void Commands::showPosition(ControllerSession &session)
{
    const int unitType = readUnitType(session, m_axis);
    double position = 0.0;
    if (m_request.watch) {
        MotionWaiter waiter(session, m_axis, unitType, m_output);
        position = waiter.waitUntilStopped(m_request.timeoutSeconds, MotionWaiter::Mode::Watch).position;
    } else {
        int status = 0;
        position = getCurrentPos(session.id(), m_axis, &status);
        session.check(status, "getCurrentPos", m_axis);
    }
    m_output.line(Output::formatPosition(position, unitType));
    m_output.object(QJsonObject{{QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis},
                                {QStringLiteral("position"), position},
                                {QStringLiteral("unit"), Output::unit(unitType)}});
}

void Commands::showState(ControllerSession &session)
{
    MotorStageState state{};
    session.check(getRuningState(session.id(), m_axis, &state), "getRuningState", m_axis);
    m_output.line(QStringLiteral("controller %1 axis %2:").arg(session.id()).arg(m_axis));
    const QStringList words = stateWords(state);
    for (const QString &word : words)
        m_output.line(QStringLiteral("  ") + word);
    m_output.object(QJsonObject{{QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis},
                                {QStringLiteral("state"), stateJson(state)}});
}

void Commands::move(ControllerSession &session)
{
    const int id = session.id();
    const double target = m_request.target;
    const int unitType = readUnitType(session, m_axis);
    if (m_request.travelCheck) {
        double destination = target;
        if (m_request.relative) {
            int status = 0;
            destination += getCurrentPos(id, m_axis, &status);
            session.check(status, "getCurrentPos", m_axis);
        }
        TravelCheck(session).require(m_axis, destination, unitType,
                                     m_request.relative ? QStringLiteral("destination") : QStringLiteral("target"));
    }
    if (m_request.speed)
        session.check(setSpeed(id, m_axis, *m_request.speed), "setSpeed", m_axis);
    if (m_request.acceleration)
        session.check(setAcceleration(id, m_axis, *m_request.acceleration), "setAcceleration", m_axis);
    // Relative mode is a controller setting that outlives this call: set it
    // either way so a previous relative move does not change this one.
    if (m_request.relative) {
        session.check(setRelativeDispEnable(id, m_axis, 1), "setRelativeDispEnable", m_axis);
        session.check(setRelativeDisp(id, m_axis, target), "setRelativeDisp", m_axis);
    } else {
        session.check(setRelativeDispEnable(id, m_axis, 0), "setRelativeDispEnable", m_axis);
        session.check(setTargetPos(id, m_axis, target), "setTargetPos", m_axis);
    }
    session.check(startMove(id, m_axis), "startMove", m_axis);

    const QString started = m_request.relative
        ? QStringLiteral("moving by %1").arg(Output::formatPosition(target, unitType))
        : QStringLiteral("moving to %1").arg(Output::formatPosition(target, unitType));
    finishMotion(session,
                 QJsonObject{{QStringLiteral("command"), QStringLiteral("move")},
                             {QStringLiteral("target"), target},
                             {QStringLiteral("relative"), m_request.relative}},
                 started);
}

void Commands::checkTravel(ControllerSession &session, const QVector<MotionPoint> &points, const QString &prefix)
{
    if (!m_request.travelCheck)
        return;
    TravelCheck check(session);
    QMap<int, int> unitTypes;
    for (int index = 0; index < points.size(); ++index) {
        const MotionPoint &point = points.at(index);
        if (!unitTypes.contains(point.axis))
            unitTypes.insert(point.axis, readUnitType(session, point.axis));
        const QString label = point.source.isEmpty() ? QStringLiteral("point %1").arg(index) : point.source;
        check.require(point.axis, point.position, unitTypes.value(point.axis), prefix + label);
    }
}

void Commands::visitPoints(ControllerSession &session, const QVector<MotionPoint> &points, QJsonObject result,
                           MotionTrace *trace)
{
    PointRunner runner(session, m_output, m_request.timeoutSeconds);
    runner.setTrace(trace);
    const qint64 reached = runner.run(points, m_request.repeat);
    m_output.line(QStringLiteral("controller %1: %2 points reached").arg(session.id()).arg(reached));
    result.insert(QStringLiteral("id"), session.id());
    result.insert(QStringLiteral("points"), points.size());
    result.insert(QStringLiteral("passes"), m_request.repeat);
    result.insert(QStringLiteral("reached"), reached);
    m_output.object(result);
}

void Commands::scan(ControllerSession &session, const QVector<MotionPoint> &points)
{
    const int id = session.id();
    // The record's file is opened before anything is sent, and what was
    // recorded is written however the scan ends.
    QSaveFile csv(m_request.csvFile);
    const bool recording = !m_request.csvFile.isEmpty();
    if (recording && !csv.open(QIODevice::WriteOnly))
        throw CommandError(CommandError::Failure,
                           QStringLiteral("cannot write %1: %2").arg(m_request.csvFile, csv.errorString()));

    checkTravel(session, points, QString());
    if (m_request.speed)
        session.check(setSpeed(id, m_axis, *m_request.speed), "setSpeed", m_axis);
    if (m_request.acceleration)
        session.check(setAcceleration(id, m_axis, *m_request.acceleration), "setAcceleration", m_axis);

    const int unitType = readUnitType(session, m_axis);
    QString plan = QStringLiteral("controller %1 axis %2: %3 points from %4 to %5")
                       .arg(id)
                       .arg(m_axis)
                       .arg(points.size())
                       .arg(Output::formatPosition(points.first().position, unitType),
                            Output::formatPosition(points.last().position, unitType));
    if (m_request.repeat > 1)
        plan += QStringLiteral(", %1 passes").arg(m_request.repeat);
    m_output.line(plan);
    const QJsonObject result{{QStringLiteral("command"), QStringLiteral("scan")}, {QStringLiteral("axis"), m_axis}};
    if (!recording) {
        visitPoints(session, points, result, nullptr);
        return;
    }

    MotionTrace trace;
    trace.setUnit(Output::unit(unitType).toString());
    try {
        visitPoints(session, points, result, &trace);
    } catch (const CommandError &error) {
        if (trace.writeCsv(&csv) && csv.commit())
            throw;
        // The scan's own failure stays the reason; the lost record is added.
        throw CommandError(error.status(),
                           QStringLiteral("%1; cannot write %2: %3").arg(error.message(), m_request.csvFile, csv.errorString()),
                           error.libraryCode());
    }
    if (!trace.writeCsv(&csv) || !csv.commit())
        throw CommandError(CommandError::Failure,
                           QStringLiteral("cannot write %1: %2").arg(m_request.csvFile, csv.errorString()));
}

void Commands::runFile(ControllerSession &session, const QVector<MotionPoint> &points)
{
    const QString name = m_request.pointFile == QLatin1String("-") ? QStringLiteral("standard input") : m_request.pointFile;
    const int count = session.axisCount();
    for (const MotionPoint &point : points) {
        if (point.axis >= count)
            throw CommandError::usage(QStringLiteral("%1: %2: controller %3 has no axis %4 (it has %5)")
                                          .arg(name, point.source)
                                          .arg(session.id())
                                          .arg(point.axis)
                                          .arg(count > 0 ? QStringLiteral("axes 0 to %1").arg(count - 1)
                                                         : QStringLiteral("no axes")));
    }
    checkTravel(session, points, name + QStringLiteral(": "));

    QSet<int> axes;
    for (const MotionPoint &point : points)
        axes.insert(point.axis);
    QString plan = QStringLiteral("controller %1: %2 points on %3 axes from %4")
                       .arg(session.id())
                       .arg(points.size())
                       .arg(axes.size())
                       .arg(name);
    if (m_request.repeat > 1)
        plan += QStringLiteral(", %1 passes").arg(m_request.repeat);
    m_output.line(plan);
    visitPoints(session, points,
                QJsonObject{{QStringLiteral("command"), QStringLiteral("run")}, {QStringLiteral("file"), name}}, nullptr);
}

void Commands::startHoming(ControllerSession &session)
{
    session.check(::home(session.id(), m_axis), "home", m_axis);
    finishMotion(session, QJsonObject{{QStringLiteral("command"), QStringLiteral("home")}}, QStringLiteral("homing"));
}

void Commands::jog(ControllerSession &session)
{
    const int id = session.id();
    if (m_request.step)
        session.check(setJogStep(id, m_axis, *m_request.step), "setJogStep", m_axis);
    if (m_request.count)
        session.check(setJogCount(id, m_axis, *m_request.count), "setJogCount", m_axis);
    if (m_request.delayMs)
        session.check(setJogDelay(id, m_axis, *m_request.delayMs), "setJogDelay", m_axis);
    session.check(startJog(id, m_axis, m_request.direction), "startJog", m_axis);
    finishMotion(session,
                 QJsonObject{{QStringLiteral("command"), QStringLiteral("jog")},
                             {QStringLiteral("direction"), directionName(m_request.direction)}},
                 QStringLiteral("jogging in the %1 direction").arg(directionName(m_request.direction)));
}

void Commands::drive(ControllerSession &session)
{
    session.check(startDrive(session.id(), m_axis, m_request.direction), "startDrive", m_axis);
    finishMotion(session,
                 QJsonObject{{QStringLiteral("command"), QStringLiteral("drive")},
                             {QStringLiteral("direction"), directionName(m_request.direction)}},
                 QStringLiteral("driving in the %1 direction").arg(directionName(m_request.direction)));
}

void Commands::cycle(ControllerSession &session)
{
    const int id = session.id();
    if (m_request.displacement)
        session.check(setCircleDisp(id, m_axis, *m_request.displacement), "setCircleDisp", m_axis);
    if (m_request.count)
        session.check(setCircleCount(id, m_axis, *m_request.count), "setCircleCount", m_axis);
    if (m_request.delayMs)
        session.check(setCircleDelay(id, m_axis, *m_request.delayMs), "setCircleDelay", m_axis);
    session.check(startCircle(id, m_axis, m_request.direction), "startCircle", m_axis);
    finishMotion(session,
                 QJsonObject{{QStringLiteral("command"), QStringLiteral("cycle")},
                             {QStringLiteral("direction"), directionName(m_request.direction)}},
                 QStringLiteral("cycling, first in the %1 direction").arg(directionName(m_request.direction)));
}

void Commands::finishMotion(ControllerSession &session, QJsonObject result, const QString &started)
{
    const QString where = QStringLiteral("controller %1 axis %2").arg(session.id()).arg(m_axis);
    result.insert(QStringLiteral("id"), session.id());
    result.insert(QStringLiteral("axis"), m_axis);
    if (!m_request.wait) {
        result.insert(QStringLiteral("started"), true);
        m_output.line(QStringLiteral("%1: %2").arg(where, started));
        m_output.object(result);
        return;
    }

    m_output.line(QStringLiteral("%1: %2").arg(where, started));
    const int unitType = readUnitType(session, m_axis);
    MotionWaiter waiter(session, m_axis, unitType, m_output);
    const MotionWaiter::Stopped stopped = waiter.waitUntilStopped(m_request.timeoutSeconds, MotionWaiter::Mode::AfterStart);

    const QStringList warnings = MotionWaiter::stateWarnings(stopped.state);
    QString line = QStringLiteral("%1 stopped at %2").arg(where, Output::formatPosition(stopped.position, unitType));
    if (!warnings.isEmpty())
        line += QStringLiteral(" (%1)").arg(warnings.join(QStringLiteral(", ")));
    m_output.line(line);

    result.insert(QStringLiteral("position"), stopped.position);
    result.insert(QStringLiteral("unit"), Output::unit(unitType));
    result.insert(QStringLiteral("state"), stateJson(stopped.state));
    m_output.object(result);
}

void Commands::stop(ControllerSession &session)
{
    session.check(stopRuning(session.id(), m_axis), "stopRuning", m_axis);
    m_output.line(QStringLiteral("controller %1 axis %2: stop sent").arg(session.id()).arg(m_axis));
    m_output.object(QJsonObject{{QStringLiteral("command"), QStringLiteral("stop")},
                                {QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis}});
}

void Commands::enableMotor(ControllerSession &session)
{
    const bool enable = m_request.enable;
    session.check(setMotorEnable(session.id(), m_axis, enable ? 1 : 0), "setMotorEnable", m_axis);
    m_output.line(QStringLiteral("controller %1 axis %2: motor %3")
                      .arg(session.id())
                      .arg(m_axis)
                      .arg(enable ? QStringLiteral("enabled") : QStringLiteral("disabled")));
    m_output.object(QJsonObject{{QStringLiteral("command"), QStringLiteral("enable")},
                                {QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis},
                                {QStringLiteral("enabled"), enable}});
}

void Commands::getParams(ControllerSession &session)
{
    MotorParams params{};
    const int result = getMotorParams(session.id(), m_axis, &params);
    if (result != 0)
        throw CommandError(CommandError::Failure,
                           session.failureText("getMotorParams", m_axis) + QLatin1Char(' ')
                               + MotorParamsJson::describeStepFailure(result),
                           result);

    if (m_request.file.isEmpty()) {
        // The block itself, so that the output can be edited and fed to "params set".
        m_output.raw(m_output.isJson() ? QJsonDocument(MotorParamsJson::toJson(params)).toJson(QJsonDocument::Compact)
                                       : MotorParamsJson::toText(params));
        return;
    }

    QSaveFile file(m_request.file);
    if (!file.open(QIODevice::WriteOnly) || file.write(MotorParamsJson::toText(params)) < 0 || !file.commit())
        throw CommandError(CommandError::Failure, QStringLiteral("cannot write %1: %2").arg(m_request.file, file.errorString()));
    m_output.line(QStringLiteral("motor parameters of controller %1 axis %2 written to %3")
                      .arg(session.id())
                      .arg(m_axis)
                      .arg(m_request.file));
    m_output.object(QJsonObject{{QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis},
                                {QStringLiteral("file"), m_request.file}});
}

void Commands::setParams(ControllerSession &session, const QJsonObject &changes)
{
    // Start from what the controller has, so a file may name just a few fields.
    MotorParams current{};
    const int readResult = getMotorParams(session.id(), m_axis, &current);
    if (readResult != 0)
        throw CommandError(CommandError::Failure,
                           session.failureText("getMotorParams", m_axis) + QLatin1Char(' ')
                               + MotorParamsJson::describeStepFailure(readResult),
                           readResult);
    MotorParams updated = current;
    const QStringList problems = MotorParamsJson::apply(changes, &updated);
    if (!problems.isEmpty()) // checked before opening; kept for safety
        throw CommandError::usage(problems.join(QStringLiteral("; ")));

    const QJsonObject before = MotorParamsJson::toJson(current);
    const QJsonObject after = MotorParamsJson::toJson(updated);
    QJsonArray changed;
    QStringList changedNames;
    const QStringList names = MotorParamsJson::fieldNames();
    for (const QString &name : names) {
        if (before.value(name) != after.value(name)) {
            changed.append(name);
            changedNames.append(name);
        }
    }

    const QString where = QStringLiteral("controller %1 axis %2").arg(session.id()).arg(m_axis);
    if (changedNames.isEmpty()) {
        // Nothing differs: spare the ID chip a write.
        m_output.line(QStringLiteral("motor parameters of %1 already as given; nothing written").arg(where));
    } else {
        const int writeResult = setMotorParams(session.id(), m_axis, updated);
        if (writeResult != 0)
            throw CommandError(CommandError::Failure,
                               session.failureText("setMotorParams", m_axis) + QLatin1Char(' ')
                                   + MotorParamsJson::describeStepFailure(writeResult),
                               writeResult);
        m_output.line(QStringLiteral("motor parameters of %1 written; changed: %2")
                          .arg(where, changedNames.join(QStringLiteral(", "))));
    }
    m_output.object(QJsonObject{{QStringLiteral("id"), session.id()},
                                {QStringLiteral("axis"), m_axis},
                                {QStringLiteral("changed"), changed},
                                {QStringLiteral("written"), !changedNames.isEmpty()}});
}

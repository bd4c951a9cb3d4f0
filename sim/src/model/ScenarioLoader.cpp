#include "ScenarioLoader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

AxisConfig linearStage()
{
    AxisConfig axis;
    AxisParameters &p = axis.parameters;
    p.setText(P_ModelName, QByteArrayLiteral("VLS-50"));
    p.setText(P_SerialNumber, QByteArrayLiteral("L50-00017"));
    p.setInteger(P_Pulse, 12800);
    p.setReal(P_HelicalPitch, 1.0);
    p.setReal(P_RestoreSpeed, 2.0);
    p.setInteger(P_MotorType, 0);
    p.setInteger(P_UnitType, 0);
    p.setText(P_OptOrder, QByteArrayLiteral("NZP"));
    p.setReal(P_MaxSpeed, 10.0);
    p.setReal(P_MaxAcc, 50.0);
    p.setReal(P_MinPos, 0.0);
    p.setReal(P_MaxPos, 50.0);
    p.setInteger(P_ZoptWidth, 10);
    p.setInteger(P_OptNum, 3);
    p.setInteger(P_ReturnTrip, 4);
    p.setInteger(P_MotorPhase, 2);
    p.setInteger(P_ModifyDate, 20240115);
    p.setReal(P_MaxRockerSpeed, 5.0);
    axis.chip = true;
    axis.position = 10.0;
    return axis;
}

AxisConfig rotationStage()
{
    AxisConfig axis;
    AxisParameters &p = axis.parameters;
    p.setText(P_ModelName, QByteArrayLiteral("VRS-360"));
    p.setText(P_SerialNumber, QByteArrayLiteral("R360-00042"));
    p.setInteger(P_Pulse, 12800);
    p.setReal(P_HelicalPitch, 4.0); // degrees per motor turn through the worm gear
    p.setReal(P_RestoreSpeed, 10.0);
    p.setInteger(P_MotorType, 1);
    p.setInteger(P_UnitType, 1);
    p.setText(P_OptOrder, QByteArrayLiteral("Z"));
    p.setReal(P_MaxSpeed, 30.0);
    p.setReal(P_MaxAcc, 100.0);
    p.setReal(P_MinPos, 0.0);
    p.setReal(P_MaxPos, 360.0);
    p.setInteger(P_ZoptWidth, 5);
    p.setInteger(P_OptNum, 1);
    p.setInteger(P_ReturnTrip, 2);
    p.setInteger(P_MotorPhase, 2);
    p.setInteger(P_ModifyDate, 20240302);
    p.setReal(P_MaxRockerSpeed, 20.0);
    axis.chip = true;
    axis.position = 90.0;
    return axis;
}

ControllerConfig defaultController()
{
    ControllerConfig controller;
    controller.axes = {linearStage(), rotationStage(), AxisConfig()};
    return controller;
}

} // namespace

ScenarioConfig ScenarioLoader::defaultScenario()
{
    ScenarioConfig config;
    config.controllers.push_back(defaultController());
    return config;
}

bool ScenarioLoader::applyStagePreset(const QString &name, AxisConfig *axis)
{
    if (name == QLatin1String("VLS-50"))
        *axis = linearStage();
    else if (name == QLatin1String("VRS-360"))
        *axis = rotationStage();
    else
        return false;
    return true;
}

void ScenarioLoader::problem(const QString &where, const QString &text)
{
    m_problems->append(where.isEmpty() ? text : where + QStringLiteral(": ") + text);
}

void ScenarioLoader::checkKeys(const QJsonObject &object, const QString &where, const QStringList &known)
{
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!known.contains(it.key()))
            problem(where, QStringLiteral("unknown key \"%1\" ignored").arg(it.key()));
    }
}

bool ScenarioLoader::readNumber(const QJsonObject &object, const char *name, const QString &where, double *value,
                                double low, double high)
{
    const QJsonValue v = object.value(key(name));
    if (v.isUndefined())
        return false;
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < low || v.toDouble() > high) {
        problem(where, QStringLiteral("\"%1\" must be a number from %2 to %3; default kept").arg(key(name)).arg(low).arg(high));
        return false;
    }
    *value = v.toDouble();
    return true;
}

bool ScenarioLoader::readInt(const QJsonObject &object, const char *name, const QString &where, int *value, int low,
                             int high)
{
    const QJsonValue v = object.value(key(name));
    if (v.isUndefined())
        return false;
    bool ok = false;
    qlonglong number = 0;
    if (v.isDouble()) {
        const double d = v.toDouble();
        ok = std::floor(d) == d && std::fabs(d) < 1e15;
        if (ok) // converting a value out of range would be undefined
            number = static_cast<qlonglong>(d);
    } else if (v.isString()) {
        // Hexadecimal ids and codes read better as "0x4306".
        number = v.toString().toLongLong(&ok, 0);
    }
    if (!ok || number < low || number > high) {
        problem(where, QStringLiteral("\"%1\" must be an integer from %2 to %3; default kept").arg(key(name)).arg(low).arg(high));
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool ScenarioLoader::readBool(const QJsonObject &object, const char *name, const QString &where, bool *value)
{
    const QJsonValue v = object.value(key(name));
    if (v.isUndefined())
        return false;
    if (!v.isBool()) {
        problem(where, QStringLiteral("\"%1\" must be true or false; default kept").arg(key(name)));
        return false;
    }
    *value = v.toBool();
    return true;
}

bool ScenarioLoader::readText(const QJsonObject &object, const char *name, const QString &where, QByteArray *value)
{
    const QJsonValue v = object.value(key(name));
    if (v.isUndefined())
        return false;
    if (!v.isString()) {
        problem(where, QStringLiteral("\"%1\" must be a string; default kept").arg(key(name)));
        return false;
    }
    *value = v.toString().toLatin1().left(32);
    return true;
}

bool ScenarioLoader::readPortPath(const QJsonObject &object, const QString &where, std::vector<int> *path)
{
    const QJsonValue v = object.value(QStringLiteral("portPath"));
    if (v.isUndefined())
        return false;
    const QJsonArray ports = v.toArray();
    bool ok = v.isArray() && ports.size() <= 7;
    std::vector<int> result;
    for (const QJsonValue &port : ports) {
        const double d = port.toDouble(-1);
        if (!port.isDouble() || std::floor(d) != d || d < 1 || d > 255) {
            ok = false; // and no conversion: out of range it is undefined
            break;
        }
        result.push_back(static_cast<int>(d));
    }
    if (!ok) {
        problem(where, QStringLiteral("\"portPath\" must be an array of up to 7 port numbers from 1 to 255; default kept"));
        return false;
    }
    *path = result;
    return true;
}

AxisConfig ScenarioLoader::readAxis(const QJsonObject &object, const QString &where)
{
    AxisConfig axis;
    const QJsonValue stage = object.value(QStringLiteral("stage"));
    if (!stage.isUndefined() && !(stage.isString() && applyStagePreset(stage.toString(), &axis)))
        problem(where, QStringLiteral("\"stage\" must be \"VLS-50\" or \"VRS-360\"; axis left blank"));

    QStringList known{QStringLiteral("stage"), QStringLiteral("chip"), QStringLiteral("position"),
                      QStringLiteral("enabled"), QStringLiteral("homed"), QStringLiteral("negativeLimitFault"),
                      QStringLiteral("homeFault"), QStringLiteral("positiveLimitFault")};
    readBool(object, "chip", where, &axis.chip);
    readNumber(object, "position", where, &axis.position, -1e9, 1e9);
    readBool(object, "enabled", where, &axis.enabled);
    readBool(object, "homed", where, &axis.homed);
    readBool(object, "negativeLimitFault", where, &axis.negativeLimitFault);
    readBool(object, "homeFault", where, &axis.homeFault);
    readBool(object, "positiveLimitFault", where, &axis.positiveLimitFault);
    for (int i = 0; i < P_Count; ++i) {
        const ParamInfo &info = ParameterCatalogue::info(static_cast<ParamId>(i));
        const QString name = key(info.name);
        known << name;
        if (!object.contains(name))
            continue;
        QString error;
        if (!axis.parameters.fromJson(info.id, object.value(name), &error))
            problem(where, error + QStringLiteral("; default kept"));
    }
    checkKeys(object, where, known);
    return axis;
}

void ScenarioLoader::readFaults(const QJsonObject &object, const QString &where, ControllerConfig *controller)
{
    checkKeys(object, where, {QStringLiteral("openFail"), QStringLiteral("claimFail"), QStringLiteral("stallOnce"),
                              QStringLiteral("replies")});
    const QJsonValue openFail = object.value(QStringLiteral("openFail"));
    if (openFail.isString() && openFail.toString() == QLatin1String("once"))
        controller->openFail = 1;
    else if (openFail.isString() && openFail.toString() == QLatin1String("always"))
        controller->openFail = -1;
    else if (!openFail.isUndefined() && !openFail.isString())
        readInt(object, "openFail", where, &controller->openFail, -1, 1000000);
    else if (!openFail.isUndefined())
        problem(where, QStringLiteral("\"openFail\" must be \"once\", \"always\" or a count; no open fails"));
    readBool(object, "claimFail", where, &controller->claimFail);
    readBool(object, "stallOnce", where, &controller->stallOnce);

    const QJsonValue replies = object.value(QStringLiteral("replies"));
    if (replies.isUndefined())
        return;
    if (!replies.isArray()) {
        problem(where, QStringLiteral("\"replies\" must be an array of {\"kind\", \"code\", \"count\"}"));
        return;
    }
    int index = 0;
    for (const QJsonValue &entry : replies.toArray()) {
        const QString at = where + QStringLiteral(".replies[%1]").arg(index++);
        const QJsonObject fault = entry.toObject();
        checkKeys(fault, at, {QStringLiteral("kind"), QStringLiteral("code"), QStringLiteral("count")});
        ArmedFault armed;
        if (!fault.value(QStringLiteral("kind")).isString()
            || !ReplyShaper::kindFromName(fault.value(QStringLiteral("kind")).toString(), &armed.kind)) {
            problem(at, QStringLiteral("unknown \"kind\"; fault ignored (kinds: noReply, lateReply, wrongLength, "
                                       "badChecksum, checksumNoMagic, status, garbageBefore, garbageBetween, split, "
                                       "twoInOneRead, otherAxis)"));
            continue;
        }
        armed.code = 0;
        armed.count = -1;
        readInt(fault, "code", at, &armed.code, 0, 0xFFFF);
        readInt(fault, "count", at, &armed.count, -1, 1000000);
        controller->replyFaults.push_back(armed);
    }
}

ControllerConfig ScenarioLoader::readController(const QJsonObject &object, const QString &where)
{
    ControllerConfig controller = defaultController();
    checkKeys(object, where,
              {QStringLiteral("portPath"), QStringLiteral("bus"), QStringLiteral("serialNumber"),
               QStringLiteral("firmware"), QStringLiteral("modelName"), QStringLiteral("axes"),
               QStringLiteral("deviceNameReplyBytes"), QStringLiteral("plugged"), QStringLiteral("extraEndpoints"),
               QStringLiteral("kernelDriverActive"), QStringLiteral("latency"), QStringLiteral("joystick"),
               QStringLiteral("faults")});
    readPortPath(object, where, &controller.portPath);
    readInt(object, "bus", where, &controller.bus, 1, 255);
    readText(object, "serialNumber", where, &controller.serialNumber);
    readText(object, "firmware", where, &controller.firmware);
    readText(object, "modelName", where, &controller.modelName);
    readInt(object, "deviceNameReplyBytes", where, &controller.deviceNameReplyBytes, 0, 64);
    readBool(object, "plugged", where, &controller.plugged);
    readBool(object, "extraEndpoints", where, &controller.extraEndpoints);
    readBool(object, "kernelDriverActive", where, &controller.kernelDriverActive);
    readNumber(object, "latency", where, &controller.latencyMs, 0.0, 60000.0);

    const QJsonValue axes = object.value(QStringLiteral("axes"));
    if (axes.isDouble()) {
        int count = 0;
        if (readInt(object, "axes", where, &count, 1, 16))
            controller.axes.assign(static_cast<std::size_t>(count), AxisConfig());
    } else if (axes.isArray() && !axes.toArray().isEmpty() && axes.toArray().size() <= 16) {
        controller.axes.clear();
        int index = 0;
        for (const QJsonValue &axis : axes.toArray()) {
            const QString at = where + QStringLiteral(".axes[%1]").arg(index++);
            if (!axis.isObject())
                problem(at, QStringLiteral("must be an object; blank axis used"));
            controller.axes.push_back(readAxis(axis.toObject(), at));
        }
    } else if (!axes.isUndefined()) {
        problem(where, QStringLiteral("\"axes\" must be a count from 1 to 16 or an array of 1 to 16 axis objects; default kept"));
    }

    const QJsonValue joystick = object.value(QStringLiteral("joystick"));
    if (joystick.isObject()) {
        const QJsonObject j = joystick.toObject();
        const QString at = where + QStringLiteral(".joystick");
        checkKeys(j, at, {QStringLiteral("present"), QStringLiteral("enabled"), QStringLiteral("speed")});
        readBool(j, "present", at, &controller.joystickPresent);
        readBool(j, "enabled", at, &controller.joystickEnabled);
        readInt(j, "speed", at, &controller.joystickSpeed, 0, 0xFFFF);
    } else if (!joystick.isUndefined()) {
        problem(where, QStringLiteral("\"joystick\" must be an object; default kept"));
    }

    const QJsonValue faults = object.value(QStringLiteral("faults"));
    if (faults.isObject())
        readFaults(faults.toObject(), where + QStringLiteral(".faults"), &controller);
    else if (!faults.isUndefined())
        problem(where, QStringLiteral("\"faults\" must be an object; no faults armed"));
    return controller;
}

PlainDeviceConfig ScenarioLoader::readPlainDevice(const QJsonObject &object, const QString &where, bool hub)
{
    PlainDeviceConfig device;
    device.portPath = {1};
    if (hub) {
        device.vendorId = 0x05E3; // a common four-port hub
        device.productId = 0x0610;
        device.deviceClass = 9;
    } else {
        device.vendorId = 0x046D;
        device.productId = 0xC077;
    }
    checkKeys(object, where, {QStringLiteral("portPath"), QStringLiteral("bus"), QStringLiteral("vendorId"),
                              QStringLiteral("productId"), QStringLiteral("deviceClass")});
    readPortPath(object, where, &device.portPath);
    readInt(object, "bus", where, &device.bus, 1, 255);
    readInt(object, "vendorId", where, &device.vendorId, 0, 0xFFFF);
    readInt(object, "productId", where, &device.productId, 0, 0xFFFF);
    readInt(object, "deviceClass", where, &device.deviceClass, 0, 0xFF);
    return device;
}

bool ScenarioLoader::parse(const QByteArray &json, ScenarioConfig *config, QStringList *problems)
{
    *config = defaultScenario();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        problems->append(QStringLiteral("not valid JSON at offset %1: %2; built-in default used")
                             .arg(error.offset).arg(error.errorString()));
        return false;
    }
    if (!document.isObject()) {
        problems->append(QStringLiteral("the scenario must be a JSON object; built-in default used"));
        return false;
    }
    const int problemsBefore = problems->size();
    ScenarioLoader loader(problems);
    const QJsonObject root = document.object();
    const QString top;
    loader.checkKeys(root, top, {QStringLiteral("latency"), QStringLiteral("timeScale"), QStringLiteral("stateFile"),
                                 QStringLiteral("rootHubs"), QStringLiteral("controllers"),
                                 QStringLiteral("otherDevices"), QStringLiteral("hubs")});
    loader.readNumber(root, "latency", top, &config->latencyMs, 0.0, 60000.0);
    loader.readNumber(root, "timeScale", top, &config->timeScale, 0.001, 100000.0);
    loader.readBool(root, "rootHubs", top, &config->rootHubs);
    QByteArray stateFile;
    if (loader.readText(root, "stateFile", top, &stateFile))
        config->stateFile = root.value(QStringLiteral("stateFile")).toString();

    auto readList = [&](const char *name, auto &&readOne) {
        const QJsonValue list = root.value(key(name));
        if (list.isUndefined())
            return false;
        if (!list.isArray()) {
            loader.problem(top, QStringLiteral("\"%1\" must be an array; default kept").arg(key(name)));
            return false;
        }
        int index = 0;
        for (const QJsonValue &entry : list.toArray()) {
            const QString at = QStringLiteral("%1[%2]").arg(key(name)).arg(index++);
            if (!entry.isObject())
                loader.problem(at, QStringLiteral("must be an object; defaults used"));
            readOne(entry.toObject(), at);
        }
        return true;
    };

    std::vector<ControllerConfig> controllers;
    if (readList("controllers", [&](const QJsonObject &o, const QString &at) {
            controllers.push_back(loader.readController(o, at));
        }))
        config->controllers = controllers;
    readList("otherDevices", [&](const QJsonObject &o, const QString &at) {
        config->otherDevices.push_back(loader.readPlainDevice(o, at, false));
    });
    readList("hubs", [&](const QJsonObject &o, const QString &at) {
        config->hubs.push_back(loader.readPlainDevice(o, at, true));
    });

    // Two devices cannot sit on the same port.
    for (std::size_t i = 0; i < config->controllers.size(); ++i) {
        for (std::size_t j = i + 1; j < config->controllers.size(); ++j) {
            if (config->controllers[i].portPath == config->controllers[j].portPath
                && config->controllers[i].bus == config->controllers[j].bus)
                loader.problem(QStringLiteral("controllers[%1]").arg(j),
                               QStringLiteral("same bus and port path as controllers[%1]").arg(i));
        }
    }
    return problems->size() == problemsBefore;
}

#include "StageCatalogue.h"
#include "AppLogCategories.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace {

// Whole JSON numbers only: strings, fractions and out-of-range values give 0.
// (QJsonValue::toInt would cast out-of-range doubles, which is undefined.)
qint32 readInt(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return 0;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number)
        || number < double(std::numeric_limits<qint32>::min())
        || number > double(std::numeric_limits<qint32>::max()))
        return 0;
    return static_cast<qint32>(number);
}

double readDouble(const QJsonObject &object, const QString &key)
{
    return object.value(key).toDouble(0.0);
}

float readFloat(const QJsonObject &object, const QString &key)
{
    const double number = readDouble(object, key);
    // Values beyond single precision would be undefined to narrow.
    if (std::fabs(number) > double(std::numeric_limits<float>::max()))
        return 0.0f;
    return static_cast<float>(number);
}

QString readText(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString();
}

} // namespace

StageCatalogue::StageCatalogue()
{
    registerVelmoDevParamMetaType();
}

QString StageCatalogue::defaultPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/deviceModelsParam");
}

bool StageCatalogue::loadFile(const QString &path)
{
    qCDebug(lcApp) << "loadModelsData" << path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcApp) << "open file error";
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcApp) << "loadModelsData parse error" << error.error;
        return false;
    }
    return loadJson(document);
}

bool StageCatalogue::loadJson(const QJsonDocument &document)
{
    const QJsonObject top = document.object(); // empty for arrays and null documents
    if (top.isEmpty()) {
        qCDebug(lcApp) << "loadModelsJson: empty top-level object, catalogue kept";
        return false;
    }

    m_lineModels.clear();
    m_rotationModels.clear();
    m_angularModels.clear();
    m_liftingModels.clear();
    m_modelParams.clear();

    const QJsonArray models = top.value(QStringLiteral("VelmoModels")).toArray();
    for (const QJsonValue &entry : models) {
        const QJsonObject object = entry.toObject();
        if (object.isEmpty())
            continue;
        const VelmoDevParam param = paramFromJson(object);
        // A repeated name: the later entry wins in the map, but the name is
        // listed again under its own type.
        m_modelParams.insert(param.name, param);
        switch (param.moveType) {
        case Linear: m_lineModels.append(param.name); break;
        case Rotation: m_rotationModels.append(param.name); break;
        case Angular: m_angularModels.append(param.name); break;
        case Lifting: m_liftingModels.append(param.name); break;
        default: break; // kept for lookups, never offered
        }
    }
    return true;
}

VelmoDevParam StageCatalogue::paramFromJson(const QJsonObject &object)
{
    VelmoDevParam p;
    p.name = readText(object, QStringLiteral("name"));
    p.reservedText = QString(0, QChar());
    p.pulseOneCircle = readInt(object, QStringLiteral("pulseOneCircle"));
    p.dispOneCircle = readFloat(object, QStringLiteral("dispOneCircle"));
    p.restoreSpeed = readFloat(object, QStringLiteral("restoreSpeed"));
    p.AxisType = readInt(object, QStringLiteral("AxisType"));
    p.positivePolarity = readInt(object, QStringLiteral("positivePolarity"));
    p.negativePolarity = readInt(object, QStringLiteral("negativePolarity"));
    p.originPolarity = readInt(object, QStringLiteral("originPolarity"));
    p.phaseDirction = readInt(object, QStringLiteral("phaseDirction"));
    p.originSigID = readInt(object, QStringLiteral("originSigID"));
    p.unitString = readText(object, QStringLiteral("unitString"));
    p.moveType = readInt(object, QStringLiteral("moveType"));
    p.limitDirection = readInt(object, QStringLiteral("limitDirection"));
    p.optOrder = readText(object, QStringLiteral("optOrder"));
    p.maxSpeed = readDouble(object, QStringLiteral("maxSpeed"));
    p.maxAcc = readDouble(object, QStringLiteral("maxAcc"));
    p.minPos = readDouble(object, QStringLiteral("minPos"));
    p.maxPos = readDouble(object, QStringLiteral("maxPos"));
    p.zeroOptWidth = readInt(object, QStringLiteral("zeroOptWidth"));
    p.optNum = readInt(object, QStringLiteral("optNum"));
    p.returnTrip = readInt(object, QStringLiteral("returnTrip"));
    p.motorPhase = readInt(object, QStringLiteral("motorPhase"));
    p.modifyDate = readInt(object, QStringLiteral("modifyDate"));
    p.maxRockerSpeed = readDouble(object, QStringLiteral("maxRockerSpeed"));
    return p;
}

QStringList StageCatalogue::modelsOfType(int moveType) const
{
    switch (moveType) {
    case Linear: return m_lineModels;
    case Rotation: return m_rotationModels;
    case Angular: return m_angularModels;
    case Lifting: return m_liftingModels;
    default: return {};
    }
}

std::optional<VelmoDevParam> StageCatalogue::findModel(const QString &name, int moveType) const
{
    const auto it = m_modelParams.constFind(name);
    if (it == m_modelParams.constEnd() || it->moveType != moveType)
        return std::nullopt;
    return *it;
}

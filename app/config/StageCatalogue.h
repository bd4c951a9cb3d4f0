#pragma once

#include "VelmoDevParam.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class QJsonDocument;
class QJsonObject;

// The stage model catalogue read from the "deviceModelsParam" file: model
// names grouped by stage type plus one record per name. A successful load
// replaces the whole catalogue; a failed one leaves the previous one alone.
class StageCatalogue
{
public:
    enum StageType { Linear = 0, Rotation = 1, Angular = 2, Lifting = 3 };

    StageCatalogue();

    // applicationDirPath() + "/deviceModelsParam"
    static QString defaultPath();

    // Reads and parses the file. Returns false (catalogue untouched) when the
    // file cannot be opened, is not valid JSON or has an empty top level.
    bool loadFile(const QString &path);
    // Fills the lists and the map from a parsed document; false and untouched
    // when the top level is not a non-empty object.
    bool loadJson(const QJsonDocument &document);

    // One record from a model object; missing or mistyped keys give 0, 0.0
    // or an empty text.
    static VelmoDevParam paramFromJson(const QJsonObject &object);

    const QStringList &lineModels() const { return m_lineModels; }
    const QStringList &rotationModels() const { return m_rotationModels; }
    const QStringList &angularModels() const { return m_angularModels; }
    const QStringList &liftingModels() const { return m_liftingModels; }
    // The list of one stage type; empty for codes outside 0..3.
    QStringList modelsOfType(int moveType) const;
    const QMap<QString, VelmoDevParam> &modelParams() const { return m_modelParams; }

    // A copy of the record stored under name, only if its moveType equals
    // moveType. A name listed under one type whose record was replaced by a
    // later entry of another type yields nothing.
    std::optional<VelmoDevParam> findModel(const QString &name, int moveType) const;

private:
    QStringList m_lineModels;
    QStringList m_rotationModels;
    QStringList m_angularModels;
    QStringList m_liftingModels;
    QMap<QString, VelmoDevParam> m_modelParams;
};

// Reads a scenario (JSON text) into a ScenarioConfig. Mistyped or unknown
// keys are reported and replaced by their defaults; text that is not a JSON
// object yields the built-in default bus.
#ifndef VELMO_SIM_SCENARIOLOADER_H
#define VELMO_SIM_SCENARIOLOADER_H

#include "ScenarioConfig.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

class ScenarioLoader
{
public:
    // One controller on port 1-4 with a linear stage, a rotation stage and an
    // unidentified third axis.
    static ScenarioConfig defaultScenario();

    // Returns false when anything was wrong; problems are listed in `problems`.
    static bool parse(const QByteArray &json, ScenarioConfig *config, QStringList *problems);

    // Stage presets usable as "stage" in an axis object.
    static bool applyStagePreset(const QString &name, AxisConfig *axis);

private:
    explicit ScenarioLoader(QStringList *problems) : m_problems(problems) {}

    ControllerConfig readController(const QJsonObject &object, const QString &where);
    AxisConfig readAxis(const QJsonObject &object, const QString &where);
    PlainDeviceConfig readPlainDevice(const QJsonObject &object, const QString &where, bool hub);
    void readFaults(const QJsonObject &object, const QString &where, ControllerConfig *controller);

    bool readNumber(const QJsonObject &object, const char *key, const QString &where, double *value, double low,
                    double high);
    bool readInt(const QJsonObject &object, const char *key, const QString &where, int *value, int low, int high);
    bool readBool(const QJsonObject &object, const char *key, const QString &where, bool *value);
    bool readText(const QJsonObject &object, const char *key, const QString &where, QByteArray *value);
    bool readPortPath(const QJsonObject &object, const QString &where, std::vector<int> *path);
    void checkKeys(const QJsonObject &object, const QString &where, const QStringList &known);
    void problem(const QString &where, const QString &text);

    QStringList *m_problems;
};

#endif

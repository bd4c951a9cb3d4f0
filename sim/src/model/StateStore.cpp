#include "StateStore.h"

#include "ControllerModel.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

bool StateStore::restore(const std::vector<std::shared_ptr<ControllerModel>> &controllers, QString *problem) const
{
    if (!isEnabled())
        return true;
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot read state file %1: %2").arg(m_path, file.errorString());
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonValue saved = document.object().value(QStringLiteral("controllers"));
    if (error.error != QJsonParseError::NoError || !document.isObject() || !saved.isObject()) {
        *problem = QStringLiteral("state file %1 is broken (%2); ignored")
                       .arg(m_path, error.error != QJsonParseError::NoError ? error.errorString()
                                                                            : QStringLiteral("no controllers object"));
        return false;
    }
    QString warnings;
    for (const std::shared_ptr<ControllerModel> &controller : controllers) {
        const QJsonValue state = saved.toObject().value(controller->portPathText());
        if (state.isObject())
            controller->restoreState(state.toObject(), &warnings);
    }
    if (!warnings.isEmpty()) {
        *problem = QStringLiteral("state file %1: %2").arg(m_path, warnings.trimmed());
        return false;
    }
    return true;
}

bool StateStore::save(const std::vector<std::shared_ptr<ControllerModel>> &controllers, QString *problem) const
{
    if (!isEnabled())
        return true;
    QJsonObject saved;
    for (const std::shared_ptr<ControllerModel> &controller : controllers)
        saved.insert(controller->portPathText(), controller->saveState());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        *problem = QStringLiteral("cannot write state file %1: %2").arg(m_path, file.errorString());
        return false;
    }
    const QJsonObject root{{QStringLiteral("format"), 1}, {QStringLiteral("controllers"), saved}};
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *problem = QStringLiteral("cannot write state file %1: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}

// The controllers' flash across runs: what the host wrote (identity texts,
// motor parameter blocks, settings) is kept in a JSON file, keyed by bus and
// port path, and restored when the bus is loaded again.
#ifndef VELMO_SIM_STATESTORE_H
#define VELMO_SIM_STATESTORE_H

#include <QJsonObject>
#include <QString>

#include <memory>
#include <vector>

class ControllerModel;

class StateStore
{
public:
    explicit StateStore(const QString &path) : m_path(path) {}

    bool isEnabled() const { return !m_path.isEmpty(); }

    // Applies the saved state to the matching controllers. A missing file is
    // a first run; a broken one is reported in `problem` and ignored.
    bool restore(const std::vector<std::shared_ptr<ControllerModel>> &controllers, QString *problem) const;

    // Replaces the file atomically; a reader never sees half a file.
    bool save(const std::vector<std::shared_ptr<ControllerModel>> &controllers, QString *problem) const;

private:
    QString m_path;
};

#endif

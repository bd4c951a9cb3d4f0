// Runs velmo-tango without a database against the virtual controller, with
// the virtual controller's control socket, for tests and benchmarks.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>

class TangoServerProcess
{
public:
    // scenario: JSON for the virtual controller, empty for its default.
    explicit TangoServerProcess(const QString &scenario = QString());
    ~TangoServerProcess();

    // Starts the server on a free port and waits until it serves requests.
    bool start(QString *error);
    // Ends it with SIGTERM as a user's Ctrl+C would; false when it does not
    // exit cleanly within the time.
    bool stop(int *exitCode = nullptr);

    // tango://127.0.0.1:<port>/<name>#dbase=no
    std::string url(const std::string &deviceName) const;
    QString controlSocket() const;
    QString output();

private:
    QString m_scenario;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QByteArray m_output;
};

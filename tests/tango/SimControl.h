// A client of the virtual controller's control socket: one command line out,
// one reply line back.
#pragma once

#include <QByteArray>
#include <QString>

class SimControl
{
public:
    explicit SimControl(const QString &socketPath);
    ~SimControl();

    // The reply's value for "ok <value>"; an empty text for a bare "ok".
    // Sets *failed (when given) and returns the reply for anything else.
    QByteArray command(const QByteArray &line, bool *failed = nullptr);
    // command() that must succeed, as a number.
    long long number(const QByteArray &line);
    // The controller's written request frames, oldest first.
    QByteArray frame(int deviceId, int index);

private:
    bool connectSocket();

    QString m_path;
    int m_fd = -1;
    QByteArray m_pending;
};

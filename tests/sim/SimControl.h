// A client of the virtual controller's control socket ($VELMO_SIM_CONTROL):
// one command line out, one reply line back; raw text for framing tests.
#pragma once

#include <QByteArray>
#include <QString>

class SimControl
{
public:
    explicit SimControl(const QString &socketPath);
    ~SimControl();

    // Connects now if not yet connected; false when nobody listens.
    bool connectSocket();
    // Sends text as it is (no line end added).
    bool send(const QByteArray &text);
    // The next reply line without its line end, or an "error ..." text when
    // none comes within 10 s or the connection ended.
    QByteArray readLine();
    // One command and its whole reply line ("ok 1", "error ...").
    QByteArray ask(const QByteArray &line);

    // The reply's value for "ok <value>"; an empty text for a bare "ok".
    // Sets *failed (when given) and returns the reply for anything else.
    QByteArray command(const QByteArray &line, bool *failed = nullptr);
    // command() that must succeed, as a number.
    long long number(const QByteArray &line);
    // The controller's written request frames, oldest first.
    QByteArray frame(int deviceId, int index);

private:
    QString m_path;
    int m_fd = -1;
    QByteArray m_pending;
};

#pragma once
// Where results go: lines for people, or with --json one JSON object on
// stdout (scan and run: one per point reached, then the summary, each on its
// own line). Failures always go to stderr.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

class CommandError;

class Output
{
public:
    explicit Output(bool json);

    bool isJson() const { return m_json; }

    // A line for people; nothing in JSON mode. Flushed at once so that
    // progress shows up while an axis moves.
    void line(const QString &text);
    // The result object; only in JSON mode.
    void object(const QJsonObject &result);
    // Bytes written to stdout as they are, in either mode.
    void raw(const QByteArray &bytes);

    // "velmoctl: <message>" on stderr; in JSON mode also {"error": ...} on stdout.
    void failure(const CommandError &error);
    // Unit of an axis by its unitType: "mm", "°", or the number itself.
    static QJsonValue unit(int unitType);
    // A position with three decimals and its unit: "2.000 mm", "90.000°".
    static QString formatPosition(double position, int unitType);

    // Help text (stdout) or the short usage hint after a usage error (stderr).
    static void printHelp(bool toStderr);

private:
    bool m_json;
};

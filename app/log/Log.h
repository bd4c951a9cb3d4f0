#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// The program's log file. startAppLog() installs a Qt message handler that
// passes every message on to the handler it replaces (the console shows what
// it showed before) and writes those at or above the chosen level to
// <folder>/<application name>.log, one record a line:
//
//   2026-12-08 10:52:04.123 W velmo.usb: text
//
// The file is rotated before it would grow past kMaxFileBytes, keeping
// kKeptFiles older ones (<file>.1 the newest), so disk use stays bounded.
// Messages may come from any thread. One Log owns the handler at a time;
// destroying it restores the previous handler before the file is closed.
// Failures to create the folder or open the file only turn file logging off.
class Log
{
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    static constexpr int kKeptFiles = 4;

    Log();
    ~Log();
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // name: written on the file's start line. level: lowest severity written
    // to the file (0 debug, 1 info, 2 warning, 3 critical, 4 fatal; clamped).
    // folder: where the file goes; empty means the user's data folder
    // (AppDataLocation), created when missing. Called after startAppLog(),
    // it switches to the new file.
    void creatLogger(const QString &name, const int &level, const QString &folder);

    // Installs the handler and writes the start line (name, application name
    // and version, pid). Without creatLogger() it uses name "app", level 1 and
    // the data folder. A second call does nothing.
    void startAppLog();

    // The file being written; empty while file logging is off.
    QString filePath() const;

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);
    static void forward(QtMsgType type, const QMessageLogContext &context, const QString &message);
    static void warnThroughPrevious(const QString &message);

    // The helpers below run with the handler mutex held.
    void openFile();
    void closeFile();
    void writeRecord(int severity, const char *category, const QString &message);
    void writeBytes(QByteArray record, bool flush);
    bool rotate();

    QString m_name = QStringLiteral("app");
    int m_level = 1;
    QString m_folder;
    QFile m_file;
    qint64 m_size = 0;
    bool m_started = false;
};

#include "Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QMutex>
#include <QStandardPaths>

#include <atomic>

namespace {

// Guards activeLog and everything the active Log does with its file. Static,
// so that a handler call racing with ~Log never touches a freed mutex.
QBasicMutex handlerMutex;
Log *activeLog = nullptr;
std::atomic<QtMessageHandler> previousHandler{nullptr};

// Set while this thread holds handlerMutex: a message raised from inside
// (by Qt or by the previous handler) then goes only to the previous
// handler instead of dead-locking on the mutex.
thread_local bool holdingHandlerMutex = false;

class HandlerLock
{
public:
    HandlerLock()
    {
        handlerMutex.lock();
        holdingHandlerMutex = true;
    }
    ~HandlerLock()
    {
        holdingHandlerMutex = false;
        handlerMutex.unlock();
    }
    HandlerLock(const HandlerLock &) = delete;
    HandlerLock &operator=(const HandlerLock &) = delete;
};

constexpr int kFatalSeverity = 4;
constexpr int kFlushSeverity = 2; // warnings and worse reach the disk at once

int severityOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return 0;
    case QtInfoMsg: return 1;
    case QtWarningMsg: return 2;
    case QtCriticalMsg: return 3;
    case QtFatalMsg: return kFatalSeverity;
    }
    return 2;
}

QLatin1Char letterOf(int severity)
{
    static const char letters[] = {'D', 'I', 'W', 'C', 'F'};
    return QLatin1Char(letters[qBound(0, severity, kFatalSeverity)]);
}

QByteArray formatRecord(int severity, const QString &category, const QString &message)
{
    QString text = message;
    // One record a line, whatever the message holds.
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    const QString time =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return (time + QLatin1Char(' ') + letterOf(severity) + QLatin1Char(' ') + category + QLatin1String(": ") + text
            + QLatin1Char('\n'))
        .toUtf8();
}

// A record longer than a whole file is cut (on a character boundary) so
// that no file ever grows past the limit.
void capRecord(QByteArray &record)
{
    if (record.size() <= Log::kMaxFileBytes)
        return;
    static const QByteArray cutMark("...\n");
    int end = int(Log::kMaxFileBytes) - cutMark.size();
    while (end > 0 && (uchar(record.at(end)) & 0xC0) == 0x80)
        --end; // never split a UTF-8 sequence
    record.truncate(end);
    record.append(cutMark);
}

QString rotatedName(const QString &path, int index)
{
    return path + QLatin1Char('.') + QString::number(index);
}

} // namespace

Log::Log() = default;

Log::~Log()
{
    HandlerLock lock;
    if (activeLog == this) {
        activeLog = nullptr;
        // Put the previous handler back, unless someone installed another
        // one on top of ours since: theirs stays (calls reaching us from it
        // are passed on to the previous handler).
        const QtMessageHandler current = qInstallMessageHandler(previousHandler.load());
        if (current != &Log::handleMessage)
            qInstallMessageHandler(current);
    }
    closeFile();
}

void Log::creatLogger(const QString &name, const int &level, const QString &folder)
{
    HandlerLock lock;
    m_name = name.isEmpty() ? QStringLiteral("app") : name;
    m_level = qBound(0, level, kFatalSeverity);
    m_folder = folder;
    if (m_started && activeLog == this) {
        closeFile();
        openFile();
    }
}

void Log::startAppLog()
{
    HandlerLock lock;
    if (m_started)
        return;
    if (activeLog) {
        warnThroughPrevious(QStringLiteral("log: %1 already receives the messages; a second log stays off")
                                .arg(activeLog->m_file.fileName()));
        return;
    }
    m_started = true;
    activeLog = this;
    const QtMessageHandler previous = qInstallMessageHandler(&Log::handleMessage);
    // Ours may still be in a chain left by an earlier Log; never forward to
    // ourselves.
    if (previous != &Log::handleMessage)
        previousHandler.store(previous);
    openFile();
}

QString Log::filePath() const
{
    HandlerLock lock;
    return m_file.isOpen() ? m_file.fileName() : QString();
}

void Log::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!holdingHandlerMutex) {
        HandlerLock lock;
        if (activeLog) {
            const char *category = context.category ? context.category : "default";
            activeLog->writeRecord(severityOf(type), category, message);
        }
    }
    // After the file, so that a fatal message is on disk before the previous
    // handler (and Qt after it) ends the program.
    forward(type, context, message);
}

void Log::forward(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (const QtMessageHandler previous = previousHandler.load())
        previous(type, context, message);
}

void Log::warnThroughPrevious(const QString &message)
{
    const QMessageLogContext context(nullptr, 0, nullptr, "default");
    forward(QtWarningMsg, context, message);
}

void Log::openFile()
{
    QString folder = m_folder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty()) {
        warnThroughPrevious(QStringLiteral("log: no user data folder; file logging is off"));
        return;
    }
    if (!QDir().mkpath(folder)) {
        warnThroughPrevious(QStringLiteral("log: cannot create the folder %1; file logging is off").arg(folder));
        return;
    }
    QString fileName = QCoreApplication::applicationName();
    if (fileName.isEmpty())
        fileName = QStringLiteral("velmo");
    m_file.setFileName(QDir(folder).absoluteFilePath(fileName + QStringLiteral(".log")));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        warnThroughPrevious(QStringLiteral("log: cannot open %1 (%2); file logging is off")
                                .arg(m_file.fileName(), m_file.errorString()));
        return;
    }
    m_size = m_file.size();

    const QString application =
        (QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()).trimmed();
    const QString start = QStringLiteral("start of %1, pid %2").arg(application).arg(QCoreApplication::applicationPid());
    writeBytes(formatRecord(1, m_name, start), true);
}

void Log::closeFile()
{
    if (m_file.isOpen())
        m_file.close();
    m_size = 0;
}

void Log::writeRecord(int severity, const char *category, const QString &message)
{
    if (severity < m_level || !m_file.isOpen())
        return;
    writeBytes(formatRecord(severity, QString::fromUtf8(category), message), severity >= kFlushSeverity);
}

void Log::writeBytes(QByteArray record, bool flush)
{
    if (!m_file.isOpen())
        return;
    capRecord(record);
    if (m_size > 0 && m_size + record.size() > kMaxFileBytes && !rotate())
        return;
    const qint64 written = m_file.write(record);
    if (written != record.size()) {
        warnThroughPrevious(QStringLiteral("log: cannot write %1 (%2); file logging is off")
                                .arg(m_file.fileName(), m_file.errorString()));
        closeFile();
        return;
    }
    m_size += written;
    if (flush)
        m_file.flush();
}

bool Log::rotate()
{
    const QString path = m_file.fileName();
    m_file.close();
    QFile::remove(rotatedName(path, kKeptFiles));
    for (int index = kKeptFiles - 1; index >= 1; --index)
        QFile::rename(rotatedName(path, index), rotatedName(path, index + 1));
    // Should the file not move aside, start it over: its size stays bounded.
    const bool movedAside = QFile::rename(path, rotatedName(path, 1));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | (movedAside ? QIODevice::Append : QIODevice::Truncate))) {
        warnThroughPrevious(
            QStringLiteral("log: cannot reopen %1 (%2); file logging is off").arg(path, m_file.errorString()));
        m_size = 0;
        return false;
    }
    m_size = 0;
    return true;
}

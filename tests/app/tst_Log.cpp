// The log file: record format and start line, the level filter, the data
// folder default, rotation under load from several threads, failures that
// only turn file logging off, handing the message handler back (also while
// other threads are logging) and a fatal message reaching the disk.

#include "Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// Stands in for the console: the handler the log replaces.
std::atomic<int> forwardedCount{0};
QMutex forwardedMutex;
QStringList forwardedWarnings;

void consoleStandIn(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    ++forwardedCount;
    if (type == QtWarningMsg) {
        QMutexLocker lock(&forwardedMutex);
        forwardedWarnings << message;
    }
}

// A handler someone installs on top of the log's, passing messages on.
std::atomic<int> outerCount{0};
QtMessageHandler outerNext = nullptr;

void outerHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    ++outerCount;
    outerNext(type, context, message);
}

// time, severity letter, category, text
const QRegularExpression recordPattern(
    QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) ([DIWCF]) ([^ :]+): (.*)$"));

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString severityLetters(const QStringList &records)
{
    QString letters;
    for (const QString &line : records)
        letters += recordPattern.match(line).captured(2);
    return letters;
}

// The file name the log uses in this folder.
QString logFileIn(const QString &folder)
{
    return QDir(folder).absoluteFilePath(QCoreApplication::applicationName() + QStringLiteral(".log"));
}

// Run in a child process: a fatal message ends the program.
const char fatalFolderVariable[] = "VELMO_LOG_FATAL_FOLDER";

int runFatalChild(const QString &folder)
{
    Log log;
    log.creatLogger(QStringLiteral("fatal"), 1, folder);
    log.startAppLog();
    qInfo("buffered before the end");
    qFatal("motor %d lost", 3);
    return 0;
}

} // namespace

class tst_Log : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileStartsWithStartLineThenRecords();
    void levelFilter_data();
    void levelFilter();
    void defaultsUseTheDataFolder();
    void secondStartAndSecondLogChangeNothing();

    void rotationUnderLoadFromSeveralThreads();
    void oversizedRecordIsCutToFitAFile();

    void unusableFolderWarnsOnce_data();
    void unusableFolderWarnsOnce();

    void destructionRestoresPreviousHandler();
    void destructionWhileThreadsLog();
    void fatalMessageIsOnDiskBeforeTheEnd();

private:
    QtMessageHandler m_testHandler = nullptr;
    QLoggingCategory m_category{"velmo.usb"};
};

void tst_Log::init()
{
    forwardedCount = 0;
    forwardedWarnings.clear();
    outerCount = 0;
    m_category.setEnabled(QtDebugMsg, true); // whatever QT_LOGGING_RULES says
    m_testHandler = qInstallMessageHandler(consoleStandIn);
}

void tst_Log::cleanup()
{
    qInstallMessageHandler(m_testHandler);
}

void tst_Log::fileStartsWithStartLineThenRecords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path;
    const QDateTime before = QDateTime::currentDateTime();
    {
        Log log;
        QCOMPARE(log.filePath(), QString()); // nothing written before the start
        log.creatLogger(QStringLiteral("option"), 0, dir.path());
        log.startAppLog();
        path = log.filePath();
        qCWarning(m_category, "axis %d stalled", 2);
        qInfo("plain info");
        qDebug("first\nsecond\r\nthird");
        qCritical("reply %s", "missing");
    }
    const QDateTime after = QDateTime::currentDateTime();
    QCOMPARE(path, logFileIn(dir.path()));

    const QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 5);
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = recordPattern.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        // Local time, to the millisecond.
        const QDateTime time = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QVERIFY2(time.isValid() && time >= before.addMSecs(-1) && time <= after, qPrintable(line));
    }

    const QRegularExpressionMatch start = recordPattern.match(lines.at(0));
    QCOMPARE(start.captured(3), QStringLiteral("option"));
    const QString startText = start.captured(4);
    QVERIFY2(startText.contains(QCoreApplication::applicationName()), qPrintable(startText));
    QVERIFY2(startText.contains(QCoreApplication::applicationVersion()), qPrintable(startText));
    QVERIFY2(startText.contains(QStringLiteral("pid %1").arg(QCoreApplication::applicationPid())),
             qPrintable(startText));

    QCOMPARE(lines.at(1).mid(24), QStringLiteral("W velmo.usb: axis 2 stalled"));
    QCOMPARE(lines.at(2).mid(24), QStringLiteral("I default: plain info"));
    QCOMPARE(lines.at(3).mid(24), QStringLiteral("D default: first\\nsecond\\r\\nthird"));
    QCOMPARE(lines.at(4).mid(24), QStringLiteral("C default: reply missing"));
    // The console still received every message.
    QCOMPARE(forwardedCount.load(), 4);
}

void tst_Log::levelFilter_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("written");
    QTest::newRow("below debug clamps") << -5 << QStringLiteral("DIWC");
    QTest::newRow("debug") << 0 << QStringLiteral("DIWC");
    QTest::newRow("info") << 1 << QStringLiteral("IWC");
    QTest::newRow("warning") << 2 << QStringLiteral("WC");
    QTest::newRow("critical") << 3 << QStringLiteral("C");
    QTest::newRow("fatal only") << 4 << QString();
    QTest::newRow("above fatal clamps") << 9 << QString();
}

void tst_Log::levelFilter()
{
    QFETCH(int, level);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        Log log;
        log.creatLogger(QStringLiteral("level"), level, dir.path());
        log.startAppLog();
        qCDebug(m_category, "d");
        qCInfo(m_category, "i");
        qCWarning(m_category, "w");
        qCCritical(m_category, "c");
    }
    const QStringList lines = readLines(logFileIn(dir.path()));
    QVERIFY(!lines.isEmpty());
    QCOMPARE(severityLetters(lines.mid(1)), written);
    QCOMPARE(forwardedCount.load(), 4);
}

void tst_Log::defaultsUseTheDataFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/share")));
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QString path;
    {
        Log log;
        log.startAppLog();
        path = log.filePath();
        qCDebug(m_category, "not at the default level");
        qCInfo(m_category, "at the default level");
    }
    if (hadDataHome)
        qputenv("XDG_DATA_HOME", savedDataHome);
    else
        qunsetenv("XDG_DATA_HOME");

    QVERIFY2(dataFolder.startsWith(dir.path() + QStringLiteral("/share/")), qPrintable(dataFolder));
    QCOMPARE(path, logFileIn(dataFolder));
    const QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(recordPattern.match(lines.at(0)).captured(3), QStringLiteral("app"));
    QCOMPARE(lines.at(1).mid(24), QStringLiteral("I velmo.usb: at the default level"));
}

void tst_Log::secondStartAndSecondLogChangeNothing()
{
    QTemporaryDir dir;
    QTemporaryDir otherDir;
    QVERIFY(dir.isValid() && otherDir.isValid());
    {
        Log log;
        log.creatLogger(QStringLiteral("twice"), 1, dir.path());
        log.startAppLog();
        log.startAppLog();

        Log second;
        second.creatLogger(QStringLiteral("second"), 0, otherDir.path());
        second.startAppLog();
        QCOMPARE(second.filePath(), QString());
        QCOMPARE(forwardedWarnings.size(), 1);
        QVERIFY2(forwardedWarnings.first().contains(log.filePath()), qPrintable(forwardedWarnings.first()));

        qWarning("once");
    }
    const QStringList lines = readLines(logFileIn(dir.path()));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).mid(24), QStringLiteral("W default: once"));
    QVERIFY(!QFile::exists(logFileIn(otherDir.path())));
    // Passed on exactly once: no handler chained to itself.
    QCOMPARE(forwardedCount.load(), 2);
}

void tst_Log::rotationUnderLoadFromSeveralThreads()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const int threadCount = 4;
    const QByteArray padding(40, 'x');
    // About 100 bytes a record: some 6 MiB in all, more than the files keep.
    const int perThread = int(6 * 1024 * 1024 / 100 / threadCount);
    {
        Log log;
        log.creatLogger(QStringLiteral("load"), 1, dir.path());
        log.startAppLog();
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back(QThread::create([this, t, perThread, &padding] {
                for (int i = 0; i < perThread; ++i) {
                    if (i % 500 == 0) // some flushed ones among the buffered
                        qCWarning(m_category, "thread %d line %06d %s", t, i, padding.constData());
                    else
                        qCInfo(m_category, "thread %d line %06d %s", t, i, padding.constData());
                }
            }));
        }
        for (auto &thread : threads)
            thread->start();
        for (auto &thread : threads)
            QVERIFY(thread->wait(120000));
    }
    QCOMPARE(forwardedCount.load(), threadCount * perThread);

    const QString path = logFileIn(dir.path());
    QStringList expectedFiles{QFileInfo(path).fileName()};
    for (int index = 1; index <= Log::kKeptFiles; ++index)
        expectedFiles << QFileInfo(path).fileName() + QLatin1Char('.') + QString::number(index);
    QStringList present = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    expectedFiles.sort();
    QCOMPARE(present, expectedFiles);

    // Oldest first: .4, .3, .2, .1, then the current file.
    QStringList files;
    for (int index = Log::kKeptFiles; index >= 1; --index)
        files << path + QLatin1Char('.') + QString::number(index);
    files << path;

    const QRegularExpression loadText(QStringLiteral("^thread (\\d) line (\\d{6}) x{40}$"));
    QVector<int> next(threadCount, -1); // the index each thread's next line must carry
    int records = 0;
    for (const QString &file : files) {
        const qint64 size = QFileInfo(file).size();
        QVERIFY2(size <= Log::kMaxFileBytes, qPrintable(file));
        if (file != path) {
            // Rotated only when the next record no longer fitted.
            QVERIFY2(size > Log::kMaxFileBytes - 200, qPrintable(file));
        }
        for (const QString &line : readLines(file)) {
            const QRegularExpressionMatch record = recordPattern.match(line);
            QVERIFY2(record.hasMatch(), qPrintable(file + QStringLiteral(": ") + line));
            if (record.captured(3) == QLatin1String("load"))
                continue; // the start line
            const QRegularExpressionMatch text = loadText.match(record.captured(4));
            QVERIFY2(text.hasMatch(), qPrintable(line)); // torn or mixed
            const int thread = text.captured(1).toInt();
            const int index = text.captured(2).toInt();
            QVERIFY(thread >= 0 && thread < threadCount);
            // Only the oldest lines may be gone; after the first kept one of
            // a thread, every later one follows in order.
            if (next[thread] >= 0)
                QCOMPARE(index, next[thread]);
            next[thread] = index + 1;
            ++records;
        }
    }
    int expectedRecords = 0;
    for (int t = 0; t < threadCount; ++t) {
        QCOMPARE(next[t], perThread); // each thread's last line is there
        expectedRecords += perThread;
    }
    QVERIFY(records < expectedRecords); // the oldest went with the fifth file
}

void tst_Log::oversizedRecordIsCutToFitAFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Three bytes a character in UTF-8, so the cut falls inside one.
    const QString huge(int(Log::kMaxFileBytes / 3) + 1000, QChar(0x4E2D));
    {
        Log log;
        log.creatLogger(QStringLiteral("huge"), 1, dir.path());
        log.startAppLog();
        qWarning("%s", huge.toUtf8().constData());
        qWarning("after");
    }
    // Neither the start line before it nor the line after it fit beside
    // the cut record: it fills a file of its own.
    const QString path = logFileIn(dir.path());
    QCOMPARE(recordPattern.match(readLines(path + QStringLiteral(".2")).value(0)).captured(3),
             QStringLiteral("huge"));
    const qint64 cutSize = QFileInfo(path + QStringLiteral(".1")).size();
    QVERIFY2(cutSize <= Log::kMaxFileBytes && cutSize > Log::kMaxFileBytes - 4, qPrintable(QString::number(cutSize)));
    const QStringList cut = readLines(path + QStringLiteral(".1"));
    QCOMPARE(cut.size(), 1);
    QVERIFY(recordPattern.match(cut.first()).hasMatch());
    QVERIFY(cut.first().endsWith(QLatin1String("...")));
    QVERIFY(!cut.first().contains(QChar(QChar::ReplacementCharacter))); // no split character
    QVERIFY(cut.first().count(QChar(0x4E2D)) > Log::kMaxFileBytes / 3 - 100); // cut no shorter than needed
    const QStringList after = readLines(path);
    QCOMPARE(after.size(), 1);
    QCOMPARE(after.first().mid(24), QStringLiteral("W default: after"));
}

void tst_Log::unusableFolderWarnsOnce_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("folder under a regular file") << QStringLiteral("file");
    QTest::newRow("file name taken by a folder") << QStringLiteral("folder");
}

void tst_Log::unusableFolderWarnsOnce()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString folder;
    QString named;
    if (obstacle == QLatin1String("file")) {
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        folder = plain.fileName() + QStringLiteral("/logs");
        named = folder;
    } else {
        folder = dir.path();
        named = logFileIn(folder);
        QVERIFY(QDir().mkpath(named));
    }
    Log log;
    log.creatLogger(QStringLiteral("broken"), 0, folder);
    log.startAppLog();
    QCOMPARE(log.filePath(), QString());
    QCOMPARE(forwardedWarnings.size(), 1);
    QVERIFY2(forwardedWarnings.first().contains(named), qPrintable(forwardedWarnings.first()));

    // The console goes on, without further complaints.
    qWarning("still shown");
    qCCritical(m_category, "also shown");
    QCOMPARE(forwardedWarnings, QStringList({forwardedWarnings.first(), QStringLiteral("still shown")}));
    QCOMPARE(forwardedCount.load(), 3);
}

void tst_Log::destructionRestoresPreviousHandler()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        Log log;
        log.creatLogger(QStringLiteral("restore"), 1, dir.path());
        log.startAppLog();
        qWarning("while alive");
    }
    qWarning("after the end");
    const QtMessageHandler current = qInstallMessageHandler(consoleStandIn);
    QVERIFY(current == &consoleStandIn);
    const QStringList lines = readLines(logFileIn(dir.path()));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).mid(24), QStringLiteral("W default: while alive"));
    QCOMPARE(forwardedWarnings, QStringList({QStringLiteral("while alive"), QStringLiteral("after the end")}));

    // A handler installed on top of the log's stays; messages it still
    // passes to the log's go straight on to the console.
    QTemporaryDir otherDir;
    QVERIFY(otherDir.isValid());
    {
        Log log;
        log.creatLogger(QStringLiteral("covered"), 1, otherDir.path());
        log.startAppLog();
        outerNext = qInstallMessageHandler(outerHandler);
        qWarning("through both");
    }
    qWarning("log gone");
    const QtMessageHandler top = qInstallMessageHandler(consoleStandIn);
    QVERIFY(top == &outerHandler);
    QCOMPARE(outerCount.load(), 2);
    QCOMPARE(forwardedWarnings.mid(2), QStringList({QStringLiteral("through both"), QStringLiteral("log gone")}));
    QCOMPARE(readLines(logFileIn(otherDir.path())).size(), 2);
}

void tst_Log::destructionWhileThreadsLog()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto log = std::make_unique<Log>();
    log->creatLogger(QStringLiteral("racing"), 1, dir.path());
    log->startAppLog();

    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([this, t, &stop, &sent] {
            for (int i = 0; !stop; ++i) {
                qCWarning(m_category, "thread %d line %d", t, i);
                ++sent;
            }
        }));
        threads.back()->start();
    }
    QTRY_VERIFY(sent > 2000);
    log.reset(); // with messages arriving from every thread
    const int sentAtEnd = sent;
    QTRY_VERIFY(sent > sentAtEnd + 2000);
    stop = true;
    for (auto &thread : threads)
        QVERIFY(thread->wait(30000));

    QCOMPARE(forwardedCount.load(), sent.load());
    const QStringList lines = readLines(logFileIn(dir.path()));
    QVERIFY(lines.size() > 1000);
    QVERIFY(lines.size() <= sentAtEnd + 1 + 4); // start line, at most one in flight a thread
    for (const QString &line : lines)
        QVERIFY2(recordPattern.match(line).hasMatch(), qPrintable(line));
}

void tst_Log::fatalMessageIsOnDiskBeforeTheEnd()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(fatalFolderVariable), dir.path());
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QStringList lines = readLines(logFileIn(dir.path()));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1).mid(24), QStringLiteral("I default: buffered before the end"));
    QCOMPARE(lines.at(2).mid(24), QStringLiteral("F default: motor 3 lost"));
    // And the previous handler still reported it.
    QVERIFY(QString::fromLocal8Bit(child.readAllStandardError()).contains(QLatin1String("motor 3 lost")));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.3.4"));
    const QString fatalFolder = qEnvironmentVariable(fatalFolderVariable);
    if (!fatalFolder.isEmpty())
        return runFatalChild(fatalFolder);
    tst_Log test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Log.moc"

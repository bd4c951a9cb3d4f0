// Start-up of the desktop program against the virtual controller: starts
// velmoApp (offscreen) with --connect 14 --startup-report and prints
//   startup: first-window=<ms> connected=<ms> rss=<MiB> gui-cpu=<percent>
// first-window: process start to the main window's first paint;
// connected: process start to every axis panel having polled its axis once
// (controller 14 with three identified stages); rss: resident memory then;
// gui-cpu: the whole process's CPU time (its threads and the in-process
// virtual controller) while the three panels poll for 10 s, in percent of
// one core. Targets: under 400 ms, 1 s, 80 MiB and 3 %.
//
//   bench_startup [path/to/velmoApp]   (default: velmoApp beside this program)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kControllerId = 14; // port path 1-4
constexpr int kPanels = 3;
constexpr int kMilestoneTimeoutMs = 20000;
constexpr int kCpuWindowMs = 10000;

// The default controller, with a stage that identifies itself on every axis.
const char kScenario[] =
    R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {"stage": "VLS-50"}]}]})";

// Milestone name -> monotonic ms, from the program's --startup-report file.
QHash<QString, qint64> readMilestones(const QString &path, int *panels)
{
    QHash<QString, qint64> milestones;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return milestones;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        milestones.insert(QString::fromUtf8(fields.at(0)), fields.at(1).toLongLong());
        if (fields.at(0) == "axes-polling" && fields.size() > 2)
            *panels = fields.at(2).toInt();
    }
    return milestones;
}

// utime + stime of the process, in clock ticks; -1 when unreadable.
qint64 cpuTicks(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // The command name may hold spaces: fields are counted after its ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields.at(11).toLongLong() + fields.at(12).toLongLong(); // fields 14 and 15 of stat
}

double residentMiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').at(0).toDouble() / 1024.0;
    }
    return -1;
}

int fail(QProcess &program, const char *what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what);
    program.kill();
    program.waitForFinished(3000);
    std::fprintf(stderr, "%s", program.readAllStandardError().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QDir binDir(QCoreApplication::applicationDirPath());
    const QString programPath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : binDir.filePath(QStringLiteral("velmoApp"));
    const QDir buildDir(QFileInfo(programPath).absoluteDir().filePath(QStringLiteral("..")));

    QTemporaryDir home;
    if (!home.isValid() || !QFile::exists(programPath)) {
        std::fprintf(stderr, "bench_startup: no velmoApp at %s\n", qPrintable(programPath));
        return 1;
    }
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString reportPath = home.filePath(QStringLiteral("startup.txt"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString libraryPath = buildDir.filePath(QStringLiteral("sim")) + QLatin1Char(':')
                                + buildDir.filePath(QStringLiteral("lib"));
    const QString inherited = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       inherited.isEmpty() ? libraryPath : libraryPath + QLatin1Char(':') + inherited);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("VELMO_SIM_SCENARIO"), QString::fromLatin1(kScenario));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.remove(QStringLiteral("VELMO_TRACE"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.setStandardOutputFile(QProcess::nullDevice());

    QElapsedTimer clock; // the clock the program's report uses
    clock.start();
    const qint64 startMs = clock.msecsSinceReference();
    program.start(programPath, {QStringLiteral("--connect"), QString::number(kControllerId),
                                QStringLiteral("--startup-report"), reportPath});
    if (!program.waitForStarted(5000))
        return fail(program, "velmoApp did not start");
    const qint64 pid = program.processId();

    QHash<QString, qint64> milestones;
    int panels = 0;
    while (!milestones.contains(QStringLiteral("axes-polling"))) {
        if (clock.elapsed() > kMilestoneTimeoutMs)
            return fail(program, "velmoApp did not reach its panels polling in time");
        if (program.state() != QProcess::Running)
            return fail(program, "velmoApp ended during start-up");
        if (milestones.contains(QStringLiteral("connect-failed")))
            return fail(program, "velmoApp could not connect to the virtual controller");
        QThread::msleep(2);
        milestones = readMilestones(reportPath, &panels);
    }
    const double rss = residentMiB(pid);
    if (panels != kPanels)
        std::fprintf(stderr, "bench_startup: %d panels polling, expected %d\n", panels, kPanels);

    const qint64 ticksBefore = cpuTicks(pid);
    QElapsedTimer window;
    window.start();
    QThread::msleep(kCpuWindowMs);
    const qint64 ticksAfter = cpuTicks(pid);
    const double seconds = window.nsecsElapsed() / 1e9;
    if (ticksBefore < 0 || ticksAfter < 0 || program.state() != QProcess::Running)
        return fail(program, "velmoApp ended while polling");
    const double cpuPercent = 100.0 * double(ticksAfter - ticksBefore) / double(sysconf(_SC_CLK_TCK)) / seconds;

    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished(3000);
    }

    std::printf("startup: first-window=%lld connected=%lld rss=%.1f gui-cpu=%.1f\n",
                milestones.value(QStringLiteral("window-shown")) - startMs,
                milestones.value(QStringLiteral("axes-polling")) - startMs, rss, cpuPercent);
    return panels == kPanels ? 0 : 1;
}

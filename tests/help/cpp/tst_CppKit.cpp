// The C++ kit's example programs as a customer builds them: the library
// installed into a scratch prefix, the examples configured from the kit
// folder with find_package(velmoLibrary) and run on the virtual controller.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class tst_CppKit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void kitHoldsTheLibraryHeader();
    void listPrintsEveryIdentity();
    void moveReachesTheTarget_data();
    void moveReachesTheTarget();
    void moveReportsTheTravelLimit();
    void readPrintsTheMotorBlock();
    void missingControllerFails_data();
    void missingControllerFails();

private:
    struct Run {
        int exitCode = -1;
        QString output;
    };
    // Runs a command to its end; a failure to start or a time-out gives -1.
    static Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                   int timeoutMs);
    Run runExample(const QString &name, const QStringList &arguments,
                   const QString &scenario = QStringLiteral("{\"timeScale\": 10}"));

    QTemporaryDir m_scratch;
    QString m_kitDir = QString::fromUtf8(VELMO_CPP_KIT_DIR);
    QString m_exampleBuildDir;
    QString m_libraryDir;
};

tst_CppKit::Run tst_CppKit::run(const QString &program, const QStringList &arguments,
                                const QProcessEnvironment &environment, int timeoutMs)
{
    Run result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = QString::fromUtf8(process.readAll()) + QStringLiteral("\n(no end within %1 ms)").arg(timeoutMs);
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

void tst_CppKit::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    const QString cmake = QString::fromUtf8(VELMO_CMAKE_COMMAND);
    const QString prefix = m_scratch.filePath(QStringLiteral("prefix"));
    m_exampleBuildDir = m_scratch.filePath(QStringLiteral("examples"));
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    Run step = run(cmake, {QStringLiteral("--install"), QString::fromUtf8(VELMO_BINARY_DIR), QStringLiteral("--prefix"), prefix},
                   environment, 120000);
    QVERIFY2(step.exitCode == 0, qPrintable(step.output));

    // Warnings are errors here: the examples must build cleanly.
    step = run(cmake,
               {QStringLiteral("-S"), m_kitDir + QStringLiteral("/examples"), QStringLiteral("-B"), m_exampleBuildDir,
                QStringLiteral("-DCMAKE_PREFIX_PATH=") + prefix,
                QStringLiteral("-DCMAKE_CXX_FLAGS=") + QString::fromUtf8(VELMO_EXAMPLE_CXX_FLAGS),
                QStringLiteral("-DCMAKE_EXE_LINKER_FLAGS=") + QString::fromUtf8(VELMO_EXAMPLE_LINKER_FLAGS)},
               environment, 120000);
    QVERIFY2(step.exitCode == 0, qPrintable(step.output));
    step = run(cmake, {QStringLiteral("--build"), m_exampleBuildDir, QStringLiteral("-j2")}, environment, 240000);
    QVERIFY2(step.exitCode == 0, qPrintable(step.output));

    QDirIterator libraries(prefix, {QStringLiteral("libvelmoLibrary.so")}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(libraries.hasNext(), "the install holds no libvelmoLibrary.so");
    m_libraryDir = QFileInfo(libraries.next()).absolutePath();
}

tst_CppKit::Run tst_CppKit::runExample(const QString &name, const QStringList &arguments, const QString &scenario)
{
    // The virtual controller first, then the installed library, as a customer's
    // program would find the real libusb and the installed library.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       QString::fromUtf8(VELMO_SIM_DIR) + QLatin1Char(':') + m_libraryDir);
    environment.insert(QStringLiteral("VELMO_SIM_SCENARIO"), scenario);
    return run(m_exampleBuildDir + QLatin1Char('/') + name, arguments, environment, 60000);
}

void tst_CppKit::kitHoldsTheLibraryHeader()
{
    QFile copy(m_kitDir + QStringLiteral("/include/velmoLibrary.h"));
    QFile original(QString::fromUtf8(VELMO_PUBLIC_HEADER));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
    QVERIFY(QFile::exists(m_kitDir + QStringLiteral("/README.md")));
}

void tst_CppKit::listPrintsEveryIdentity()
{
    const Run result = runExample(QStringLiteral("list_controllers"), {});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    const QStringList expected = {
        QStringLiteral("controllers found: 1"),
        QStringLiteral("controller 14\n"),
        QStringLiteral("model:         VM-3A"),
        QStringLiteral("serial number: VM-0001"),
        QStringLiteral("firmware:      VM 1.0.0"),
        QStringLiteral("axes:          3"),
        QStringLiteral("axis 0: stage VLS-50, serial number L50-00017"),
        QStringLiteral("axis 1: stage VRS-360, serial number R360-00042"),
        QStringLiteral("axis 2: no programmed ID chip"),
    };
    for (const QString &line : expected)
        QVERIFY2(result.output.contains(line), qPrintable(line + QStringLiteral(" missing in:\n") + result.output));
}

void tst_CppKit::moveReachesTheTarget_data()
{
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("start");
    // Slow enough to last about 10 s of the controller's time (1 s at the
    // scenario's time scale), so the program sees the axis running.
    QTest::newRow("linear stage") << QStringLiteral("0") << QStringLiteral("37.5") << QStringLiteral("2.5")
                                  << QStringLiteral("10.000");
    QTest::newRow("rotation stage") << QStringLiteral("1") << QStringLiteral("180") << QStringLiteral("9")
                                    << QStringLiteral("90.000");
    QTest::newRow("linear stage backwards") << QStringLiteral("0") << QStringLiteral("2.25") << QStringLiteral("0.75")
                                            << QStringLiteral("10.000");
}

void tst_CppKit::moveReachesTheTarget()
{
    QFETCH(QString, axis);
    QFETCH(QString, target);
    QFETCH(QString, speed);
    QFETCH(QString, start);
    const Run result = runExample(QStringLiteral("move_axis"), {QStringLiteral("14"), axis, target, speed});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    QVERIFY2(result.output.contains(QStringLiteral("from %1 to").arg(start)), qPrintable(result.output));
    // Intermediate positions lie between start and target; the last one is the target.
    const QRegularExpression moving(QStringLiteral("moving, position (-?[0-9.]+)"));
    const double low = qMin(start.toDouble(), target.toDouble());
    const double high = qMax(start.toDouble(), target.toDouble());
    auto positions = moving.globalMatch(result.output);
    int seen = 0;
    while (positions.hasNext()) {
        const double position = positions.next().captured(1).toDouble();
        QVERIFY2(position >= low - 1e-3 && position <= high + 1e-3, qPrintable(result.output));
        ++seen;
    }
    QVERIFY2(seen > 0, "the move was not followed while it ran");
    const QRegularExpressionMatch reached = QRegularExpression(QStringLiteral("reached at (-?[0-9.]+) ")).match(result.output);
    QVERIFY2(reached.hasMatch(), qPrintable(result.output));
    QVERIFY(qAbs(reached.captured(1).toDouble() - target.toDouble()) < 1e-3);
}

void tst_CppKit::moveReportsTheTravelLimit()
{
    // The linear stage ends at 50 mm: a move beyond stops on the switch.
    const Run result = runExample(QStringLiteral("move_axis"), {QStringLiteral("14"), QStringLiteral("0"), QStringLiteral("60")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.output.contains(QLatin1String("stopped on the positive limit switch")), qPrintable(result.output));
    QVERIFY2(result.output.contains(QLatin1String("stopped short at 50.000 (target 60.000)")), qPrintable(result.output));
}

void tst_CppKit::readPrintsTheMotorBlock()
{
    const Run result = runExample(QStringLiteral("read_motor_params"), {QStringLiteral("14"), QStringLiteral("0")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    const QStringList expected = {
        QStringLiteral("controller 14 axis 0"),    QStringLiteral("modelName       VLS-50\n"),
        QStringLiteral("serialNumber    L50-00017\n"), QStringLiteral("pulse           12800\n"),
        QStringLiteral("optOrder        NZP\n"),   QStringLiteral("maxSpeed        10\n"),
        QStringLiteral("maxPos          50\n"),    QStringLiteral("modifyDate      20240115\n"),
    };
    for (const QString &line : expected)
        QVERIFY2(result.output.contains(line), qPrintable(line + QStringLiteral(" missing in:\n") + result.output));
    // All 23 fields are printed.
    QCOMPARE(result.output.count(QRegularExpression(QStringLiteral("\n  \\w+ +\\S"))), 23);
}

void tst_CppKit::missingControllerFails_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("message");
    const QString none = QStringLiteral("{\"controllers\": []}");
    const QString standard = QStringLiteral("{}");
    QTest::newRow("list, empty bus") << QStringLiteral("list_controllers") << QStringList() << none
                                     << QStringLiteral("controllers found: 0");
    QTest::newRow("move, empty bus") << QStringLiteral("move_axis") << QStringList() << none
                                     << QStringLiteral("no controller found");
    QTest::newRow("move, unknown id") << QStringLiteral("move_axis") << QStringList{QStringLiteral("99")} << standard
                                      << QStringLiteral("controller 99: open failed (-1)");
    QTest::newRow("read, unknown id") << QStringLiteral("read_motor_params") << QStringList{QStringLiteral("99")}
                                      << standard << QStringLiteral("controller 99: open failed (-1)");
}

void tst_CppKit::missingControllerFails()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, scenario);
    QFETCH(QString, message);
    const Run result = runExample(program, arguments, scenario);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.output.contains(message), qPrintable(result.output));
}

QTEST_GUILESS_MAIN(tst_CppKit)
#include "tst_CppKit.moc"

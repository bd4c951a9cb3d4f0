// The pieces of scan and run that need no controller: the scan's positions,
// point files, the travel a parameter block states and the checks of the
// command line.

#include "CommandError.h"
#include "CommandLine.h"
#include "PointFile.h"
#include "ScanPoints.h"
#include "TravelCheck.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The usage message of a throwing call, or an empty string when it did not throw.
template <typename Call>
QString usageMessage(Call call)
{
    try {
        call();
    } catch (const CommandError &error) {
        return error.status() == CommandError::UsageError ? error.message() : QStringLiteral("wrong status");
    }
    return QString();
}

QStringList problemsOf(const char *text, PointFile::Format format)
{
    QStringList problems;
    const QVector<MotionPoint> points = PointFile::parse(QByteArray(text), format, &problems);
    if (!problems.isEmpty() && !points.isEmpty())
        problems.append(QStringLiteral("points returned despite problems"));
    return problems;
}

} // namespace

class TestVelmoctlPoints : public QObject
{
    Q_OBJECT

private slots:
    void scanPoints_data();
    void scanPoints();
    void scanPointsDoNotDrift();
    void scanPointsRefused_data();
    void scanPointsRefused();

    void csvFile();
    void jsonFile();
    void brokenFiles_data();
    void brokenFiles();
    void everyProblemNamed();
    void hugeFilesBounded();
    void formatDetection();

    void travelOfBlock();
    void commandLineValues_data();
    void commandLineValues();
    void commandLineAccepts();
};

void TestVelmoctlPoints::scanPoints_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("step");
    QTest::addColumn<QVector<double>>("expected");

    QTest::newRow("upwards, stop on the grid") << 0.0 << 1.0 << 0.25 << QVector<double>{0, 0.25, 0.5, 0.75, 1.0};
    QTest::newRow("downwards through 0") << 5.0 << -5.0 << -2.5 << QVector<double>{5, 2.5, 0, -2.5, -5};
    QTest::newRow("stop between points") << 0.0 << 1.0 << 0.3 << QVector<double>{0, 0.3, 0.6, 0.3 * 3};
    QTest::newRow("start equals stop") << 2.0 << 2.0 << -1.0 << QVector<double>{2};
    QTest::newRow("step beyond stop") << 1.0 << 2.0 << 5.0 << QVector<double>{1};
    // 0.1 * 3 is 0.30000000000000004: the last point is STOP itself.
    QTest::newRow("stop within rounding") << 0.0 << 0.3 << 0.1 << QVector<double>{0, 0.1, 0.2, 0.3};
}

void TestVelmoctlPoints::scanPoints()
{
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, step);
    QFETCH(QVector<double>, expected);
    QCOMPARE(ScanPoints::compute(start, stop, step), expected);
}

void TestVelmoctlPoints::scanPointsDoNotDrift()
{
    // The largest list allowed; adding the step up would be off by far more
    // than the comparison below tolerates.
    const QVector<double> points = ScanPoints::compute(0.0, 99.9999, 0.0001);
    QCOMPARE(points.size(), ScanPoints::kMaxPoints);
    QCOMPARE(points.last(), 99.9999);
    QCOMPARE(points.at(123457), 123457 * 0.0001);
    QCOMPARE(points.at(999998), 999998 * 0.0001);
}

void TestVelmoctlPoints::scanPointsRefused_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("message");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero step") << 0.0 << 1.0 << 0.0 << QStringLiteral("STEP must not be 0");
    QTest::newRow("step away from stop") << 0.0 << 1.0 << -0.1 << QStringLiteral("STEP must be positive to go from 0 to 1");
    QTest::newRow("step away, downwards") << 1.0 << 0.0 << 0.1 << QStringLiteral("STEP must be negative");
    QTest::newRow("one point too many") << 0.0 << 100.0 << 0.0001 << QStringLiteral("more than 1000000 points");
    QTest::newRow("tiny step") << 0.0 << 1.0 << 1e-300 << QStringLiteral("more than 1000000 points");
    QTest::newRow("NaN step") << 0.0 << 1.0 << nan << QStringLiteral("finite");
    QTest::newRow("infinite stop") << 0.0 << inf << 1.0 << QStringLiteral("finite");
}

void TestVelmoctlPoints::scanPointsRefused()
{
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, step);
    QFETCH(QString, message);
    const QString refusal = usageMessage([&] { ScanPoints::compute(start, stop, step); });
    QVERIFY2(refusal.contains(message), qPrintable(refusal));
}

void TestVelmoctlPoints::csvFile()
{
    const QByteArray text = "\xEF\xBB\xBF# alignment run\r\n"
                            "\r\n"
                            "position, axis ,dwell,speed\r\n"
                            "12.5,0,200,5\r\n"
                            "  # halfway\n"
                            "-3,1,,\n"
                            "4e1,2,0.6,0.25\n";
    QStringList problems;
    const QVector<MotionPoint> points = PointFile::parse(text, PointFile::Format::Csv, &problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(points.size(), 3);

    QCOMPARE(points[0].axis, 0);
    QCOMPARE(points[0].position, 12.5);
    QCOMPARE(points[0].speed, std::optional<double>(5.0));
    QCOMPARE(points[0].dwellMs, 200);
    QCOMPARE(points[0].source, QStringLiteral("line 4"));

    QCOMPARE(points[1].axis, 1);
    QCOMPARE(points[1].position, -3.0);
    QVERIFY(!points[1].speed);
    QCOMPARE(points[1].dwellMs, 0);
    QCOMPARE(points[1].source, QStringLiteral("line 6"));

    QCOMPARE(points[2].position, 40.0);
    QCOMPARE(points[2].dwellMs, 1); // rounded to whole milliseconds
    QCOMPARE(points[2].speed, std::optional<double>(0.25));

    // Without the optional columns.
    const QVector<MotionPoint> bare = PointFile::parse("axis,position\n1,90\n", PointFile::Format::Csv, &problems);
    QVERIFY(problems.isEmpty());
    QCOMPARE(bare.size(), 1);
    QCOMPARE(bare[0].axis, 1);
    QVERIFY(!bare[0].speed);
}

void TestVelmoctlPoints::jsonFile()
{
    const QByteArray text = R"([
        {"axis": 0, "position": 12.5, "speed": 5, "dwell": 200},
        {"position": -3, "axis": 1, "speed": null},
        {"axis": 2, "position": 0}
    ])";
    QStringList problems;
    const QVector<MotionPoint> points = PointFile::parse(text, PointFile::Format::Json, &problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(points.size(), 3);
    QCOMPARE(points[0].speed, std::optional<double>(5.0));
    QCOMPARE(points[0].dwellMs, 200);
    QCOMPARE(points[0].source, QStringLiteral("entry 1"));
    QCOMPARE(points[1].axis, 1);
    QCOMPARE(points[1].position, -3.0);
    QVERIFY(!points[1].speed);
    QCOMPARE(points[2].axis, 2);
    QCOMPARE(points[2].source, QStringLiteral("entry 3"));
}

void TestVelmoctlPoints::brokenFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("problem");

    QTest::newRow("bad number") << QByteArray("axis,position\n0,1.5\n0,1..5\n") << false
                                << QStringLiteral("line 3: position: '1..5' is not a number");
    QTest::newRow("unknown column") << QByteArray("axis,position,sped\n0,1,2\n") << false
                                    << QStringLiteral("line 1: unknown column \"sped\"");
    QTest::newRow("missing column") << QByteArray("# no axis\naxis_,position\n") << false
                                    << QStringLiteral("line 2: missing column \"axis\"");
    QTest::newRow("column twice") << QByteArray("axis,position,axis\n") << false
                                  << QStringLiteral("line 1: column \"axis\" given twice");
    QTest::newRow("short row") << QByteArray("axis,position,speed\n0,1\n") << false
                               << QStringLiteral("line 2: 2 values, the header names 3 columns");
    QTest::newRow("empty position") << QByteArray("axis,position,speed\n0,,3\n") << false
                                    << QStringLiteral("line 2: position is missing");
    QTest::newRow("NaN") << QByteArray("axis,position\n0,nan\n") << false
                         << QStringLiteral("line 2: position is not a finite number");
    QTest::newRow("infinite") << QByteArray("axis,position\n0,-inf\n") << false
                              << QStringLiteral("line 2: position is not a finite number");
    QTest::newRow("absurd position") << QByteArray("axis,position\n0,1e308\n") << false
                                     << QStringLiteral("line 2: position 1e+308 is beyond 1000000");
    QTest::newRow("negative speed") << QByteArray("axis,position,speed\n0,1,-2\n") << false
                                    << QStringLiteral("line 2: speed must be greater than 0");
    QTest::newRow("zero speed") << QByteArray("axis,position,speed\n0,1,0\n") << false
                                << QStringLiteral("line 2: speed must be greater than 0");
    QTest::newRow("negative dwell") << QByteArray("axis,position,dwell\n0,1,-1\n") << false
                                    << QStringLiteral("line 2: dwell must be from 0 to 86400000 ms");
    QTest::newRow("negative axis") << QByteArray("axis,position\n-1,1\n") << false
                                   << QStringLiteral("line 2: axis must be a whole number from 0 to 65535");
    QTest::newRow("fractional axis") << QByteArray("axis,position\n1.5,1\n") << false
                                     << QStringLiteral("line 2: axis must be a whole number");
    QTest::newRow("header only") << QByteArray("axis,position\n# nothing yet\n") << false << QStringLiteral("no points");
    QTest::newRow("empty CSV") << QByteArray("\n\n") << false << QStringLiteral("no header line");

    QTest::newRow("unknown key") << QByteArray(R"([{"axis": 0, "position": 1}, {"axis": 0, "postion": 1}])") << true
                                 << QStringLiteral("entry 2: unknown key \"postion\"");
    QTest::newRow("JSON missing position") << QByteArray(R"([{"axis": 0}])") << true
                                           << QStringLiteral("entry 1: position is missing");
    QTest::newRow("JSON text number") << QByteArray(R"([{"axis": 0, "position": "5"}])") << true
                                      << QStringLiteral("entry 1: position must be a number");
    QTest::newRow("JSON axis out of range") << QByteArray(R"([{"axis": 70000, "position": 5}])") << true
                                            << QStringLiteral("entry 1: axis must be a whole number from 0 to 65535");
    QTest::newRow("JSON not an object") << QByteArray(R"([{"axis": 0, "position": 5}, 7])") << true
                                        << QStringLiteral("entry 2: expected an object");
    QTest::newRow("JSON object, not array") << QByteArray(R"({"axis": 0, "position": 5})") << true
                                            << QStringLiteral("expected a JSON array");
    QTest::newRow("JSON syntax") << QByteArray("[\n{\"axis\": 0,\n\"position\": }\n]") << true
                                 << QStringLiteral("invalid JSON at line 3");
    QTest::newRow("JSON empty array") << QByteArray("[]") << true << QStringLiteral("no points");
}

void TestVelmoctlPoints::brokenFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, json);
    QFETCH(QString, problem);
    const QStringList problems = problemsOf(text.constData(), json ? PointFile::Format::Json : PointFile::Format::Csv);
    QVERIFY2(!problems.filter(problem).isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QVERIFY(!problems.contains(QStringLiteral("points returned despite problems")));
}

void TestVelmoctlPoints::everyProblemNamed()
{
    const QStringList problems = problemsOf("axis,position,dwell\n0,1,5\n9,x,\n0,2,-4\n", PointFile::Format::Csv);
    QCOMPARE(problems.size(), 2);
    QVERIFY(problems.at(0).startsWith(QStringLiteral("line 3: position")));
    QVERIFY(problems.at(1).startsWith(QStringLiteral("line 4: dwell")));

    // Loading names the file and refuses before anything else happens.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("points.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("axis,position\n0,abc\n");
    file.close();
    const QString refusal = usageMessage([&] { PointFile::load(path); });
    QVERIFY2(refusal.startsWith(path + QStringLiteral(": line 2: position")), qPrintable(refusal));
    const QString missing = usageMessage([&] { PointFile::load(dir.filePath(QStringLiteral("none.csv"))); });
    QVERIFY2(missing.startsWith(QStringLiteral("cannot read ")), qPrintable(missing));
}

void TestVelmoctlPoints::hugeFilesBounded()
{
    // A point file is read whole: one with more points than a scan's pass
    // is refused, not held (a 100 MB file would take gigabytes).
    QByteArray csv("axis,position\n");
    csv += QByteArray("0,1\n").repeated(PointFile::kMaxPoints);
    QStringList problems;
    QCOMPARE(PointFile::parse(csv, PointFile::Format::Csv, &problems).size(), PointFile::kMaxPoints);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    csv += "0,2\n";
    QVERIFY(PointFile::parse(csv, PointFile::Format::Csv, &problems).isEmpty());
    QCOMPARE(problems, QStringList{QStringLiteral("line %1: more than %2 points").arg(PointFile::kMaxPoints + 2).arg(PointFile::kMaxPoints)});

    const QByteArray json = "[" + QByteArray("{},").repeated(PointFile::kMaxPoints) + "{}]";
    QVERIFY(PointFile::parse(json, PointFile::Format::Json, &problems).isEmpty());
    QCOMPARE(problems, QStringList{QStringLiteral("%1 entries, more than %2 points").arg(PointFile::kMaxPoints + 1).arg(PointFile::kMaxPoints)});

    // A file of nothing but broken lines lists a bounded number of problems.
    const QByteArray broken = "axis,position\n" + QByteArray("0,x\n").repeated(100000);
    problems = problemsOf(broken.constData(), PointFile::Format::Csv);
    QCOMPARE(problems.size(), PointFile::kMaxProblems + 1);
    QVERIFY(problems.first().startsWith(QStringLiteral("line 2: position")));
    QCOMPARE(problems.last(), QStringLiteral("line %1: too many problems, the rest was not read").arg(PointFile::kMaxProblems + 2));
    const QByteArray brokenJson = "[" + QByteArray("7,").repeated(100000) + "7]";
    problems = problemsOf(brokenJson.constData(), PointFile::Format::Json);
    QCOMPARE(problems.size(), PointFile::kMaxProblems + 1);
    QCOMPARE(problems.last(), QStringLiteral("entry %1: too many problems, the rest was not read").arg(PointFile::kMaxProblems + 1));
}

void TestVelmoctlPoints::formatDetection()
{
    QCOMPARE(PointFile::detect(QStringLiteral("a.JSON"), "axis,position"), PointFile::Format::Json);
    QCOMPARE(PointFile::detect(QStringLiteral("a.csv"), "[{}]"), PointFile::Format::Csv);
    QCOMPARE(PointFile::detect(QStringLiteral("points"), " \n [{}]"), PointFile::Format::Json);
    QCOMPARE(PointFile::detect(QStringLiteral("points"), "{}"), PointFile::Format::Json);
    QCOMPARE(PointFile::detect(QString(), "# [not json]\naxis,position"), PointFile::Format::Csv);
}

void TestVelmoctlPoints::travelOfBlock()
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    QVERIFY(TravelCheck::travelOf(block).unknownReason.contains(QStringLiteral("minPos = maxPos = 0")));

    block.minPos = -5;
    block.maxPos = 5;
    const TravelCheck::Travel travel = TravelCheck::travelOf(block);
    QVERIFY(travel.unknownReason.isEmpty());
    QCOMPARE(travel.minimum, -5.0);
    QCOMPARE(travel.maximum, 5.0);

    // A block with only one end at 0 is a real travel.
    block.minPos = 0;
    QVERIFY(TravelCheck::travelOf(block).unknownReason.isEmpty());

    block.minPos = 6;
    QVERIFY(TravelCheck::travelOf(block).unknownReason.contains(QStringLiteral("minPos 6 above maxPos 5")));
    block.minPos = std::numeric_limits<double>::quiet_NaN();
    QVERIFY(TravelCheck::travelOf(block).unknownReason.contains(QStringLiteral("not a number")));

    QVERIFY(TravelCheck::isPlausiblePosition(-1e6));
    QVERIFY(!TravelCheck::isPlausiblePosition(1.000001e6));
    QVERIFY(!TravelCheck::isPlausiblePosition(std::numeric_limits<double>::infinity()));
}

void TestVelmoctlPoints::commandLineValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("move 1e308") << QStringList{QStringLiteral("move"), QStringLiteral("1e308")}
                                << QStringLiteral("target: 1e308 is beyond 1000000");
    QTest::newRow("relative -1e7") << QStringList{QStringLiteral("move"), QStringLiteral("-1e7"), QStringLiteral("--relative")}
                                   << QStringLiteral("target: -1e7 is beyond");
    QTest::newRow("scan start") << QStringList{QStringLiteral("scan"), QStringLiteral("-2e6"), QStringLiteral("0"), QStringLiteral("1")}
                                << QStringLiteral("start: -2e6 is beyond");
    QTest::newRow("scan step text") << QStringList{QStringLiteral("scan"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("x")}
                                    << QStringLiteral("step: 'x' is not a number");
    QTest::newRow("scan arguments") << QStringList{QStringLiteral("scan"), QStringLiteral("0"), QStringLiteral("1")}
                                    << QStringLiteral("usage: velmoctl scan <start> <stop> <step>");
    QTest::newRow("negative dwell") << QStringList{QStringLiteral("scan"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("--dwell"), QStringLiteral("-5")}
                                    << QStringLiteral("--dwell must be from 0 to 86400000");
    QTest::newRow("no passes") << QStringList{QStringLiteral("run"), QStringLiteral("f.csv"), QStringLiteral("--repeat"), QStringLiteral("0")}
                               << QStringLiteral("--repeat must be from 1 to 1000000");
    QTest::newRow("run with --axis") << QStringList{QStringLiteral("run"), QStringLiteral("f.csv"), QStringLiteral("--axis"), QStringLiteral("1")}
                                     << QStringLiteral("option --axis does not apply to 'run'");
    QTest::newRow("dwell on run") << QStringList{QStringLiteral("run"), QStringLiteral("f.csv"), QStringLiteral("--dwell"), QStringLiteral("5")}
                                  << QStringLiteral("option --dwell does not apply to 'run'");
    QTest::newRow("travel check on jog") << QStringList{QStringLiteral("jog"), QStringLiteral("+"), QStringLiteral("--no-travel-check")}
                                         << QStringLiteral("option --no-travel-check does not apply to 'jog'");
}

void TestVelmoctlPoints::commandLineValues()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString refusal = usageMessage([&] { CommandLine::parse(arguments); });
    QVERIFY2(refusal.contains(message), qPrintable(refusal));
}

void TestVelmoctlPoints::commandLineAccepts()
{
    const CommandRequest scan = CommandLine::parse({QStringLiteral("scan"), QStringLiteral("5"), QStringLiteral("-5"),
                                                    QStringLiteral("-0.5"), QStringLiteral("--dwell=250"),
                                                    QStringLiteral("--repeat"), QStringLiteral("3"),
                                                    QStringLiteral("--no-travel-check"), QStringLiteral("--axis"),
                                                    QStringLiteral("1")});
    QCOMPARE(scan.scanStart, 5.0);
    QCOMPARE(scan.scanStop, -5.0);
    QCOMPARE(scan.scanStep, -0.5);
    QCOMPARE(scan.dwellMs, 250);
    QCOMPARE(scan.repeat, 3);
    QVERIFY(!scan.travelCheck);
    QCOMPARE(scan.axisOrDefault(), 1);

    const CommandRequest run = CommandLine::parse({QStringLiteral("run"), QStringLiteral("-")});
    QCOMPARE(run.pointFile, QStringLiteral("-"));
    QCOMPARE(run.repeat, 1);
    QVERIFY(run.travelCheck);

    QCOMPARE(CommandLine::parse({QStringLiteral("move"), QStringLiteral("-1e6")}).target, -1e6);
}

QTEST_GUILESS_MAIN(TestVelmoctlPoints)
#include "tst_velmoctl_points.moc"

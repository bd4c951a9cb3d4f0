// The JSON form of the motor parameter block: exact round trips, the byte
// limits of the text fields, range checks and the step-code descriptions.

#include "MotorParamsJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Every field set to a value that differs from its neighbours and from zero,
// with both text fields using all 32 bytes (no terminator).
MotorParams sampleBlock()
{
    MotorParams p;
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.modelName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);
    std::memcpy(p.serialNumber, "SN-\"quoted\"\\back", 16);
    p.pulse = 4294967295u;
    p.helicalPitch = 0.1;
    p.restoreSpeed = 2.5;
    p.motorType = -32768;
    p.pLimitPolarity = 1;
    p.nLimitPolarity = 2;
    p.zeroPolarity = 3;
    p.direction = -1;
    p.limitDirection = 4;
    p.unitType = 1;
    std::memcpy(p.optOrder, "NZPQ", 4);
    p.maxSpeed = 123.456789012345;
    p.maxAcc = 1e-7;
    p.minPos = -50.25;
    p.maxPos = 1e12;
    p.zoptWidth = 32767;
    p.optNum = 5;
    p.returnTrip = 6;
    p.motorPhase = 7;
    p.modifyDate = 20240115;
    p.maxRockerSpeed = 19.75;
    return p;
}

// Field-wise comparison: optOrder counts only its first 4 bytes.
void compareBlocks(const MotorParams &a, const MotorParams &b)
{
    QCOMPARE(QByteArray(a.modelName, 32), QByteArray(b.modelName, 32));
    QCOMPARE(QByteArray(a.serialNumber, 32), QByteArray(b.serialNumber, 32));
    QCOMPARE(a.pulse, b.pulse);
    QCOMPARE(a.helicalPitch, b.helicalPitch);
    QCOMPARE(a.restoreSpeed, b.restoreSpeed);
    QCOMPARE(a.motorType, b.motorType);
    QCOMPARE(a.pLimitPolarity, b.pLimitPolarity);
    QCOMPARE(a.nLimitPolarity, b.nLimitPolarity);
    QCOMPARE(a.zeroPolarity, b.zeroPolarity);
    QCOMPARE(a.direction, b.direction);
    QCOMPARE(a.limitDirection, b.limitDirection);
    QCOMPARE(a.unitType, b.unitType);
    QCOMPARE(QByteArray(a.optOrder, 4), QByteArray(b.optOrder, 4));
    QCOMPARE(a.maxSpeed, b.maxSpeed);
    QCOMPARE(a.maxAcc, b.maxAcc);
    QCOMPARE(a.minPos, b.minPos);
    QCOMPARE(a.maxPos, b.maxPos);
    QCOMPARE(a.zoptWidth, b.zoptWidth);
    QCOMPARE(a.optNum, b.optNum);
    QCOMPARE(a.returnTrip, b.returnTrip);
    QCOMPARE(a.motorPhase, b.motorPhase);
    QCOMPARE(a.modifyDate, b.modifyDate);
    QCOMPARE(a.maxRockerSpeed, b.maxRockerSpeed);
}

MotorParams zeroBlock()
{
    MotorParams p;
    std::memset(&p, 0, sizeof p);
    return p;
}

QJsonObject one(const char *name, const QJsonValue &value)
{
    return QJsonObject{{QLatin1String(name), value}};
}

} // namespace

class TestMotorParamsJson : public QObject
{
    Q_OBJECT

private slots:
    void roundTripThroughObject();
    void roundTripThroughText();
    void textFileKeepsRecordOrder();
    void fullTextFieldsStopAtTheirEnd();
    void optOrderReadsOnlyFourBytes();
    void partialObjectChangesOnlyNamedFields();
    void shorterTextClearsTheOldBytes();
    void unchangedTextKeepsBytesThatAreNotUtf8();
    void nonFiniteNumbersRoundTrip();
    void textLimitsCountBytes_data();
    void textLimitsCountBytes();
    void numberRanges_data();
    void numberRanges();
    void wrongTypesAreReported();
    void unknownKeysAreReportedAndNothingApplied();
    void everyProblemIsReported();
    void parseObjectErrors();
    void stepCodesNameTheField_data();
    void stepCodesNameTheField();
};

void TestMotorParamsJson::roundTripThroughObject()
{
    const MotorParams original = sampleBlock();
    MotorParams copy = zeroBlock();
    QCOMPARE(MotorParamsJson::apply(MotorParamsJson::toJson(original), &copy), QStringList());
    compareBlocks(copy, original);
}

void TestMotorParamsJson::roundTripThroughText()
{
    // The hand-written file text must escape quotes and backslashes and keep
    // doubles exact.
    const MotorParams original = sampleBlock();
    QJsonObject object;
    QCOMPARE(MotorParamsJson::parseObject(MotorParamsJson::toText(original), &object), QString());
    QCOMPARE(object.size(), 23);
    MotorParams copy = zeroBlock();
    QCOMPARE(MotorParamsJson::apply(object, &copy), QStringList());
    compareBlocks(copy, original);
}

void TestMotorParamsJson::textFileKeepsRecordOrder()
{
    const QByteArray text = MotorParamsJson::toText(sampleBlock());
    const QStringList names = MotorParamsJson::fieldNames();
    QCOMPARE(names.size(), 23);
    int previous = -1;
    for (const QString &name : names) {
        const int at = text.indexOf('"' + name.toLatin1() + "\":");
        QVERIFY2(at > previous, qPrintable(name));
        previous = at;
    }
}

void TestMotorParamsJson::fullTextFieldsStopAtTheirEnd()
{
    // modelName uses all 32 bytes; its text must not run into serialNumber.
    const QJsonObject json = MotorParamsJson::toJson(sampleBlock());
    QCOMPARE(json.value(QStringLiteral("modelName")).toString(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"));
    QCOMPARE(json.value(QStringLiteral("serialNumber")).toString(), QStringLiteral("SN-\"quoted\"\\back"));
}

void TestMotorParamsJson::optOrderReadsOnlyFourBytes()
{
    // Bytes 4..9 of optOrder are never sent and may hold anything.
    MotorParams p = sampleBlock();
    std::memcpy(p.optOrder, "ABCDxyzuvw", 10);
    QCOMPARE(MotorParamsJson::toJson(p).value(QStringLiteral("optOrder")).toString(), QStringLiteral("ABCD"));

    std::memcpy(p.optOrder, "AB\0Dxyzuvw", 10);
    QCOMPARE(MotorParamsJson::toJson(p).value(QStringLiteral("optOrder")).toString(), QStringLiteral("AB"));
}

void TestMotorParamsJson::partialObjectChangesOnlyNamedFields()
{
    const MotorParams original = sampleBlock();
    MotorParams p = original;
    const QJsonObject changes{{QStringLiteral("pulse"), 6400},
                              {QStringLiteral("unitType"), 0},
                              {QStringLiteral("maxPos"), 25.5}};
    QCOMPARE(MotorParamsJson::apply(changes, &p), QStringList());
    QCOMPARE(p.pulse, 6400u);
    QCOMPARE(p.unitType, qint16(0));
    QCOMPARE(p.maxPos, 25.5);

    MotorParams expected = original;
    expected.pulse = 6400;
    expected.unitType = 0;
    expected.maxPos = 25.5;
    compareBlocks(p, expected);
}

void TestMotorParamsJson::unchangedTextKeepsBytesThatAreNotUtf8()
{
    // A name written by another tool in Latin-1: "Caf\xe9-50".
    MotorParams p = sampleBlock();
    std::memset(p.modelName, 0, sizeof p.modelName);
    std::memcpy(p.modelName, "Caf\xe9-50", 7);
    const MotorParams original = p;
    QJsonObject object;
    QCOMPARE(MotorParamsJson::parseObject(MotorParamsJson::toText(p), &object), QString());
    object.insert(QStringLiteral("pulse"), 6400);
    QCOMPARE(MotorParamsJson::apply(object, &p), QStringList());
    QCOMPARE(QByteArray(p.modelName, 32), QByteArray(original.modelName, 32));
    QCOMPARE(p.pulse, 6400u);
}

void TestMotorParamsJson::nonFiniteNumbersRoundTrip()
{
    // A blank chip reads back as NaN; the printed block must load again.
    MotorParams p = sampleBlock();
    p.maxSpeed = std::numeric_limits<double>::quiet_NaN();
    p.minPos = -std::numeric_limits<double>::infinity();
    QJsonObject object;
    QCOMPARE(MotorParamsJson::parseObject(MotorParamsJson::toText(p), &object), QString());
    QCOMPARE(object.value(QStringLiteral("maxSpeed")).toString(), QStringLiteral("nan"));
    MotorParams copy = zeroBlock();
    QCOMPARE(MotorParamsJson::apply(object, &copy), QStringList());
    QVERIFY(std::isnan(copy.maxSpeed));
    QCOMPARE(copy.minPos, -std::numeric_limits<double>::infinity());
    // Other strings are still refused for numbers.
    QCOMPARE(MotorParamsJson::apply(QJsonObject{{QStringLiteral("maxAcc"), QStringLiteral("fast")}}, &copy).size(), 1);
}

void TestMotorParamsJson::shorterTextClearsTheOldBytes()
{
    MotorParams p = sampleBlock();
    QCOMPARE(MotorParamsJson::apply(QJsonObject{{QStringLiteral("modelName"), QStringLiteral("VLS")},
                                                {QStringLiteral("optOrder"), QStringLiteral("Z")}},
                                    &p),
             QStringList());
    QCOMPARE(QByteArray(p.modelName, 32), QByteArray("VLS") + QByteArray(29, '\0'));
    QCOMPARE(QByteArray(p.optOrder, 10), QByteArray("Z") + QByteArray(9, '\0'));
    // The neighbour field stays as it was.
    QCOMPARE(QByteArray(p.serialNumber, 16), QByteArray("SN-\"quoted\"\\back"));
}

void TestMotorParamsJson::textLimitsCountBytes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const QString degree(QChar(0x00B0)); // two bytes in UTF-8

    QTest::newRow("model 32 bytes") << QStringLiteral("modelName") << QString(32, QLatin1Char('m')) << true;
    QTest::newRow("model 33 bytes") << QStringLiteral("modelName") << QString(33, QLatin1Char('m')) << false;
    QTest::newRow("serial 32 bytes") << QStringLiteral("serialNumber") << QString(32, QLatin1Char('s')) << true;
    QTest::newRow("serial 33 bytes") << QStringLiteral("serialNumber") << QString(33, QLatin1Char('s')) << false;
    QTest::newRow("16 characters, 32 bytes") << QStringLiteral("modelName") << degree.repeated(16) << true;
    QTest::newRow("17 characters, 34 bytes") << QStringLiteral("modelName") << degree.repeated(17) << false;
    QTest::newRow("empty text") << QStringLiteral("modelName") << QString() << true;
    QTest::newRow("optOrder 4 bytes") << QStringLiteral("optOrder") << QStringLiteral("NZPQ") << true;
    QTest::newRow("optOrder 5 bytes") << QStringLiteral("optOrder") << QStringLiteral("NZPQR") << false;
    QTest::newRow("optOrder 3 chars, 6 bytes") << QStringLiteral("optOrder") << degree.repeated(3) << false;
    QTest::newRow("zero character") << QStringLiteral("serialNumber") << QStringLiteral("AB") + QChar(0) + QStringLiteral("C") << false;
}

void TestMotorParamsJson::textLimitsCountBytes()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    MotorParams p = sampleBlock();
    const MotorParams before = p;
    const QStringList problems = MotorParamsJson::apply(QJsonObject{{field, text}}, &p);
    QCOMPARE(problems.isEmpty(), accepted);
    if (accepted) {
        QCOMPARE(MotorParamsJson::toJson(p).value(field).toString(), text);
    } else {
        QVERIFY2(problems.first().startsWith(field + QLatin1Char(':')), qPrintable(problems.first()));
        compareBlocks(p, before);
    }
}

void TestMotorParamsJson::numberRanges_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("int16 lowest") << QStringLiteral("motorType") << -32768.0 << true;
    QTest::newRow("int16 highest") << QStringLiteral("zoptWidth") << 32767.0 << true;
    QTest::newRow("int16 below") << QStringLiteral("returnTrip") << -32769.0 << false;
    QTest::newRow("int16 above") << QStringLiteral("motorPhase") << 32768.0 << false;
    QTest::newRow("int16 fraction") << QStringLiteral("unitType") << 0.5 << false;
    QTest::newRow("pulse zero") << QStringLiteral("pulse") << 0.0 << true;
    QTest::newRow("pulse highest") << QStringLiteral("pulse") << 4294967295.0 << true;
    QTest::newRow("pulse negative") << QStringLiteral("pulse") << -1.0 << false;
    QTest::newRow("pulse above 32 bits") << QStringLiteral("pulse") << 4294967296.0 << false;
    QTest::newRow("modifyDate negative") << QStringLiteral("modifyDate") << -20240101.0 << false;
    QTest::newRow("modifyDate fraction") << QStringLiteral("modifyDate") << 20240101.5 << false;
    QTest::newRow("double negative") << QStringLiteral("minPos") << -1e300 << true;
    QTest::newRow("double fraction") << QStringLiteral("helicalPitch") << 0.3 << true;
}

void TestMotorParamsJson::numberRanges()
{
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(bool, accepted);

    MotorParams p = sampleBlock();
    const MotorParams before = p;
    const QStringList problems = MotorParamsJson::apply(QJsonObject{{field, value}}, &p);
    QCOMPARE(problems.isEmpty(), accepted);
    if (accepted) {
        QCOMPARE(MotorParamsJson::toJson(p).value(field).toDouble(), value);
    } else {
        QVERIFY2(problems.first().startsWith(field + QLatin1Char(':')), qPrintable(problems.first()));
        compareBlocks(p, before);
    }
}

void TestMotorParamsJson::wrongTypesAreReported()
{
    MotorParams p = sampleBlock();
    QVERIFY(!MotorParamsJson::apply(one("pulse", QStringLiteral("6400")), &p).isEmpty());
    QVERIFY(!MotorParamsJson::apply(one("maxSpeed", true), &p).isEmpty());
    QVERIFY(!MotorParamsJson::apply(one("unitType", QJsonValue()), &p).isEmpty());
    QVERIFY(!MotorParamsJson::apply(one("modelName", 5), &p).isEmpty());
    QVERIFY(!MotorParamsJson::apply(one("optOrder", QJsonArray{QStringLiteral("N")}), &p).isEmpty());
    const QStringList problems = MotorParamsJson::apply(one("direction", QStringLiteral("up")), &p);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(QLatin1String("direction")) && problems.first().contains(QLatin1String("string")),
             qPrintable(problems.first()));
    compareBlocks(p, sampleBlock());
}

void TestMotorParamsJson::unknownKeysAreReportedAndNothingApplied()
{
    MotorParams p = sampleBlock();
    // A misspelt field must not be dropped silently while the rest is written.
    const QJsonObject changes{{QStringLiteral("pulse"), 6400}, {QStringLiteral("maxSped"), 3.0}};
    const QStringList problems = MotorParamsJson::apply(changes, &p);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(QLatin1String("\"maxSped\"")), qPrintable(problems.first()));
    compareBlocks(p, sampleBlock());
}

void TestMotorParamsJson::everyProblemIsReported()
{
    MotorParams p = sampleBlock();
    const QJsonObject changes{{QStringLiteral("foo"), 1},
                              {QStringLiteral("pulse"), -1},
                              {QStringLiteral("optOrder"), QStringLiteral("ABCDE")},
                              {QStringLiteral("motorType"), 40000},
                              {QStringLiteral("maxAcc"), 10.0}};
    const QStringList problems = MotorParamsJson::apply(changes, &p);
    QCOMPARE(problems.size(), 4);
    const QString all = problems.join(QLatin1Char('\n'));
    for (const char *name : {"foo", "pulse", "optOrder", "motorType"})
        QVERIFY2(all.contains(QLatin1String(name)), name);
    QVERIFY(!all.contains(QLatin1String("maxAcc")));
    compareBlocks(p, sampleBlock());
}

void TestMotorParamsJson::parseObjectErrors()
{
    QJsonObject object;
    const QString broken = MotorParamsJson::parseObject("{\n  \"pulse\": 6400,\n  \"unitType\": ,\n}", &object);
    QVERIFY2(broken.contains(QLatin1String("line 3")), qPrintable(broken));
    QVERIFY(!MotorParamsJson::parseObject("[1, 2]", &object).isEmpty());
    QVERIFY(!MotorParamsJson::parseObject("", &object).isEmpty());
    QVERIFY(!MotorParamsJson::parseObject("\"text\"", &object).isEmpty());
    QCOMPARE(MotorParamsJson::parseObject("{\"pulse\": 6400}", &object), QString());
    QCOMPARE(object.value(QStringLiteral("pulse")).toInt(), 6400);
}

void TestMotorParamsJson::stepCodesNameTheField_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("-1") << -1 << QStringLiteral("at field 1 (modelName): the request was not sent (code -1)");
    QTest::newRow("-2") << -2 << QStringLiteral("at field 1 (modelName): no valid reply from the controller (code -2)");
    QTest::newRow("-3") << -3 << QStringLiteral("at field 2 (serialNumber): the request was not sent (code -3)");
    QTest::newRow("-24") << -24 << QStringLiteral("at field 12 (unitType): no valid reply from the controller (code -24)");
    QTest::newRow("-25") << -25 << QStringLiteral("at field 13 (optOrder): the request was not sent (code -25)");
    QTest::newRow("-45") << -45 << QStringLiteral("at field 23 (maxRockerSpeed): the request was not sent (code -45)");
    QTest::newRow("-46") << -46 << QStringLiteral("at field 23 (maxRockerSpeed): no valid reply from the controller (code -46)");
    QTest::newRow("-60") << -60 << QStringLiteral("at the closing step: the request was not sent (code -60)");
    QTest::newRow("-61") << -61 << QStringLiteral("at the closing step: no valid reply from the controller (code -61)");
    QTest::newRow("-47") << -47 << QStringLiteral("unexpected result (code -47)");
}

void TestMotorParamsJson::stepCodesNameTheField()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(MotorParamsJson::describeStepFailure(code), expected);
}

QTEST_APPLESS_MAIN(TestMotorParamsJson)
#include "tst_velmoctl_params_json.moc"

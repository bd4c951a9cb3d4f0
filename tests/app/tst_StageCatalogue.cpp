// Stage catalogue: key defaults, grouping by stage type, duplicate names,
// keeping the previous catalogue on bad files, and the shipped file.

#include "StageCatalogue.h"
#include "velmoLibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

namespace {

QJsonObject model(const QString &name, int moveType)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), name);
    o.insert(QStringLiteral("moveType"), moveType);
    return o;
}

QJsonDocument catalogue(const QJsonArray &models)
{
    QJsonObject top;
    top.insert(QStringLiteral("VelmoModels"), models);
    return QJsonDocument(top);
}

} // namespace

class tst_StageCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryKeyIntoItsField();
    void missingOrMistypedKeysGiveDefaults();
    void integerKeysTakeOnlyWholeNumbers_data();
    void integerKeysTakeOnlyWholeNumbers();
    void groupsByStageTypeInFileOrder();
    void duplicateNameListedTwiceAndLaterRecordWins();
    void badEntriesAreSkipped();
    void emptyModelArrayEmptiesTheCatalogue();
    void badDocumentsKeepThePreviousCatalogue_data();
    void badDocumentsKeepThePreviousCatalogue();
    void missingFileKeepsThePreviousCatalogue();
    void readsUtf8File();
    void recordTravelsAsRegisteredMetaType();
    void shippedCatalogueIsComplete();
    void motorBlockGivesTheAxisModel();
};

void tst_StageCatalogue::readsEveryKeyIntoItsField()
{
    // Distinct values per key, so a misspelled key cannot go unnoticed.
    const QByteArray json = R"({"VelmoModels": [{
        "name": "X-1", "pulseOneCircle": 3200, "dispOneCircle": 2.5, "restoreSpeed": 4.5,
        "AxisType": 11, "positivePolarity": 1, "negativePolarity": 2, "originPolarity": 3,
        "phaseDirction": 4, "originSigID": 5, "unitString": "mm", "moveType": 0,
        "limitDirection": 6, "optOrder": "PZN", "maxSpeed": 12.25, "maxAcc": 40.5,
        "minPos": -7.5, "maxPos": 93.75, "zeroOptWidth": 160, "optNum": 3,
        "returnTrip": -8, "motorPhase": 2, "modifyDate": 20240312, "maxRockerSpeed": 6.5}]})";
    StageCatalogue c;
    QVERIFY(c.loadJson(QJsonDocument::fromJson(json)));
    const auto p = c.findModel(QStringLiteral("X-1"), 0);
    QVERIFY(p.has_value());
    QCOMPARE(p->name, QStringLiteral("X-1"));
    QCOMPARE(p->pulseOneCircle, 3200);
    QCOMPARE(p->dispOneCircle, 2.5f);
    QCOMPARE(p->restoreSpeed, 4.5f);
    QCOMPARE(p->AxisType, 11);
    QCOMPARE(p->positivePolarity, 1);
    QCOMPARE(p->negativePolarity, 2);
    QCOMPARE(p->originPolarity, 3);
    QCOMPARE(p->phaseDirction, 4);
    QCOMPARE(p->originSigID, 5);
    QCOMPARE(p->unitString, QStringLiteral("mm"));
    QCOMPARE(p->moveType, 0);
    QCOMPARE(p->limitDirection, 6);
    QCOMPARE(p->optOrder, QStringLiteral("PZN"));
    QCOMPARE(p->maxSpeed, 12.25);
    QCOMPARE(p->maxAcc, 40.5);
    QCOMPARE(p->minPos, -7.5);
    QCOMPARE(p->maxPos, 93.75);
    QCOMPARE(p->zeroOptWidth, 160);
    QCOMPARE(p->optNum, 3);
    QCOMPARE(p->returnTrip, -8);
    QCOMPARE(p->motorPhase, 2);
    QCOMPARE(p->modifyDate, 20240312);
    QCOMPARE(p->maxRockerSpeed, 6.5);
    QVERIFY(!p->reservedText.isNull());
    QVERIFY(p->reservedText.isEmpty());
}

void tst_StageCatalogue::missingOrMistypedKeysGiveDefaults()
{
    const QByteArray json = R"({"VelmoModels": [{
        "name": "Y", "dispOneCircle": "1.5", "unitString": 7, "maxSpeed": "10",
        "optOrder": ["N"], "minPos": null, "maxRockerSpeed": true}]})";
    StageCatalogue c;
    QVERIFY(c.loadJson(QJsonDocument::fromJson(json)));
    // No "moveType": a linear stage.
    QCOMPARE(c.lineModels(), QStringList{QStringLiteral("Y")});
    const auto p = c.findModel(QStringLiteral("Y"), 0);
    QVERIFY(p.has_value());
    QCOMPARE(p->dispOneCircle, 0.0f);
    QVERIFY(p->unitString.isEmpty());
    QCOMPARE(p->maxSpeed, 0.0);
    QVERIFY(p->optOrder.isEmpty());
    QCOMPARE(p->minPos, 0.0);
    QCOMPARE(p->maxRockerSpeed, 0.0);
    QCOMPARE(p->pulseOneCircle, 0);
    QCOMPARE(p->modifyDate, 0);

    // A default-constructed record: null texts except the reserved one.
    const VelmoDevParam empty;
    QVERIFY(empty.name.isNull());
    QVERIFY(!empty.reservedText.isNull());
    QCOMPARE(empty.maxPos, 0.0);
}

void tst_StageCatalogue::integerKeysTakeOnlyWholeNumbers_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole") << QByteArray("3200") << 3200;
    QTest::newRow("whole written as fraction") << QByteArray("3200.0") << 3200;
    QTest::newRow("fraction") << QByteArray("3200.5") << 0;
    QTest::newRow("string") << QByteArray("\"3200\"") << 0;
    QTest::newRow("negative") << QByteArray("-12") << -12;
    QTest::newRow("beyond 32 bits") << QByteArray("1e12") << 0;
    QTest::newRow("boolean") << QByteArray("true") << 0;
}

void tst_StageCatalogue::integerKeysTakeOnlyWholeNumbers()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    const QByteArray json = "{\"VelmoModels\": [{\"name\": \"Z\", \"pulseOneCircle\": " + value + "}]}";
    StageCatalogue c;
    QVERIFY(c.loadJson(QJsonDocument::fromJson(json)));
    QCOMPARE(c.modelParams().value(QStringLiteral("Z")).pulseOneCircle, expected);
}

void tst_StageCatalogue::groupsByStageTypeInFileOrder()
{
    QJsonArray models;
    models << model(QStringLiteral("L2"), 0) << model(QStringLiteral("R1"), 1)
           << model(QStringLiteral("A1"), 2) << model(QStringLiteral("H1"), 3)
           << model(QStringLiteral("Odd"), 7) << model(QStringLiteral("L1"), 0)
           << model(QStringLiteral("Neg"), -1);
    StageCatalogue c;
    QVERIFY(c.loadJson(catalogue(models)));
    // File order, not name order.
    QCOMPARE(c.lineModels(), (QStringList{QStringLiteral("L2"), QStringLiteral("L1")}));
    QCOMPARE(c.rotationModels(), QStringList{QStringLiteral("R1")});
    QCOMPARE(c.angularModels(), QStringList{QStringLiteral("A1")});
    QCOMPARE(c.liftingModels(), QStringList{QStringLiteral("H1")});
    QCOMPARE(c.modelsOfType(2), c.angularModels());
    QVERIFY(c.modelsOfType(7).isEmpty());
    // Types outside 0..3: looked up by name, never offered.
    QCOMPARE(c.modelParams().size(), 7);
    QVERIFY(c.findModel(QStringLiteral("Odd"), 7).has_value());
    QVERIFY(!c.findModel(QStringLiteral("Odd"), 0).has_value());
    QVERIFY(!c.findModel(QStringLiteral("nope"), 0).has_value());
}

void tst_StageCatalogue::duplicateNameListedTwiceAndLaterRecordWins()
{
    QJsonObject first = model(QStringLiteral("Twin"), 0);
    first.insert(QStringLiteral("maxPos"), 50);
    QJsonObject second = model(QStringLiteral("Twin"), 1);
    second.insert(QStringLiteral("maxPos"), 360);
    StageCatalogue c;
    QVERIFY(c.loadJson(catalogue(QJsonArray{first, second})));
    QCOMPARE(c.lineModels(), QStringList{QStringLiteral("Twin")});
    QCOMPARE(c.rotationModels(), QStringList{QStringLiteral("Twin")});
    QCOMPARE(c.modelParams().size(), 1);
    QCOMPARE(c.modelParams().value(QStringLiteral("Twin")).maxPos, 360.0);
    // Listed as linear, but the stored record is a rotation stage: no record.
    QVERIFY(!c.findModel(QStringLiteral("Twin"), 0).has_value());
    const auto rotation = c.findModel(QStringLiteral("Twin"), 1);
    QVERIFY(rotation.has_value());
    QCOMPARE(rotation->maxPos, 360.0);
}

void tst_StageCatalogue::badEntriesAreSkipped()
{
    const QByteArray json = R"({"VelmoModels": [5, "text", {}, null, [], {"name": "Good", "moveType": 3}, true]})";
    StageCatalogue c;
    QVERIFY(c.loadJson(QJsonDocument::fromJson(json)));
    QCOMPARE(c.modelParams().keys(), QStringList{QStringLiteral("Good")});
    QCOMPARE(c.liftingModels(), QStringList{QStringLiteral("Good")});
    QVERIFY(c.lineModels().isEmpty());
}

void tst_StageCatalogue::emptyModelArrayEmptiesTheCatalogue()
{
    StageCatalogue c;
    QVERIFY(c.loadJson(catalogue(QJsonArray{model(QStringLiteral("A"), 0), model(QStringLiteral("B"), 1)})));
    QVERIFY(c.loadJson(catalogue(QJsonArray{})));
    QVERIFY(c.lineModels().isEmpty());
    QVERIFY(c.rotationModels().isEmpty());
    QVERIFY(c.modelParams().isEmpty());

    // A non-empty top level without a model array also empties it.
    QVERIFY(c.loadJson(catalogue(QJsonArray{model(QStringLiteral("A"), 0)})));
    QVERIFY(c.loadJson(QJsonDocument::fromJson(R"({"VelmoModels": {"name": "A"}})")));
    QVERIFY(c.modelParams().isEmpty());
}

void tst_StageCatalogue::badDocumentsKeepThePreviousCatalogue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty object") << QByteArray("{}");
    QTest::newRow("syntax error") << QByteArray(R"({"VelmoModels": [{"name": "B", }]})");
    QTest::newRow("top-level array") << QByteArray(R"([{"name": "B"}])");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not json at all") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
}

void tst_StageCatalogue::badDocumentsKeepThePreviousCatalogue()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("deviceModelsParam"));

    QFile good(path);
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(catalogue(QJsonArray{model(QStringLiteral("Keep"), 2)}).toJson());
    good.close();
    StageCatalogue c;
    QVERIFY(c.loadFile(path));

    QFile bad(path);
    QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bad.write(content);
    bad.close();
    QVERIFY(!c.loadFile(path));
    QCOMPARE(c.angularModels(), QStringList{QStringLiteral("Keep")});
    QVERIFY(c.findModel(QStringLiteral("Keep"), 2).has_value());
}

void tst_StageCatalogue::missingFileKeepsThePreviousCatalogue()
{
    StageCatalogue c;
    QVERIFY(!c.loadFile(QStringLiteral("/nonexistent/deviceModelsParam")));
    QVERIFY(c.modelParams().isEmpty());
    QVERIFY(c.loadJson(catalogue(QJsonArray{model(QStringLiteral("Keep"), 0)})));
    QVERIFY(!c.loadFile(QStringLiteral("/nonexistent/deviceModelsParam")));
    QCOMPARE(c.lineModels(), QStringList{QStringLiteral("Keep")});
}

void tst_StageCatalogue::readsUtf8File()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("deviceModelsParam"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(u8R"({"VelmoModels": [{"name": "旋转台-Ⅱ", "moveType": 1, "unitString": "°", "dispOneCircle": 0.1}]})");
    file.close();
    StageCatalogue c;
    QVERIFY(c.loadFile(path));
    const auto p = c.findModel(QString::fromUtf8(u8"旋转台-Ⅱ"), 1);
    QVERIFY(p.has_value());
    QCOMPARE(p->unitString, QString(QChar(0x00B0)));
    // Held in single precision: the nearest float to 0.1, not the double.
    QCOMPARE(p->dispOneCircle, 0.1f);
    QVERIFY(double(p->dispOneCircle) != 0.1);
}

void tst_StageCatalogue::recordTravelsAsRegisteredMetaType()
{
    StageCatalogue c; // registers the record
    const int id = QMetaType::type("VelmoDevParam");
    QVERIFY(id != QMetaType::UnknownType);
    QCOMPARE(id, qMetaTypeId<VelmoDevParam>());

    VelmoDevParam p;
    p.name = QStringLiteral("VLS-50");
    p.maxPos = 50.0;
    // Queued connections copy the argument through the meta-type system.
    void *copy = QMetaType::create(id, &p);
    QVERIFY(copy);
    const VelmoDevParam *copied = static_cast<const VelmoDevParam *>(copy);
    QCOMPARE(copied->name, p.name);
    QCOMPARE(copied->maxPos, 50.0);
    QMetaType::destroy(id, copy);
}

void tst_StageCatalogue::shippedCatalogueIsComplete()
{
    StageCatalogue c;
    QVERIFY2(c.loadFile(StageCatalogue::defaultPath()),
             qPrintable(QStringLiteral("cannot load ") + StageCatalogue::defaultPath()));
    QVERIFY(c.modelParams().size() >= 16);
    // Names are unique: every record is listed exactly once.
    int listed = 0;
    for (int type = 0; type < 4; ++type) {
        QVERIFY2(c.modelsOfType(type).size() >= 2, qPrintable(QString::number(type)));
        listed += c.modelsOfType(type).size();
    }
    QCOMPARE(listed, c.modelParams().size());

    const QString degree(QChar(0x00B0));
    const QRegularExpression optOrder(QStringLiteral("^[NZP]{3}$"));
    for (const VelmoDevParam &p : c.modelParams()) {
        const QByteArray what = p.name.toUtf8();
        const bool angleUnit = p.moveType == 1 || p.moveType == 2;
        QVERIFY2(p.unitString == (angleUnit ? degree : QStringLiteral("mm")), what.constData());
        QVERIFY2(p.minPos < p.maxPos, what.constData());
        QVERIFY2(p.pulseOneCircle > 0 && p.dispOneCircle > 0.0f, what.constData());
        QVERIFY2(p.maxSpeed > 0.0 && p.maxAcc > 0.0, what.constData());
        QVERIFY2(p.restoreSpeed > 0.0f && double(p.restoreSpeed) <= p.maxSpeed, what.constData());
        QVERIFY2(p.maxRockerSpeed > 0.0 && p.maxRockerSpeed <= p.maxSpeed, what.constData());
        QVERIFY2(optOrder.match(p.optOrder).hasMatch(), what.constData());
        QVERIFY2(p.optNum >= 1 && p.optNum <= 3 && p.motorPhase > 0, what.constData());
    }

    // The virtual controller's default scenario relies on these two.
    const auto linear = c.findModel(QStringLiteral("VLS-50"), 0);
    QVERIFY(linear.has_value());
    QCOMPARE(linear->minPos, 0.0);
    QCOMPARE(linear->maxPos, 50.0);
    QCOMPARE(linear->dispOneCircle, 1.0f);
    QCOMPARE(linear->unitString, QStringLiteral("mm"));
    const auto rotation = c.findModel(QStringLiteral("VRS-360"), 1);
    QVERIFY(rotation.has_value());
    QCOMPARE(rotation->minPos, 0.0);
    QCOMPARE(rotation->maxPos, 360.0);
    QCOMPARE(rotation->unitString, degree);
}

// An axis that identifies itself hands its stage model over in its motor
// parameter block; each field lands in the record field of the same meaning.
void tst_StageCatalogue::motorBlockGivesTheAxisModel()
{
    MotorParams block;
    std::memset(&block, 'x', sizeof block);
    std::memset(block.modelName, 'M', sizeof block.modelName); // full: no terminating zero
    std::strcpy(block.serialNumber, "R360-00042");
    std::strcpy(block.optOrder, "0123");
    block.pulse = 70000;
    block.helicalPitch = 1.25;
    block.restoreSpeed = 2.5;
    block.motorType = 2;
    block.pLimitPolarity = 1;
    block.nLimitPolarity = 0;
    block.zeroPolarity = 1;
    block.direction = -1;
    block.limitDirection = 1;
    block.unitType = 0; // not consulted: the type decides the unit
    block.maxSpeed = 30;
    block.maxAcc = 120;
    block.minPos = -5;
    block.maxPos = 355;
    block.zoptWidth = 7;
    block.optNum = 3;
    block.returnTrip = 12;
    block.motorPhase = 2;
    block.modifyDate = 20261208;
    block.maxRockerSpeed = 6;

    VelmoDevParam p = devParamFromMotorBlock(block);
    QCOMPARE(p.name, QString(32, QLatin1Char('M')));
    QCOMPARE(p.reservedText, QStringLiteral("R360-00042"));
    QCOMPARE(p.optOrder, QStringLiteral("0123"));
    QCOMPARE(p.pulseOneCircle, 70000);
    QCOMPARE(p.dispOneCircle, 1.25f);
    QCOMPARE(p.restoreSpeed, 2.5f);
    QCOMPARE(p.unitString, QStringLiteral("°"));
    QCOMPARE(p.moveType, 2);
    QCOMPARE(p.AxisType, 0);
    QCOMPARE(p.originSigID, 0);
    QCOMPARE(p.positivePolarity, 1);
    QCOMPARE(p.negativePolarity, 0);
    QCOMPARE(p.originPolarity, 1);
    QCOMPARE(p.phaseDirction, -1);
    QCOMPARE(p.limitDirection, 1);
    QCOMPARE(p.maxSpeed, 30.0);
    QCOMPARE(p.maxAcc, 120.0);
    QCOMPARE(p.minPos, -5.0);
    QCOMPARE(p.maxPos, 355.0);
    QCOMPARE(p.zeroOptWidth, 7);
    QCOMPARE(p.optNum, 3);
    QCOMPARE(p.returnTrip, 12);
    QCOMPARE(p.motorPhase, 2);
    QCOMPARE(p.modifyDate, 20261208);
    QCOMPARE(p.maxRockerSpeed, 6.0);

    for (int type : {0, 3, 7, -1}) {
        block.motorType = qint16(type);
        block.unitType = 1;
        QCOMPARE(devParamFromMotorBlock(block).unitString, QStringLiteral("mm"));
    }
    block.motorType = 1;
    QCOMPARE(devParamFromMotorBlock(block).unitString, QStringLiteral("°"));
}

QTEST_GUILESS_MAIN(tst_StageCatalogue)
#include "tst_StageCatalogue.moc"

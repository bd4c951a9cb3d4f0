// The add-axis dialog against the virtual controller: the block the confirm
// step programs into the axis (checked frame by frame and read back), the
// case-sensitive unit, the type buttons, a rejected write and a catalogue
// record of the wrong type.
#include "AddControlsWidget.h"
#include "PanelHarness.h"
#include "VelmoDevParam.h"
#include "velmoLibrary.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace panelharness;

namespace {

// Three axes; the third carries no programmed ID chip, as a new stage does.
const char kNewStageOnAxis3[] =
    R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {}]}]})";

const char kLongName[] = "VLS-100-precision-stage-with-a-long-name";

QByteArray model(const char *name, int moveType, const char *unit, const char *optOrder, int pulse = 3200,
                 int returnTrip = 8)
{
    return QStringLiteral(R"({"name": "%1", "pulseOneCircle": %2, "dispOneCircle": 0.5, "restoreSpeed": 2.5,
        "AxisType": 7, "positivePolarity": 1, "negativePolarity": 0, "originPolarity": 1, "phaseDirction": 1,
        "originSigID": 9, "unitString": "%3", "moveType": %4, "limitDirection": 1, "optOrder": "%5",
        "maxSpeed": 5, "maxAcc": 20, "minPos": -50, "maxPos": 50, "zeroOptWidth": 160, "optNum": 3,
        "returnTrip": %6, "motorPhase": 2, "modifyDate": 20240131, "maxRockerSpeed": 1.5})")
        .arg(QString::fromUtf8(name))
        .arg(pulse)
        .arg(QLatin1String(unit))
        .arg(moveType)
        .arg(QString::fromUtf8(optOrder))
        .arg(returnTrip)
        .toUtf8();
}

} // namespace

class tst_AddControlsWidget : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    QString catalogueFile;

    void choose(AddControlsWidget &dialog, const char *typeButton, const QString &modelName, const QString &axis)
    {
        QTest::mouseClick(dialog.findChild<QPushButton *>(QLatin1String(typeButton)), Qt::LeftButton);
        auto *models = dialog.findChild<QComboBox *>(QStringLiteral("comboBox_models"));
        models->setCurrentIndex(models->findText(modelName));
        QCOMPARE(models->currentText(), modelName);
        auto *axes = dialog.findChild<QComboBox *>(QStringLiteral("comboBox_Axsi"));
        axes->setCurrentIndex(axes->findText(axis));
        QCOMPARE(axes->currentText(), axis);
    }

    static QStringList items(const AddControlsWidget &dialog, const char *combo)
    {
        auto *box = dialog.findChild<QComboBox *>(QLatin1String(combo));
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }

    static void confirm(AddControlsWidget &dialog)
    {
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton_confirm")), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        catalogueFile = folder.filePath(QStringLiteral("deviceModelsParam"));
        QFile file(catalogueFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // "Twin" is listed as linear, but its later rotation entry replaces
        // the record: no record of the linear type exists under that name.
        file.write("{\"VelmoModels\": [" + model(kLongName, 0, "mm", "NZPQR", 70000, 70000) + ","
                   + model("VRS-MM", 1, "MM", "NZ") + "," + model("VGS-15", 2, "\xC2\xB0", "NZP") + ","
                   + model("VLF-10", 3, "mm", "NZP") + "," + model("Twin", 0, "mm", "NZP") + ","
                   + model("Twin", 1, "\xC2\xB0", "NZP") + "]}");
    }

    void init() { QVERIFY(openController(kNewStageOnAxis3)); }
    void cleanup() { SerialComDev::instance()->closeDevice(); }

    void confirmProgramsTheAxisThenAsksForItsPanel()
    {
        AddControlsWidget dialog;
        dialog.setAxisList({QStringLiteral("Axis3")});
        QVERIFY(dialog.loadModelsFile(catalogueFile));
        dialog.show();
        QSignalSpy added(&dialog, &AddControlsWidget::signal_addControl);
        choose(dialog, "pushButton_lineControl", QString::fromUtf8(kLongName), QStringLiteral("Axis3"));
        confirm(dialog);

        QCOMPARE(added.count(), 1);
        QCOMPARE(added.at(0).at(0).toString(), QString::fromUtf8(kLongName)); // whole name in the signal
        QCOMPARE(added.at(0).at(1).toInt(), 2);                              // "Axis3" is index 2
        QCOMPARE(added.at(0).at(2).value<VelmoDevParam>().name, QString::fromUtf8(kLongName));
        QCOMPARE(added.at(0).at(3).toBool(), false);
        QVERIFY(!dialog.isVisible());

        // What reached the controller, field by field, all for axis index 2.
        const QList<Written> name = framesOf(0x1007);
        QCOMPARE(name.size(), 1);
        QCOMPARE(name.first().axis(), 2);
        QCOMPARE(name.first().data.mid(2), QByteArray(kLongName).left(32));
        QCOMPARE(framesOf(0x1009).first().data.mid(2), QByteArray(32, '\0')); // no serial number
        QCOMPARE(quint32(framesOf(0x100B).first().i32()), 70000u);             // 32-bit pulse count
        QCOMPARE(framesOf(0x1011).first().u16(), 0);                            // linear
        QCOMPARE(framesOf(0x101D).first().u16(), 0);                            // "mm"
        QCOMPARE(framesOf(0x1024).first().data.mid(2), QByteArray("NZPQ"));     // 4 bytes of the order
        QCOMPARE(framesOf(0x1032).first().u16(), 70000 & 0xFFFF);               // low 16 bits
        QCOMPARE(quint32(framesOf(0x1036).first().i32()), 20240131u);
        QCOMPARE(framesOf(0x102A).first().f64(), -50.0);
        QCOMPARE(written().last().code, 0x2000); // the write sequence closed

        // The block the axis now holds is exactly the one the model asks for.
        MotorParams stored;
        std::memset(&stored, 0, sizeof stored);
        QCOMPARE(getMotorParams(kId, 2, &stored), 0);
        const MotorParams expected = motorBlockFromDevParam(added.at(0).at(2).value<VelmoDevParam>());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&stored), int(sizeof stored)),
                 QByteArray(reinterpret_cast<const char *>(&expected), int(sizeof expected)));
    }

    void typeButtonsListTheirModelsAndTheUnitIsCaseSensitive()
    {
        AddControlsWidget dialog;
        dialog.setAxisList({QStringLiteral("Axis1"), QStringLiteral("Axis3")});
        QVERIFY(dialog.loadModelsFile(catalogueFile));
        QCOMPARE(items(dialog, "comboBox_Axsi"), QStringList({QStringLiteral("Axis1"), QStringLiteral("Axis3")}));
        QCOMPARE(items(dialog, "comboBox_models"), QStringList({QString::fromUtf8(kLongName), QStringLiteral("Twin")}));

        choose(dialog, "pushButton_rotationControl", QStringLiteral("VRS-MM"), QStringLiteral("Axis3"));
        QCOMPARE(items(dialog, "comboBox_models"), QStringList({QStringLiteral("VRS-MM"), QStringLiteral("Twin")}));
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton_angularControl")), Qt::LeftButton);
        QCOMPARE(items(dialog, "comboBox_models"), QStringList({QStringLiteral("VGS-15")}));
        QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("comboBox_Axsi"))->currentText(), QStringLiteral("Axis3"));
        QCOMPARE(dialog.selectedStageType(), 2);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton_liftingControl")), Qt::LeftButton);
        QCOMPARE(items(dialog, "comboBox_models"), QStringList({QStringLiteral("VLF-10")}));

        // "MM" is not "mm": the stage is programmed in degrees.
        choose(dialog, "pushButton_rotationControl", QStringLiteral("VRS-MM"), QStringLiteral("Axis3"));
        confirm(dialog);
        QCOMPARE(framesOf(0x101D).first().u16(), 1);
        QCOMPARE(framesOf(0x1011).first().u16(), 1);
        QCOMPARE(framesOf(0x1024).first().data.mid(2), QByteArray("NZ\0\0", 4));
    }

    void aRejectedWriteKeepsTheDialogOpenForAnotherTry()
    {
        AddControlsWidget dialog;
        dialog.setAxisList({QStringLiteral("Axis3")});
        QVERIFY(dialog.loadModelsFile(catalogueFile));
        dialog.show();
        QSignalSpy added(&dialog, &AddControlsWidget::signal_addControl);
        choose(dialog, "pushButton_liftingControl", QStringLiteral("VLF-10"), QStringLiteral("Axis3"));

        QCOMPARE(vsim_set_fault(kId, VSIM_FAULT_STATUS, 0x1007, 1), VSIM_OK);
        {
            MessageBoxAnswer answer(true);
            confirm(dialog);
            QVERIFY(answer.seen());
            QCOMPARE(answer.text(), QStringLiteral("参数配置错误!请重试。"));
        }
        QCOMPARE(added.count(), 0);
        QVERIFY(dialog.isVisible());

        vsim_clear_written(kId);
        confirm(dialog);
        QCOMPARE(added.count(), 1);
        QCOMPARE(framesOf(0x1007).size(), 1);
        QCOMPARE(written().last().code, 0x2000);
    }

    void nothingIsWrittenWithoutAModelRecordOfTheType()
    {
        AddControlsWidget dialog;
        dialog.setAxisList({QStringLiteral("Axis3")});
        QVERIFY(dialog.loadModelsFile(catalogueFile));
        QSignalSpy added(&dialog, &AddControlsWidget::signal_addControl);
        choose(dialog, "pushButton_lineControl", QStringLiteral("Twin"), QStringLiteral("Axis3"));
        {
            MessageBoxAnswer answer(true);
            confirm(dialog);
            QVERIFY(answer.seen());
            QVERIFY2(answer.text().contains(QStringLiteral("Twin")), qPrintable(answer.text()));
        }
        QCOMPARE(added.count(), 0);
        QCOMPARE(written().size(), 0);

        // No free axis, or no model: confirming does nothing at all.
        dialog.setAxisList({});
        confirm(dialog);
        QCOMPARE(written().size(), 0);
        QVERIFY(!dialog.loadModelsFile(folder.filePath(QStringLiteral("missing"))));
        QCOMPARE(items(dialog, "comboBox_models").size(), 2); // a failed load keeps the catalogue
    }

    void namesAreCutAtAWholeCharacter()
    {
        VelmoDevParam param;
        // 31 ASCII bytes and a 3-byte character: the character does not fit.
        param.name = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234") + QChar(0x4F4D);
        MotorParams block = motorBlockFromDevParam(param);
        QCOMPARE(QByteArray(block.modelName, 32), QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234") + '\0');
        param.name = QStringLiteral("VLS-") + QChar(0x4F4D) + QChar(0x79FB); // fits whole
        block = motorBlockFromDevParam(param);
        QCOMPARE(QString::fromUtf8(block.modelName, int(qstrnlen(block.modelName, 32))), param.name);
        // Read back from the controller, the name is the one written.
        QCOMPARE(devParamFromMotorBlock(block).name, param.name);
        // A block written elsewhere in Latin-1 still reads as its characters.
        std::memset(block.modelName, 0, sizeof block.modelName);
        std::memcpy(block.modelName, "Platine \xE9tag\xE9", 13);
        QCOMPARE(devParamFromMotorBlock(block).name, QStringLiteral("Platine ") + QChar(0xE9) + QStringLiteral("tag") + QChar(0xE9));
    }
};

QTEST_MAIN(tst_AddControlsWidget)
#include "tst_AddControlsWidget.moc"

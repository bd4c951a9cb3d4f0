// velmoApp's start-up options on the main window against the virtual
// controller: --connect waits for the first paint and connects as the
// connection dialog would; --startup-report writes each milestone once, in
// order, on the monotonic clock.
#include "AppResources.h"
#include "ConnectionWidget.h"
#include "IsolatedSettings.h"
#include "PanelHarness.h"
#include "SerialComDev.h"
#include "StartupSequence.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char kThreeOfThree[] =
    R"({"controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {"stage": "VLS-50"}]}]})";

struct Milestone {
    QString name;
    qint64 ms = 0;
    QString detail;
};

QList<Milestone> readReport(const QString &path)
{
    QList<Milestone> milestones;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return milestones;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char(' '));
        milestones.append({fields.value(0), fields.value(1).toLongLong(), fields.value(2)});
    }
    return milestones;
}

QStringList names(const QList<Milestone> &milestones)
{
    QStringList list;
    for (const Milestone &milestone : milestones)
        list << milestone.name;
    return list;
}

} // namespace

class tst_StartupSequence : public QObject
{
    Q_OBJECT

private:
    SerialComDev *service = nullptr;
    QScopedPointer<IsolatedSettings> settings;
    QTemporaryDir folder;

private slots:
    void initTestCase()
    {
        settings.reset(new IsolatedSettings);
        AppResources::init();
        service = SerialComDev::instance();
        QVERIFY(folder.isValid());
    }

    void cleanup()
    {
        service->closeDevice();
        service->setConnected(false);
    }

    void connectsAfterTheFirstPaintAndReportsEachMilestoneOnce()
    {
        QCOMPARE(vsim_load_scenario(kThreeOfThree), VSIM_OK);
        const QString path = folder.filePath(QStringLiteral("three.txt"));
        QElapsedTimer clock;
        clock.start();
        const qint64 before = clock.msecsSinceReference();
        VelmoWidget window;
        new StartupSequence(&window, panelharness::kId, path);
        QVERIFY(!service->isConnected()); // nothing happens before the window is up
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(names(readReport(path)).contains(QStringLiteral("axes-polling")), 5000);
        QTest::qWait(300); // later polls add nothing

        const QList<Milestone> report = readReport(path);
        QCOMPARE(names(report), (QStringList{QStringLiteral("window-shown"), QStringLiteral("connected"),
                                             QStringLiteral("axes-polling")}));
        QVERIFY(report.at(0).ms >= before);
        QVERIFY(report.at(0).ms <= report.at(1).ms && report.at(1).ms <= report.at(2).ms);
        QVERIFY(report.at(2).ms <= clock.msecsSinceReference() + clock.elapsed());
        QCOMPARE(report.at(2).detail, QStringLiteral("3"));
        QVERIFY(service->isConnected());
        QCOMPARE(window.controlWidgets().size(), 3);
        QCOMPARE(window.connectionWidget()->devId(), panelharness::kId);
    }

    // A controller that is not on the bus is reported, nothing is connected,
    // and a report without --connect has the window alone.
    void failuresAndPartsAreReported()
    {
        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        const QString failedPath = folder.filePath(QStringLiteral("failed.txt"));
        {
            VelmoWidget window;
            new StartupSequence(&window, 99, failedPath);
            window.show();
            QTRY_VERIFY_WITH_TIMEOUT(names(readReport(failedPath)).contains(QStringLiteral("connect-failed")), 5000);
            QTest::qWait(300);
            QCOMPARE(names(readReport(failedPath)),
                     (QStringList{QStringLiteral("window-shown"), QStringLiteral("connect-failed")}));
            QVERIFY(!service->isConnected());
            QVERIFY(window.controlWidgets().isEmpty());
        }

        const QString windowOnlyPath = folder.filePath(QStringLiteral("window.txt"));
        VelmoWidget window;
        new StartupSequence(&window, 0, windowOnlyPath);
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(!readReport(windowOnlyPath).isEmpty(), 5000);
        QTest::qWait(300);
        QCOMPARE(names(readReport(windowOnlyPath)), QStringList{QStringLiteral("window-shown")});
        QVERIFY(!service->isConnected());

        // An unwritable report does not keep the connection from being made.
        QCOMPARE(vsim_load_scenario(kThreeOfThree), VSIM_OK);
        VelmoWidget second;
        new StartupSequence(&second, panelharness::kId, folder.filePath(QStringLiteral("missing/dir/report.txt")));
        second.show();
        QTRY_VERIFY_WITH_TIMEOUT(second.controlWidgets().size() == 3, 5000);
        QVERIFY(service->isConnected());
    }
};

QTEST_MAIN(tst_StartupSequence)
#include "tst_StartupSequence.moc"

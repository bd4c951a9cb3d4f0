// The screenshot runner of the manual's shot tool: what it saves, and that a
// window that does not appear stops the run with the shot's name.

#include "ShotRunner.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestShotRunner : public QObject
{
    Q_OBJECT

private slots:
    void savesEachShotInOrderAndTidiesUp()
    {
        QTemporaryDir folder;
        QWidget window;
        window.resize(240, 130);
        window.show();
        QPushButton button(QStringLiteral("press"));
        button.resize(90, 40);
        int tidied = 0;

        ShotRunner runner(QDir(folder.filePath(QStringLiteral("shots"))));
        runner.add(QStringLiteral("window"), [&]() -> QWidget * { return &window; }, [&] { ++tidied; });
        runner.add(QStringLiteral("button"), [&]() -> QWidget * {
            button.show();
            return &button;
        });
        QVERIFY2(runner.run(), qPrintable(runner.error()));
        QCOMPARE(runner.saved(), QStringList({QStringLiteral("window.png"), QStringLiteral("button.png")}));
        QCOMPARE(tidied, 1);
        const QImage first(folder.filePath(QStringLiteral("shots/window.png")));
        QCOMPARE(first.size(), window.size());
        const QImage second(folder.filePath(QStringLiteral("shots/button.png")));
        QCOMPARE(second.size(), button.size());
    }

    void windowThatDoesNotAppearStopsTheRun_data()
    {
        QTest::addColumn<bool>("nullWidget");
        QTest::newRow("no widget") << true;
        QTest::newRow("hidden widget") << false;
    }

    void windowThatDoesNotAppearStopsTheRun()
    {
        QFETCH(bool, nullWidget);
        QTemporaryDir folder;
        QWidget hidden;
        bool laterTaken = false;
        ShotRunner runner{QDir(folder.path())};
        runner.add(QStringLiteral("missing-dialog"), [&]() -> QWidget * { return nullWidget ? nullptr : &hidden; });
        runner.add(QStringLiteral("later"), [&]() -> QWidget * {
            laterTaken = true;
            return &hidden;
        });
        QVERIFY(!runner.run());
        QVERIFY2(runner.error().startsWith(QLatin1String("missing-dialog:")), qPrintable(runner.error()));
        QVERIFY(!laterTaken);
        QVERIFY(runner.saved().isEmpty());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("missing-dialog.png"))));
    }

    void modalBoxIsCapturedAndAnswered()
    {
        QTemporaryDir folder;
        int answer = -1;
        ShotRunner runner{QDir(folder.path())};
        runner.addModal(QStringLiteral("question"), [&] {
            answer = QMessageBox::question(nullptr, QStringLiteral("t"), QStringLiteral("Go on?"),
                                           QMessageBox::Yes | QMessageBox::No);
        });
        QVERIFY2(runner.run(), qPrintable(runner.error()));
        QCOMPARE(runner.saved(), QStringList(QStringLiteral("question.png")));
        QVERIFY(!QImage(folder.filePath(QStringLiteral("question.png"))).isNull());
        // Answered with its first button, so the action returned.
        QVERIFY(answer == QMessageBox::Yes || answer == QMessageBox::No);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void modalShotWithoutABoxFails()
    {
        QTemporaryDir folder;
        ShotRunner runner{QDir(folder.path())};
        runner.addModal(QStringLiteral("no-box"), [] {});
        QVERIFY(!runner.run());
        QVERIFY2(runner.error().contains(QLatin1String("no-box")), qPrintable(runner.error()));
    }

    void unwritableFolderIsReported()
    {
        QTemporaryDir folder;
        QFile blocker(folder.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QWidget window;
        window.show();
        ShotRunner runner{QDir(folder.filePath(QStringLiteral("file/shots")))};
        runner.add(QStringLiteral("window"), [&]() -> QWidget * { return &window; });
        QVERIFY(!runner.run());
        QVERIFY2(runner.error().contains(QLatin1String("cannot create")), qPrintable(runner.error()));
    }

    void clickFindsButtonsByName()
    {
        QWidget parent;
        auto *button = new QPushButton(&parent);
        button->setObjectName(QStringLiteral("pushButton_go"));
        button->resize(60, 30);
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        parent.show();
        QVERIFY(ShotRunner::click(&parent, QStringLiteral("pushButton_go")));
        QCOMPARE(clicks, 1);
        QVERIFY(!ShotRunner::click(&parent, QStringLiteral("pushButton_none")));
        QVERIFY(!ShotRunner::click(nullptr, QStringLiteral("pushButton_go")));
    }
};

QTEST_MAIN(TestShotRunner)
#include "tst_ShotRunner.moc"

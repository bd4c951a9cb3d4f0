// The interface language: where the choice is kept, what start-up makes of
// the stored value, the live switch, a missing catalogue and folders that
// cannot be written.
#include "IsolatedSettings.h"
#include "LanguageSettings.h"
#include "OptionsWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

#include <unistd.h>

namespace {

void store(const QString &path, const QVariant &value)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(QStringLiteral("language/type"), value);
}

QVariant stored(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("language/type"));
}

QString english(const char *context, const char *source)
{
    return QCoreApplication::translate(context, source);
}

// A folder nobody may create files in. Root ignores permission bits, so it
// gets /proc, which refuses new files to everyone.
class UnwritableFolder
{
public:
    UnwritableFolder()
    {
        if (geteuid() == 0) {
            m_path = QStringLiteral("/proc");
        } else {
            m_path = m_dir.path();
            QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
    }
    ~UnwritableFolder()
    {
        if (m_path == m_dir.path())
            QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace

class tst_LanguageSettings : public QObject
{
    Q_OBJECT

    static QRadioButton *radio(const OptionsWidget &dialog, const char *name)
    {
        return dialog.findChild<QRadioButton *>(QLatin1String(name));
    }

    static QString title(const OptionsWidget &dialog)
    {
        return dialog.findChild<QLabel *>(QStringLiteral("label"))->text();
    }

private slots:
    void firstStartIsChineseAndWritesNothing()
    {
        IsolatedSettings folders;
        OptionsWidget dialog;
        QCOMPARE(dialog.currentLanguage(), 0);
        QVERIFY(radio(dialog, "radioButton_cn")->isChecked());
        QCOMPARE(title(dialog), QStringLiteral("设置"));
        QVERIFY(!QFile::exists(folders.programFile()));
        QVERIFY(!QFile::exists(folders.userFile()));
    }

    void storedValuesAtStartUp()
    {
        IsolatedSettings folders;
        store(folders.programFile(), 1);
        {
            OptionsWidget dialog;
            QCOMPARE(dialog.currentLanguage(), 1);
            QVERIFY(radio(dialog, "radioButton_en")->isChecked());
            QCOMPARE(title(dialog), QStringLiteral("Settings"));
            QCOMPARE(english("VelmoWidget", "连接设备"), QStringLiteral("Connect the device serial port COM"));
            QCOMPARE(stored(folders.programFile()).toInt(), 1);
        }
        // The dialog took its catalogue with it.
        QCOMPARE(english("VelmoWidget", "连接设备"), QStringLiteral("连接设备"));

        // 2 is remembered but checks neither button and changes nothing.
        store(folders.programFile(), 2);
        {
            OptionsWidget dialog;
            QCOMPARE(dialog.currentLanguage(), 2);
            QVERIFY(radio(dialog, "radioButton_cn")->isChecked());
            QVERIFY(!radio(dialog, "radioButton_en")->isChecked());
            QCOMPARE(title(dialog), QStringLiteral("设置"));
            QCOMPARE(stored(folders.programFile()).toInt(), 2);
        }

        // A broken file reads as Chinese.
        QFile broken(folders.programFile());
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("[language]\ntype=english\n\x01\x02[[[");
        broken.close();
        QCOMPARE(LanguageSettings().readLanguage(), 0);
        OptionsWidget dialog;
        QCOMPARE(dialog.currentLanguage(), 0);
    }

    void switchingIsLiveAndKept()
    {
        IsolatedSettings folders;
        OptionsWidget dialog;
        QTest::mouseClick(radio(dialog, "radioButton_en"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(dialog.currentLanguage(), 1);
        QCOMPARE(title(dialog), QStringLiteral("Settings"));
        QCOMPARE(stored(folders.programFile()).toInt(), 1);
        QCOMPARE(dialog.settingsPath(), folders.programFile());

        QTest::mouseClick(radio(dialog, "radioButton_cn"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(dialog.currentLanguage(), 0);
        QCOMPARE(title(dialog), QStringLiteral("设置"));
        QCOMPARE(stored(folders.programFile()).toInt(), 0);
        QCOMPARE(english("VelmoWidget", "连接设备"), QStringLiteral("连接设备"));
    }

    void withoutTheCatalogueEnglishIsOnlyStored()
    {
        IsolatedSettings folders(false);
        OptionsWidget dialog;
        QTest::mouseClick(radio(dialog, "radioButton_en"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(dialog.currentLanguage(), 1);
        QVERIFY(radio(dialog, "radioButton_en")->isChecked());
        QCOMPARE(title(dialog), QStringLiteral("设置"));
        QCOMPARE(english("VelmoWidget", "连接设备"), QStringLiteral("连接设备"));
        QCOMPARE(stored(folders.programFile()).toInt(), 1);
    }

    void anUnwritableProgramFolderUsesTheUserFolder()
    {
        UnwritableFolder program;
        QTemporaryDir user;
        const QString userFolder = user.path() + QStringLiteral("/velmoApp");
        const LanguageSettings settings(program.path(), userFolder);
        QCOMPARE(settings.settingsPath(), userFolder + QStringLiteral("/appConfig.ini"));
        QCOMPARE(settings.readLanguage(), 0);
        QVERIFY(settings.writeLanguage(1));
        QCOMPARE(stored(userFolder + QStringLiteral("/appConfig.ini")).toInt(), 1);
        QCOMPARE(LanguageSettings(program.path(), userFolder).readLanguage(), 1);
        QVERIFY(!QFile::exists(program.path() + QStringLiteral("/appConfig.ini")));

        // Through the dialog: the choice survives to the next start.
        LanguageSettings::setDefaultFolders(program.path(), userFolder);
        {
            OptionsWidget dialog;
            QCOMPARE(dialog.currentLanguage(), 1);
            QTest::mouseClick(radio(dialog, "radioButton_cn"), Qt::LeftButton, {}, QPoint(5, 5));
        }
        QCOMPARE(OptionsWidget().currentLanguage(), 0);
        LanguageSettings::setDefaultFolders(QString(), QString());
    }

    // An installed program keeps its choice in the user's folder even where
    // the program folder could be written (root, an unpacked package).
    void anInstalledProgramFolderUsesTheUserFolder()
    {
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/usr/") + LanguageSettings::installedProgramSubfolder();
        QVERIFY(QDir().mkpath(program));
        const QString userFolder = root.path() + QStringLiteral("/home/.config/velmoApp");
        const QString userFile = userFolder + QStringLiteral("/appConfig.ini");
        const QString programFile = program + QStringLiteral("/appConfig.ini");

        const LanguageSettings settings(program + QStringLiteral("/./"), userFolder);
        QCOMPARE(settings.settingsPath(), userFile);
        QVERIFY(settings.writeLanguage(1));
        QCOMPARE(stored(userFile).toInt(), 1);
        QVERIFY(!QFile::exists(programFile));
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());

        // A file shipped beside the program is only the default.
        QVERIFY(QFile::remove(userFile));
        store(programFile, 1);
        QCOMPARE(settings.readLanguage(), 1);
        QVERIFY(settings.writeLanguage(0));
        QCOMPARE(stored(programFile).toInt(), 1);
        QCOMPARE(settings.readLanguage(), 0);

        // A build tree's program folder keeps today's place.
        const QString buildTree = root.path() + QStringLiteral("/build/bin");
        QVERIFY(QDir().mkpath(buildTree));
        QCOMPARE(LanguageSettings(buildTree, userFolder).settingsPath(), buildTree + QStringLiteral("/appConfig.ini"));
    }

    void aChoiceThatCannotBeStoredHoldsUntilTheEnd()
    {
        UnwritableFolder program;
        LanguageSettings::setDefaultFolders(program.path(), program.path() + QStringLiteral("/velmoApp"));
        {
            OptionsWidget dialog;
            QVERIFY(!LanguageSettings().writeLanguage(1));
            QTest::mouseClick(radio(dialog, "radioButton_en"), Qt::LeftButton, {}, QPoint(5, 5));
            QCOMPARE(dialog.currentLanguage(), 1);
            QVERIFY(radio(dialog, "radioButton_en")->isChecked());
        }
        LanguageSettings::setDefaultFolders(QString(), QString());
    }
};

QTEST_MAIN(tst_LanguageSettings)
#include "tst_LanguageSettings.moc"

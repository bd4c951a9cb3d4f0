// The help dialog: where each link leads, in both languages, what the
// desktop is asked to open, the versions it shows, and how the main window
// opens it and hands it the controller's firmware version.
#include "AppResources.h"
#include "ConnectionWidget.h"
#include "HelpWidget.h"
#include "IsolatedSettings.h"
#include "PanelHarness.h"
#include "SerialComDev.h"
#include "VelmoWidget.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTranslator>
#include <QtTest>

namespace {

// Records what the help dialog asks the desktop to open.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// The link targets of a label as Qt's rich-text reader sees them: what a
// click hands to linkActivated.
QStringList hrefs(const QLabel *label)
{
    QTextDocument document;
    document.setHtml(label->text());
    QStringList targets;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString href = it.fragment().charFormat().anchorHref();
            if (!href.isEmpty() && !targets.contains(href))
                targets << href;
        }
    }
    return targets;
}

QString plainText(const QLabel *label)
{
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

QLabel *labelOf(const QWidget *dialog, const char *name)
{
    return dialog->findChild<QLabel *>(QLatin1String(name));
}

struct Link
{
    const char *label;
    QString target;
};

QList<Link> localLinks()
{
    return {{"label_manual", QStringLiteral("/help/台式步进电机驱动控制器用户手册.pdf")},
            {"label_cplusSdk", QStringLiteral("/help/Tarel_velmo_C++SDK")},
            {"label_labviewSdk", QStringLiteral("/help/Tarel_velmo_LabViewSDK")},
            {"label_CSharpSdk", QStringLiteral("/help/Tarel_velmo_C#SDK")},
            {"label_PythonSdk", QStringLiteral("/help/Tarel_velmo_PythonSDK")}};
}

} // namespace

class tst_HelpWidget : public QObject
{
    Q_OBJECT

private:
    QScopedPointer<IsolatedSettings> settings;
    OpenedUrls opened;

    // Every local link leads to its target and the learn-more link to the
    // project page; a click opens the file below the program's folder.
    void checkLinks(HelpWidget &dialog)
    {
        for (const Link &link : localLinks()) {
            QLabel *label = labelOf(&dialog, link.label);
            QVERIFY2(label, link.label);
            QCOMPARE(hrefs(label), QStringList{link.target});
            opened.urls.clear();
            emit label->linkActivated(hrefs(label).value(0));
            QCOMPARE(opened.urls.size(), 1);
            QCOMPARE(opened.urls.first().toLocalFile(), QCoreApplication::applicationDirPath() + link.target);
        }
        QLabel *learnMore = labelOf(&dialog, "label_learnMore");
        QVERIFY(learnMore->openExternalLinks());
        QCOMPARE(hrefs(learnMore), QStringList{HelpWidget::projectPageUrl()});
        QCOMPARE(QUrl(HelpWidget::projectPageUrl()).toLocalFile(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html"));
    }

private slots:
    void initTestCase()
    {
        settings.reset(new IsolatedSettings);
        AppResources::init();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        SerialComDev::instance()->closeDevice();
    }

    void linksSurviveLanguageSwitches()
    {
        HelpWidget dialog;
        QCOMPARE(plainText(labelOf(&dialog, "label_manual")), QStringLiteral("查看"));
        QCOMPARE(plainText(labelOf(&dialog, "label_cplusSdk")), QStringLiteral("查看 C++ SDK"));
        checkLinks(dialog);

        QTranslator english;
        QVERIFY(english.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
        QCoreApplication::installTranslator(&english);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(plainText(labelOf(&dialog, "label_manual")), QStringLiteral("view Manual"));
        QCOMPARE(plainText(labelOf(&dialog, "label_cplusSdk")), QStringLiteral("view C++ SDK"));
        QCOMPARE(plainText(labelOf(&dialog, "label_CSharpSdk")), QStringLiteral("view C# SDK"));
        QCOMPARE(plainText(labelOf(&dialog, "label_learnMore")), QStringLiteral("Learn more"));
        QCOMPARE(labelOf(&dialog, "label_4")->text(), QStringLiteral("Manual:"));
        checkLinks(dialog);

        QCoreApplication::removeTranslator(&english);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(plainText(labelOf(&dialog, "label_PythonSdk")), QStringLiteral("查看Python SDK"));
        QCOMPARE(labelOf(&dialog, "label_4")->text(), QStringLiteral("使用手册："));
        checkLinks(dialog);
        // Switching twice must not stack a second anchor in front of the text.
        QCOMPARE(labelOf(&dialog, "label_manual")->text().count(QStringLiteral("<a ")), 1);
    }

    void versionsAndClosing()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("3.4.5"));
        HelpWidget dialog;
        QCOMPARE(labelOf(&dialog, "label_7")->text(), QStringLiteral("V3.4.5"));
        QCOMPARE(labelOf(&dialog, "label_3")->text(), QString());
        dialog.setEmbeddedVersion(QStringLiteral("VM 2.0.1"));
        QCOMPARE(labelOf(&dialog, "label_3")->text(), QStringLiteral("VM 2.0.1"));

        // A language switch re-applies the form's texts, the versions stay.
        QTranslator english;
        QVERIFY(english.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
        QCoreApplication::installTranslator(&english);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(labelOf(&dialog, "label_2")->text(), QStringLiteral("MCU version:"));
        QCOMPARE(labelOf(&dialog, "label_3")->text(), QStringLiteral("VM 2.0.1"));
        QCOMPARE(labelOf(&dialog, "label_7")->text(), QStringLiteral("V3.4.5"));
        QCoreApplication::removeTranslator(&english);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton_close")), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(labelOf(&dialog, "label_3")->text(), QStringLiteral("VM 2.0.1"));
        QCoreApplication::setApplicationVersion(QString());
    }

    // The folder the links lead to is built beside the program.
    void theHelpFolderHoldsEveryTarget()
    {
        const QString folder = QCoreApplication::applicationDirPath();
        for (const Link &link : localLinks())
            QVERIFY2(QFileInfo::exists(folder + link.target), qPrintable(link.target));
        QVERIFY(QFileInfo(folder + QStringLiteral("/help/台式步进电机驱动控制器用户手册.pdf")).isFile());
        QVERIFY(QFileInfo(folder + QStringLiteral("/help/index.html")).size() > 0);
    }

    void theMainWindowOpensItWithTheFirmwareVersion()
    {
        VelmoWidget window;
        window.resize(1200, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        HelpWidget *dialog = window.helpWidget();
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), &window);
        QVERIFY(!dialog->isVisible());

        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_help")), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->geometry().center(), window.geometry().center());
        QCOMPARE(labelOf(dialog, "label_3")->text(), QString());
        dialog->hide();

        QCOMPARE(vsim_load_scenario(nullptr), VSIM_OK);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_connect")), Qt::LeftButton);
        ConnectionWidget *connection = window.connectionWidget();
        QCOMPARE(connection->findChild<QComboBox *>(QStringLiteral("comboBox_comList"))->currentData().toInt(),
                 panelharness::kId);
        QTest::mouseClick(connection->findChild<QPushButton *>(QStringLiteral("pushButton_connectSerial")),
                          Qt::LeftButton);
        QVERIFY(SerialComDev::instance()->isConnected());
        QCOMPARE(dialog->embeddedVersion(), QStringLiteral("VM 1.0.0"));
        QCOMPARE(labelOf(dialog, "label_3")->text(), QStringLiteral("VM 1.0.0"));
    }
};

QTEST_MAIN(tst_HelpWidget)
#include "tst_HelpWidget.moc"

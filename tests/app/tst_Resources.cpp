// Embedded resources: every image the style sheet and the windows name is a
// real PNG with visibly different states, the style sheet parses without a
// warning and names only existing images, and the embedded English
// catalogue translates.

#include "AppResources.h"
#include "TDoubleSpinBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTranslator>
#include <QtTest>

namespace {

const char *const mainImages[] = {
    "add_checked", "add_hover", "add_normal", "chart_hover", "chart_normal", "chart_pressed",
    "circle_chekced", "circle_normal", "circle_pressed",
    "close", "close_hover", "close_pressed", "company", "connect_checked", "connect_checked_english",
    "connect_hover", "connect_hover_english", "connect_normal", "connect_normal_english", "devLogo",
    "downArrow_checked", "downArrow_hover", "downArrow_normal", "downArrow_pressed", "downArrow_unabled",
    "enabled_checked", "enabled_hover", "enabled_normal", "enabled_pressed", "enabled_unabled",
    "grayPot", "greenPot", "help_hover", "help_normal", "help_pressed", "home_checked", "home_hover",
    "home_normal", "home_pressed", "home_unabled", "left_checked", "left_hover", "left_normal",
    "left_pressed", "left_unabled", "min_hover", "min_normal", "min_pressed", "move_checked",
    "move_hover", "move_normal", "move_pressed", "move_unabled", "options_checked", "options_hover",
    "options_normal", "redPot", "right_checked", "right_hover", "right_normal", "right_pressed",
    "right_unabled", "stop_Hover", "stop_checked", "stop_normal", "stop_pressed", "stop_unabled",
    "window_hover", "window_normal", "window_pressed", "yellowPot"};

const char *const settingsImages[] = {
    "JogParam", "add_hover", "add_normal", "add_pressed", "arrowDown", "checkBox_chekced",
    "checkBox_hover", "checkBox_normal", "circleLeft_hover", "circleLeft_normal", "circleLeft_pressed",
    "circleRight_hover", "circleRight_normal", "circleRight_pressed", "circleStop_hover",
    "circleStop_normal", "circleStop_pressed", "driveParam", "driveParamUp", "moveParam",
    "radio_checked", "radio_hover", "radio_normal", "selectFile_hover", "selectFile_normal",
    "selectFile_pressed", "sub_hover", "sub_normal", "sub_pressed"};

// Referred to by the main window and the placeholder panel.
const char *const extraImages[] = {"showMax", "showNormal", "advertising"};

QStringList allImagePaths()
{
    QStringList paths;
    for (const char *name : mainImages)
        paths << QStringLiteral(":/image/%1.png").arg(QLatin1String(name));
    for (const char *name : extraImages)
        paths << QStringLiteral(":/image/%1.png").arg(QLatin1String(name));
    for (const char *name : settingsImages)
        paths << QStringLiteral(":/image/settings/%1.png").arg(QLatin1String(name));
    return paths;
}

// Share of pixels that differ noticeably between two pictures of one size.
double differingShare(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const int d = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q))
                + qAbs(qAlpha(p) - qAlpha(q));
            if (d > 40)
                ++differing;
        }
    }
    return double(differing) / (x.width() * x.height());
}

QStringList parseWarnings;

void collectParseWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("Could not parse")))
        parseWarnings << message;
}

} // namespace

class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyNamedImageIsAValidPng();
    void noUnlistedImages();
    void statesAreVisiblyDifferent_data();
    void statesAreVisiblyDifferent();
    void connectButtonCarriesItsLanguage();
    void lampsShowTheirColour_data();
    void lampsShowTheirColour();

    void styleSheetIsTheShippedFile();
    void styleSheetNamesOnlyExistingImages();
    void styleSheetAppliesWithoutWarnings();

    void embeddedTranslationTranslates();
    void translationBesideTheProgram();
};

void tst_Resources::initTestCase()
{
    AppResources::init();
    AppResources::init(); // a second call must be harmless
}

void tst_Resources::everyNamedImageIsAValidPng()
{
    const QStringList paths = allImagePaths();
    QCOMPARE(paths.size(), 71 + 29 + 3);
    for (const QString &path : paths) {
        QImageReader reader(path);
        QVERIFY2(reader.canRead(), qPrintable(path));
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(path));
        QVERIFY2(image.width() >= 16 && image.height() >= 16 && image.width() <= 1024 && image.height() <= 512,
                 qPrintable(path));
        // Not blank: something is drawn.
        const QImage small = image.scaled(8, 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        bool visible = false;
        for (int y = 0; y < 8 && !visible; ++y)
            for (int x = 0; x < 8 && !visible; ++x)
                visible = qAlpha(small.pixel(x, y)) > 0;
        QVERIFY2(visible, qPrintable(path));
    }
}

void tst_Resources::noUnlistedImages()
{
    // A misspelt name would show up here as an extra file.
    const QStringList main = QDir(QStringLiteral(":/image")).entryList(QDir::Files);
    const QStringList settings = QDir(QStringLiteral(":/image/settings")).entryList(QDir::Files);
    QCOMPARE(main.size(), 71 + 3);
    QCOMPARE(settings.size(), 29);
}

void tst_Resources::statesAreVisiblyDifferent_data()
{
    QTest::addColumn<QStringList>("images");
    const auto row = [](const char *name, const QStringList &states, const QString &prefix) {
        QStringList images;
        for (const QString &state : states)
            images << QStringLiteral("%1%2_%3.png").arg(prefix, QLatin1String(name), state);
        QTest::newRow(name) << images;
    };
    const QString image = QStringLiteral(":/image/");
    const QString settings = QStringLiteral(":/image/settings/");
    const QStringList five{QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("pressed"),
                           QStringLiteral("checked"), QStringLiteral("unabled")};
    for (const char *name : {"move", "left", "right", "home", "enabled", "downArrow"})
        row(name, five, image);
    row("stop", {QStringLiteral("normal"), QStringLiteral("Hover"), QStringLiteral("pressed"),
                 QStringLiteral("checked"), QStringLiteral("unabled")}, image);
    const QStringList three{QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("pressed")};
    for (const char *name : {"help", "min", "window"})
        row(name, three, image);
    row("options", {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("checked")}, image);
    row("add", {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("checked")}, image);
    row("connect", {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("checked")}, image);
    row("circle", {QStringLiteral("normal"), QStringLiteral("pressed"), QStringLiteral("chekced")}, image);
    row("chart", three, image);
    for (const char *name : {"add", "sub", "circleLeft", "circleRight", "circleStop", "selectFile"})
        row(name, three, settings);
    row("checkBox", {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("chekced")}, settings);
    row("radio", {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("checked")}, settings);
    QTest::newRow("close") << QStringList{image + QStringLiteral("close.png"), image + QStringLiteral("close_hover.png"),
                                          image + QStringLiteral("close_pressed.png")};
}

void tst_Resources::statesAreVisiblyDifferent()
{
    QFETCH(QStringList, images);
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j) {
            const QImage a(images.at(i));
            const QImage b(images.at(j));
            QVERIFY2(!a.isNull() && !b.isNull(), qPrintable(images.at(i) + QLatin1Char(' ') + images.at(j)));
            QCOMPARE(a.size(), b.size());
            QVERIFY2(differingShare(a, b) > 0.02,
                     qPrintable(images.at(i) + QStringLiteral(" looks like ") + images.at(j)));
        }
    }
}

void tst_Resources::connectButtonCarriesItsLanguage()
{
    for (const char *state : {"normal", "hover", "checked"}) {
        const QImage chinese(QStringLiteral(":/image/connect_%1.png").arg(QLatin1String(state)));
        const QImage english(QStringLiteral(":/image/connect_%1_english.png").arg(QLatin1String(state)));
        QCOMPARE(chinese.size(), english.size());
        // Same button, different label: they differ only in the text area.
        const double share = differingShare(chinese, english);
        QVERIFY2(share > 0.01 && share < 0.5, qPrintable(QString::number(share)));
    }
}

void tst_Resources::lampsShowTheirColour_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("colour");
    QTest::newRow("grey") << QStringLiteral(":/image/grayPot.png") << QStringLiteral("grey");
    QTest::newRow("green") << QStringLiteral(":/image/greenPot.png") << QStringLiteral("green");
    QTest::newRow("red") << QStringLiteral(":/image/redPot.png") << QStringLiteral("red");
    QTest::newRow("yellow") << QStringLiteral(":/image/yellowPot.png") << QStringLiteral("yellow");
}

void tst_Resources::lampsShowTheirColour()
{
    QFETCH(QString, path);
    QFETCH(QString, colour);
    const QImage image(path);
    QVERIFY(!image.isNull());
    // Below the highlight, inside the body of the lamp.
    const QColor c = image.pixelColor(image.width() / 2 + image.width() / 8, image.height() * 5 / 8);
    const int r = c.red(), g = c.green(), b = c.blue();
    if (colour == QLatin1String("grey"))
        QVERIFY(qAbs(r - g) < 20 && qAbs(g - b) < 20 && r > 40);
    else if (colour == QLatin1String("green"))
        QVERIFY(g > r + 40 && g > b + 40);
    else if (colour == QLatin1String("red"))
        QVERIFY(r > g + 60 && r > b + 60);
    else
        QVERIFY(r > b + 60 && g > b + 40);
}

void tst_Resources::styleSheetIsTheShippedFile()
{
    QFile shipped(QStringLiteral(VELMO_STYLE_FILE));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QString sheet = AppResources::styleSheet();
    QVERIFY(sheet.size() > 1000);
    QCOMPARE(sheet, QString::fromUtf8(shipped.readAll()));
}

void tst_Resources::styleSheetNamesOnlyExistingImages()
{
    const QString sheet = AppResources::styleSheet();
    const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    int count = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext(); ++count) {
        const QString path = it.next().captured(1).trimmed();
        QVERIFY2(path.startsWith(QLatin1String(":/image/")), qPrintable(path));
        QVERIFY2(QFile::exists(path), qPrintable(path + QStringLiteral(" does not exist")));
    }
    QVERIFY(count > 60);
    // Every rule block closes; an unbalanced brace silently drops rules.
    QCOMPARE(sheet.count(QLatin1Char('{')), sheet.count(QLatin1Char('}')));
}

void tst_Resources::styleSheetAppliesWithoutWarnings()
{
    parseWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectParseWarnings);
    qApp->setStyleSheet(AppResources::styleSheet());

    // Widgets of every class the sheet styles, so that every rule is matched.
    QWidget window;
    window.resize(600, 400);
    auto *spin = new TDoubleSpinBox(&window);
    spin->setGeometry(10, 10, 160, 30);
    auto *check = new QCheckBox(QStringLiteral("输入有效"), &window);
    check->setGeometry(10, 50, 160, 30);
    auto *combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("VLS-50"), QStringLiteral("VRS-360")});
    combo->setGeometry(10, 90, 160, 30);
    auto *button = new QPushButton(QStringLiteral("确认"), &window);
    button->setObjectName(QStringLiteral("pushButton_move"));
    button->setGeometry(10, 130, 100, 44);
    auto *label = new QLabel(QStringLiteral("12.500 mm"), &window);
    label->setObjectName(QStringLiteral("label_currentPos"));
    label->setGeometry(200, 10, 300, 80);
    auto *area = new QScrollArea(&window);
    area->setGeometry(200, 100, 300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    qInstallMessageHandler(previous);
    QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));

    // The spin box rule reached the field: dark #202124 background.
    const QColor field = shot.pixelColor(spin->geometry().left() + 8, spin->geometry().center().y());
    QCOMPARE(field, QColor(0x20, 0x21, 0x24));
    qApp->setStyleSheet(QString());
}

void tst_Resources::embeddedTranslationTranslates()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/i18n/velmo_en_US.qm")));
    QCOMPARE(translator.translate("QObject", "确认"), QStringLiteral("OK"));
    QCOMPARE(translator.translate("QObject", "取消"), QStringLiteral("Cancel"));
    QCOMPARE(translator.translate("QObject", "提示"), QStringLiteral("Message"));
    QCOMPARE(translator.translate("AddControlsWidget", "确定"), QStringLiteral("confirm"));
    QCOMPARE(translator.translate("OptionsWidget", "请匹配位移台实际行程进行设置！"),
             QStringLiteral("Please set according to the \nactual travel of the stage!"));
    // Same source text, different context, different English.
    QCOMPARE(translator.translate("DriveParamWidget", "速度:"), QStringLiteral("speed"));
    QCOMPARE(translator.translate("MoveParamWidget", "速度:"), QStringLiteral("Speed:"));
    // Untranslated texts fall back to the source.
    QVERIFY(translator.translate("PlaceholderWidget", "Form").isEmpty());

    QCoreApplication::installTranslator(&translator);
    QCOMPARE(QObject::tr("确认"), QStringLiteral("OK"));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(QObject::tr("确认"), QStringLiteral("确认"));
}

void tst_Resources::translationBesideTheProgram()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm");
    QFile beside(path);
    QVERIFY2(beside.open(QIODevice::ReadOnly), qPrintable(path));
    QFile embedded(QStringLiteral(":/i18n/velmo_en_US.qm"));
    QVERIFY(embedded.open(QIODevice::ReadOnly));
    QCOMPARE(beside.readAll(), embedded.readAll());
}

QTEST_MAIN(tst_Resources)
#include "tst_Resources.moc"

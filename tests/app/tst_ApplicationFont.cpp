// The application font at start-up: font.ttf beside the program becomes the
// font every widget draws with under the real style sheet; a missing or
// broken file keeps the size and prefers the CJK-capable families; the
// styled message box measures its text in the font its label really draws.

#include "AppResources.h"
#include "StyledMessageBox.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const char dejaVuSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; // Debian: fonts-dejavu-core

const QStringList cjkFamilies{QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei")};

// The family a plain label resolves to under the application style sheet.
QFontInfo labelFontUnderStyleSheet()
{
    QWidget window;
    auto *label = new QLabel(QStringLiteral("速度 12.5 mm/s"), &window);
    label->ensurePolished();
    return QFontInfo(label->font());
}

// Shows the styled box with text; returns the font its label draws with.
QFont messageBoxLabelFont(const QString &text)
{
    QFont drawn;
    int tries = 0;
    QObject guard; // pending checks end with this function
    std::function<void()> checkBox;
    checkBox = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (++tries < 100)
                QTimer::singleShot(20, &guard, checkBox);
            return;
        }
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
            drawn = label->font();
        QTest::keyClick(box, Qt::Key_Escape);
    };
    QTimer::singleShot(0, &guard, checkBox);
    QWidget parent;
    StyledMessageBox::show(&parent, text, StyledMessageBox::Variant::MainWindow);
    return drawn;
}

int widestLine(const QString &text, const QFont &font)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

} // namespace

class tst_ApplicationFont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Before any font is registered: a registration would stay.
    void noFontKeepsSizeAndPrefersCjkFamilies_data();
    void noFontKeepsSizeAndPrefersCjkFamilies();
    void fontFileWinsUnderTheStyleSheet();

private:
    void checkBoxMeasuresLikeItsLabel();

    QFont m_startFont;
};

void tst_ApplicationFont::initTestCase()
{
    AppResources::init();
    QVERIFY2(QFile::exists(QLatin1String(dejaVuSans)), "install fonts-dejavu-core");
    // A start font unlike the file's, so that taking effect shows.
    m_startFont = QFont(QStringLiteral("DejaVu Serif"));
    m_startFont.setPixelSize(11);
    QVERIFY(QFontInfo(m_startFont).family() != QLatin1String("DejaVu Sans"));
}

void tst_ApplicationFont::init()
{
    QApplication::setFont(m_startFont);
}

void tst_ApplicationFont::cleanup()
{
    qApp->setStyleSheet(QString());
}

void tst_ApplicationFont::noFontKeepsSizeAndPrefersCjkFamilies_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("not a font") << QByteArray("this is no TrueType file\n") << true;
    QTest::newRow("cut TrueType header") << QByteArray("\x00\x01\x00\x00\x00\x0c", 6) << true;
}

void tst_ApplicationFont::noFontKeepsSizeAndPrefersCjkFamilies()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, present);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fontFile = dir.filePath(QStringLiteral("font.ttf"));
    if (present) {
        QFile file(fontFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    const QFont before = QApplication::font();
    QCOMPARE(AppResources::applyApplicationFont(fontFile), QStringList());
    const QFont after = QApplication::font();
    QCOMPARE(after.pixelSize(), before.pixelSize());
    QCOMPARE(after.families(), cjkFamilies + QStringList{before.family()});

    qApp->setStyleSheet(AppResources::styleSheet());
    const QFontInfo info = labelFontUnderStyleSheet();
    QCOMPARE(info.pixelSize(), before.pixelSize());
    // The first of the preferred families this machine has.
    const QStringList installed = QFontDatabase().families();
    for (const QString &family : cjkFamilies) {
        if (installed.contains(family)) {
            QCOMPARE(info.family(), family);
            break;
        }
    }
    checkBoxMeasuresLikeItsLabel();
}

void tst_ApplicationFont::fontFileWinsUnderTheStyleSheet()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fontFile = dir.filePath(QStringLiteral("font.ttf"));
    QVERIFY(QFile::copy(QLatin1String(dejaVuSans), fontFile));

    // A family list left by an earlier fallback must not shadow the file.
    AppResources::applyApplicationFont(dir.filePath(QStringLiteral("absent.ttf")));
    const QStringList families = AppResources::applyApplicationFont(fontFile);
    QCOMPARE(families.value(0), QStringLiteral("DejaVu Sans"));
    qApp->setStyleSheet(AppResources::styleSheet());

    const QFontInfo info = labelFontUnderStyleSheet();
    QCOMPARE(info.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(info.pixelSize(), 16);
    checkBoxMeasuresLikeItsLabel();
}

void tst_ApplicationFont::checkBoxMeasuresLikeItsLabel()
{
    const QString text = QStringLiteral("位移台超出行程 Travel exceeded: 12.5 mm\n短");
    const QFont drawn = messageBoxLabelFont(text);
    QCOMPARE(drawn.pixelSize(), 18);
    QCOMPARE(QFontInfo(drawn).family(), QFontInfo(QApplication::font()).family());
    const int width = StyledMessageBox::textWidth(text);
    QVERIFY(width > 200);
    QCOMPARE(width, widestLine(text, drawn));
}

QTEST_MAIN(tst_ApplicationFont)
#include "tst_ApplicationFont.moc"

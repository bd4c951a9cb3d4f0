// The manual's PDF generator: the front block, image lookup and scaling,
// page breaks, the table of contents and the written PDF.

#include "ManualBook.h"
#include "ManualDocument.h"
#include "ManualSource.h"
#include "PdfTextMap.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

// A PDF writer on a scratch file, the device the book lays out for.
struct ScratchDevice
{
    QTemporaryDir folder;
    QPdfWriter writer{folder.filePath(QStringLiteral("scratch.pdf"))};
    ScratchDevice() { writer.setResolution(ManualBook::kResolution); }
    QSizeF page() const { return QSizeF(2000, 3000); }
};

ManualDocument::Fonts fonts()
{
    const QString cjk = ManualBook::cjkFamily();
    return {ManualBook::textFamilies(cjk), ManualBook::monoFamilies(cjk)};
}

QString paragraphs(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("Paragraph %1 of some length to fill the page with lines of text.\n\n").arg(i);
    return text;
}

bool savePicture(const QString &path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path);
}

} // namespace

class TestManualGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (ManualBook::cjkFamily().isEmpty())
            QSKIP("no CJK font installed");
    }

    void frontBlockIsReadAndVersioned()
    {
        ManualSource source;
        QString error;
        QVERIFY(source.parse(QStringLiteral("---\r\ntitle: 手册\r\nedition: Version {version}\r\n\r\n---\r\n# One\r\n"),
                             &error));
        source.setVersion(QStringLiteral("2.3.4"));
        QCOMPARE(source.field(QStringLiteral("title")), QStringLiteral("手册"));
        QCOMPARE(source.field(QStringLiteral("edition")), QStringLiteral("Version 2.3.4"));
        QVERIFY(source.field(QStringLiteral("absent")).isEmpty());
        QCOMPARE(source.body(), QStringLiteral("# One\n"));
    }

    void textWithoutFrontBlockIsAllBody()
    {
        ManualSource source;
        QVERIFY(source.parse(QStringLiteral("# Title\n---\n"), nullptr));
        QCOMPARE(source.body(), QStringLiteral("# Title\n---\n"));
        QVERIFY(source.fields().isEmpty());
    }

    void brokenFrontBlocksAreErrors()
    {
        ManualSource source;
        QString error;
        QVERIFY(!source.parse(QStringLiteral("---\ntitle: x\nsubtitle: never closed\n"), &error));
        QVERIFY2(error.contains(QLatin1String("never closed")), qPrintable(error));
        QVERIFY(source.fields().isEmpty());
        QVERIFY(!source.parse(QStringLiteral("---\nno colon here\n---\n"), &error));
        QVERIFY2(error.contains(QLatin1String("line 2")), qPrintable(error));
        QVERIFY(!source.load(QStringLiteral("/nonexistent/manual.md"), &error));
        QVERIFY2(error.contains(QLatin1String("/nonexistent/manual.md")), qPrintable(error));
    }

    void missingImageIsNamed()
    {
        ScratchDevice device;
        ManualDocument document(&device.writer, device.page(), fonts());
        QVERIFY(!document.build(QStringLiteral("# A\n\n![shot](absent.png)\n"), {device.folder.path()}));
        QCOMPARE(document.errors().size(), 1);
        QVERIFY2(document.errors().first().contains(QLatin1String("absent.png")), qPrintable(document.errors().first()));

        QFile broken(device.folder.filePath(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        QVERIFY(!document.build(QStringLiteral("![b](broken.png)\n"), {device.folder.path()}));
        QVERIFY2(document.errors().value(0).contains(QLatin1String("cannot be read")), qPrintable(document.errors().value(0)));
    }

    void imagesAreFoundInLaterFoldersAndFitThePage()
    {
        ScratchDevice device;
        QTemporaryDir second;
        QVERIFY(savePicture(second.filePath(QStringLiteral("wide.png")), 4000, 400));
        QVERIFY(savePicture(second.filePath(QStringLiteral("small.png")), 40, 30));
        ManualDocument document(&device.writer, device.page(), fonts());
        QVERIFY2(document.build(QStringLiteral("![w](wide.png)\n\n![s](small.png)\n"),
                                {device.folder.path(), second.path()}),
                 qPrintable(document.errors().join(QLatin1Char('\n'))));
        QCOMPARE(document.imageCount(), 2);

        const double scale = device.writer.logicalDpiY() / ManualDocument::imageDpi();
        QList<QTextImageFormat> images;
        for (QTextBlock block = document.document().begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isImageFormat())
                    images << it.fragment().charFormat().toImageFormat();
            }
        }
        QCOMPARE(images.size(), 2);
        // The wide picture shrinks to the page's width, keeping its shape.
        QVERIFY(images.at(0).width() * scale <= device.page().width() + 0.5);
        QVERIFY(images.at(0).width() * scale > device.page().width() * 0.99);
        QCOMPARE(qRound(images.at(0).width() / images.at(0).height()), 10);
        // A small one keeps its own size.
        QCOMPARE(images.at(1).width(), 40.0);
        QCOMPARE(images.at(1).height(), 30.0);
    }

    void chaptersStartOnANewPage()
    {
        ScratchDevice device;
        ManualDocument document(&device.writer, device.page(), fonts());
        QVERIFY(document.build(QStringLiteral("# One\n\nshort\n\n## One.A\n\ntext\n\n# Two\n\nshort\n\n# Three\n"), {}));
        const QList<ManualHeading> headings = document.headings();
        QCOMPARE(headings.size(), 4);
        QCOMPARE(headings.at(0).text, QStringLiteral("One"));
        QCOMPARE(headings.at(1).level, 2);
        QCOMPARE(headings.at(1).page, 0);
        QCOMPARE(headings.at(2).page, 1);
        QCOMPARE(headings.at(3).page, 2);
        QCOMPARE(document.pageCount(), 3);
    }

    void headingNeverEndsAPage()
    {
        ScratchDevice device;
        ManualDocument probe(&device.writer, device.page(), fonts());
        // Find how many paragraphs leave room for one more line only, then
        // put a section heading there.
        int fill = 1;
        for (; fill < 400; ++fill) {
            QVERIFY(probe.build(paragraphs(fill) + QStringLiteral("## Section\n\nFollowing text.\n"), {}));
            const QTextBlock last = probe.document().lastBlock();
            if (probe.pageOf(last) == 1)
                break;
        }
        QVERIFY2(fill < 400, "the page never filled up");
        ManualDocument document(&device.writer, device.page(), fonts());
        QVERIFY(document.build(paragraphs(fill) + QStringLiteral("## Section\n\nFollowing text.\n"), {}));
        const QTextBlock text = document.document().lastBlock();
        const QTextBlock heading = text.previous();
        QCOMPARE(heading.blockFormat().headingLevel(), 2);
        QCOMPARE(document.pageOf(heading), document.pageOf(text));
    }

    void codeListingsHaveNoEmptyTail()
    {
        ScratchDevice device;
        ManualDocument document(&device.writer, device.page(), fonts());
        QVERIFY(document.build(QStringLiteral("text\n\n```sh\nfirst\nsecond\n```\n\nafter\n"), {}));
        QStringList lines;
        for (QTextBlock block = document.document().begin(); block.isValid(); block = block.next())
            lines << block.text();
        QCOMPARE(lines, QStringList({QStringLiteral("text"), QStringLiteral("first"), QStringLiteral("second"),
                                     QStringLiteral("after")}));
        const QTextBlock code = document.document().begin().next();
        QCOMPARE(code.begin().fragment().charFormat().fontFamily(), fonts().mono.first());
        QVERIFY(document.document().begin().begin().fragment().charFormat().fontFamily() != fonts().mono.first());
    }

    void bookNumbersItsContentsFromTheTitlePage()
    {
        ManualSource source;
        QVERIFY(source.parse(QStringLiteral("---\ntitle: 用户手册\ncontents: Contents\n---\n# One\n\na\n\n## One.A\n\n"
                                            "b\n\n# Two\n\nc\n"),
                             nullptr));
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("new/sub/book.pdf"));
        ManualBook book(source);
        QVERIFY2(book.write(pdf, {}), qPrintable(book.error()));
        // Title page, one contents page, two chapters.
        QCOMPARE(book.pageCount(), 4);
        const QList<ManualHeading> contents = book.contents();
        QCOMPARE(contents.size(), 3);
        QCOMPARE(contents.at(0).page, 3);
        QCOMPARE(contents.at(1).page, 3);
        QCOMPARE(contents.at(2).page, 4);

        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        // fromLatin1(QByteArray) would stop at the first zero byte.
        const QString text = QString::fromLatin1(bytes.constData(), bytes.size());
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), book.pageCount());
    }

    void textMapTargetsAreRewrittenInPlace()
    {
        const QHash<uint, uint> map{{0x2F64, 0x7528}, {0x2F3E, 0x6237}};
        QByteArray pdf("stream\n2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0003> [<2F64> <0041> <2F3E>]\n"
                       "<2F64> <2F64> <2F64>\nendbfrange\n1 beginbfchar\n<2F64> <2F64>\nendbfchar\n"
                       "<2F64> outside\n");
        const int size = pdf.size();
        QCOMPARE(PdfTextMap::remap(pdf, map), 4);
        QCOMPARE(pdf.size(), size);
        QCOMPARE(pdf, QByteArray("stream\n2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0003> [<7528> <0041> <6237>]\n"
                                 "<2F64> <2F64> <7528>\nendbfrange\n1 beginbfchar\n<2F64> <7528>\nendbfchar\n"
                                 "<2F64> outside\n"));
        QByteArray unterminated("beginbfrange\n<0001> <0001> <2F64>\n");
        QCOMPARE(PdfTextMap::remap(unterminated, map), 0);
        QCOMPARE(PdfTextMap::remap(pdf, {}), 0);
    }

    void radicalsMapToIdeographsOfTheSameGlyph()
    {
        const QRawFont font = QRawFont::fromFont(QFont(ManualBook::cjkFamily()));
        const QHash<uint, uint> map = PdfTextMap::radicalIdeographs(font);
        QVERIFY(!map.isEmpty());
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            QVERIFY(it.key() >= 0x2E80 && it.key() <= 0x2FDF);
            QVERIFY(it.value() >= 0x3400 && it.value() <= 0x9FFF);
            const QVector<quint32> glyphs =
                font.glyphIndexesForString(QString(QChar(ushort(it.key()))) + QChar(ushort(it.value())));
            QCOMPARE(glyphs.value(0), glyphs.value(1));
        }
        QVERIFY(PdfTextMap::radicalIdeographs(QRawFont()).isEmpty());
    }

    void bookTextMapNamesNoRadicals()
    {
        // Characters whose glyphs the CJK font shares with radicals.
        const QHash<uint, uint> map = PdfTextMap::radicalIdeographs(QRawFont::fromFont(QFont(ManualBook::cjkFamily())));
        QString shared;
        for (uint ideograph : map)
            shared.append(QChar(ushort(ideograph)));
        QVERIFY(!shared.isEmpty());
        ManualSource source;
        QVERIFY(source.parse(QStringLiteral("---\ntitle: 用户手册\n---\n# One\n\n") + shared.left(40) + QLatin1Char('\n'),
                             nullptr));
        QTemporaryDir folder;
        ManualBook book(source);
        QVERIFY2(book.write(folder.filePath(QStringLiteral("book.pdf")), {}), qPrintable(book.error()));
        QFile file(folder.filePath(QStringLiteral("book.pdf")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY(pdf.contains("beginbfrange"));
        const QRegularExpression radical(QStringLiteral("<2[EF][0-9A-F]{2}>"));
        const QString text = QString::fromLatin1(pdf.constData(), pdf.size());
        QVERIFY(text.contains(QLatin1String("endbfrange")));
        QVERIFY(!radical.match(text).hasMatch());
    }

    void bookReportsWhatItCannotDo()
    {
        ManualSource source;
        QVERIFY(source.parse(QStringLiteral("# One\n\n![x](gone.png)\n"), nullptr));
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("book.pdf"));
        ManualBook book(source);
        QVERIFY(!book.write(pdf, {folder.path()}));
        QVERIFY2(book.error().contains(QLatin1String("gone.png")), qPrintable(book.error()));

        QVERIFY(source.parse(QStringLiteral("# One\n"), nullptr));
        QFile blocker(folder.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ManualBook blocked(source);
        QVERIFY(!blocked.write(folder.filePath(QStringLiteral("file/book.pdf")), {}));
        QVERIFY2(blocked.error().contains(QLatin1String("cannot create")), qPrintable(blocked.error()));
    }
};

int main(int argc, char *argv[])
{
    // As in the generator: image sizes in pixels at 96 dpi.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QGuiApplication app(argc, argv);
    TestManualGenerator test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ManualGenerator.moc"

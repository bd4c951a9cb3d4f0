// Build-time tool: renders the icon set's SVG files to PNG.
//
//   velmo_svgrender <manifest>
//
// Each manifest line is "<svg>\t<png>\t<width>\t<height>" (tabs, so that
// paths may hold blanks). The tool fails
// (non-zero exit, message on stderr) instead of writing a PNG that would look
// wrong: an SVG that does not parse, a <text> whose font is not installed or
// lacks one of its characters, or a picture that comes out fully transparent.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSvgRenderer>
#include <QTextStream>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

void fail(const QString &message)
{
    std::fprintf(stderr, "velmo_svgrender: %s\n", qPrintable(message));
}

// Every <text> must name an installed family (its first entry) that holds
// every character it draws; Qt would otherwise fall back silently.
bool checkTexts(const QString &svgPath, const QByteArray &svg)
{
    QXmlStreamReader xml(svg);
    const QStringList installed = QFontDatabase().families();
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("text"))
            continue;
        const QString familyList = xml.attributes().value(QLatin1String("font-family")).toString();
        const QString family = familyList.section(QLatin1Char(','), 0, 0).trimmed().remove(QLatin1Char('\''));
        const QString weight = xml.attributes().value(QLatin1String("font-weight")).toString();
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (family.isEmpty()) {
            fail(QStringLiteral("%1: <text> without font-family").arg(svgPath));
            return false;
        }
        if (!installed.contains(family, Qt::CaseInsensitive)) {
            fail(QStringLiteral("%1: font \"%2\" is not installed (needed for \"%3\"); install fonts-noto-cjk")
                     .arg(svgPath, family, text));
            return false;
        }
        QFont font(family);
        if (weight == QLatin1String("bold"))
            font.setBold(true);
        const QRawFont raw = QRawFont::fromFont(font);
        for (const QChar ch : text) {
            if (ch.isSpace())
                continue;
            if (!raw.isValid() || !raw.supportsCharacter(ch)) {
                fail(QStringLiteral("%1: font \"%2\" has no glyph for '%3'").arg(svgPath, family, QString(ch)));
                return false;
            }
        }
    }
    if (xml.hasError()) {
        fail(QStringLiteral("%1: %2").arg(svgPath, xml.errorString()));
        return false;
    }
    return true;
}

bool hasVisiblePixels(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 0)
                return true;
        }
    }
    return false;
}

bool render(const QString &svgPath, const QString &pngPath, int width, int height)
{
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1").arg(svgPath));
        return false;
    }
    const QByteArray svg = file.readAll();
    if (!checkTexts(svgPath, svg))
        return false;

    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        fail(QStringLiteral("%1: not a valid SVG").arg(svgPath));
        return false;
    }
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter, QRectF(0, 0, width, height));
    }
    if (!hasVisiblePixels(image)) {
        fail(QStringLiteral("%1: renders fully transparent").arg(svgPath));
        return false;
    }
    QDir().mkpath(QFileInfo(pngPath).absolutePath());
    if (!image.save(pngPath, "PNG")) {
        fail(QStringLiteral("cannot write %1").arg(pngPath));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Runs during the build, without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        fail(QStringLiteral("usage: velmo_svgrender <manifest>"));
        return 2;
    }
    QFile manifest(args.at(1));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(QStringLiteral("cannot read %1").arg(args.at(1)));
        return 2;
    }
    QTextStream in(&manifest);
    int count = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        bool okWidth = false;
        bool okHeight = false;
        const int width = parts.value(2).toInt(&okWidth);
        const int height = parts.value(3).toInt(&okHeight);
        if (parts.size() != 4 || !okWidth || !okHeight || width <= 0 || height <= 0) {
            fail(QStringLiteral("bad manifest line: %1").arg(line));
            return 2;
        }
        if (!render(parts.at(0), parts.at(1), width, height))
            return 1;
        ++count;
    }
    std::printf("velmo_svgrender: %d images\n", count);
    return 0;
}

#include "ManualBook.h"

#include "ManualDocument.h"
#include "PdfTextMap.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>

#include <algorithm>

namespace {

// Page margins in millimetres; the footer sits inside the bottom one.
constexpr double kMarginSideMm = 20.0;
constexpr double kMarginTopMm = 20.0;
constexpr double kMarginBottomMm = 24.0;
constexpr double kFooterFromBottomMm = 12.0;

const QColor kFooterColour(110, 110, 110);
const QColor kTitleColour(20, 60, 120);

double millimetres(const QPaintDevice &device, double mm)
{
    return mm / 25.4 * device.logicalDpiX();
}

QString firstInstalled(const QStringList &wanted)
{
    const QStringList installed = QFontDatabase().families();
    for (const QString &family : wanted) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return QString();
}

} // namespace

ManualBook::ManualBook(const ManualSource &source) : m_source(source) {}

QString ManualBook::cjkFamily()
{
    return firstInstalled({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                           QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei")});
}

QStringList ManualBook::textFamilies(const QString &cjk)
{
    QStringList families;
    const QString latin = firstInstalled({QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    if (!latin.isEmpty())
        families << latin;
    return families << cjk;
}

QStringList ManualBook::monoFamilies(const QString &cjk)
{
    QString latin = firstInstalled({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    if (latin.isEmpty())
        latin = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    QStringList families{latin};
    const QString cjkMono = firstInstalled({QStringLiteral("Noto Sans Mono CJK SC")});
    if (!cjkMono.isEmpty())
        families << cjkMono;
    return families << cjk;
}

bool ManualBook::write(const QString &pdfPath, const QStringList &imageFolders)
{
    m_error.clear();
    m_contents.clear();
    m_pageCount = 0;
    m_imageCount = 0;
    const QString cjk = cjkFamily();
    if (cjk.isEmpty()) {
        m_error = QStringLiteral("no font with Chinese glyphs is installed (Debian: fonts-noto-cjk)");
        return false;
    }
    m_textFamilies = textFamilies(cjk);
    m_monoFamilies = monoFamilies(cjk);
    const QFileInfo target(pdfPath);
    if (!QDir().mkpath(target.absolutePath())) {
        m_error = QStringLiteral("cannot create the folder %1").arg(target.absolutePath());
        return false;
    }

    QPdfWriter writer(pdfPath);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle(m_source.field(QStringLiteral("title")));
    const QString creator = m_source.field(QStringLiteral("creator"));
    writer.setCreator(creator.isEmpty() ? QStringLiteral("velmo_manualpdf") : creator);

    const double side = millimetres(writer, kMarginSideMm);
    const double top = millimetres(writer, kMarginTopMm);
    const QSizeF bodySize(writer.width() - 2 * side, writer.height() - top - millimetres(writer, kMarginBottomMm));

    ManualDocument body(&writer, bodySize, {m_textFamilies, m_monoFamilies});
    if (!body.build(m_source.body(), imageFolders)) {
        m_error = body.errors().join(QLatin1Char('\n'));
        return false;
    }
    m_imageCount = body.imageCount();

    QList<ManualHeading> listed;
    const QList<ManualHeading> headings = body.headings();
    std::copy_if(headings.begin(), headings.end(), std::back_inserter(listed),
                 [](const ManualHeading &heading) { return heading.level <= kContentsDepth; });

    // Two passes: the contents' own length decides where the body starts.
    QTextDocument contents;
    contents.documentLayout()->setPaintDevice(&writer);
    contents.setPageSize(bodySize);
    fillContents(contents, listed, 0);
    const int contentsPages = contents.pageCount();
    const int firstBodyPage = 2 + contentsPages; // printed numbers start at 1
    fillContents(contents, listed, firstBodyPage);
    for (ManualHeading &heading : listed)
        heading.page += firstBodyPage;
    m_contents = listed;

    QPainter painter;
    if (!painter.begin(&writer)) {
        m_error = QStringLiteral("cannot write %1").arg(pdfPath);
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawTitlePage(painter, writer, imageFolders);

    int pageNumber = 1;
    const auto nextPage = [&] {
        writer.newPage();
        ++pageNumber;
        drawFooter(painter, writer, pageNumber);
        painter.save();
        painter.translate(side, top);
    };
    for (int page = 0; page < contents.pageCount(); ++page) {
        nextPage();
        const QRectF area(0, page * bodySize.height(), bodySize.width(), bodySize.height());
        painter.translate(0, -area.top());
        painter.setClipRect(area);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = area;
        contents.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    for (int page = 0; page < body.pageCount(); ++page) {
        nextPage();
        body.drawPage(&painter, page);
        painter.restore();
    }
    painter.end();
    m_pageCount = pageNumber;
    return repairTextMap(pdfPath, cjk);
}

bool ManualBook::repairTextMap(const QString &pdfPath, const QString &cjkFamily)
{
    QFile in(pdfPath);
    if (!in.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read back %1").arg(pdfPath);
        return false;
    }
    QByteArray pdf = in.readAll();
    in.close();
    if (PdfTextMap::remap(pdf, PdfTextMap::radicalIdeographs(QRawFont::fromFont(QFont(cjkFamily)))) == 0)
        return true;
    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size() || !out.commit()) {
        m_error = QStringLiteral("cannot write %1").arg(pdfPath);
        return false;
    }
    return true;
}

void ManualBook::fillContents(QTextDocument &document, const QList<ManualHeading> &headings, int firstBodyPage) const
{
    const double pt = document.documentLayout()->paintDevice()->logicalDpiY() / 72.0;
    document.clear();
    document.setDocumentMargin(0);
    QFont font;
    font.setFamilies(m_textFamilies);
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    QTextCursor cursor(&document);

    QTextCharFormat heading;
    heading.setFontPointSize(20);
    heading.setFontWeight(QFont::Bold);
    heading.setForeground(kTitleColour);
    QTextBlockFormat headingBlock;
    headingBlock.setBottomMargin(14 * pt);
    cursor.setBlockFormat(headingBlock);
    cursor.insertText(m_source.field(QStringLiteral("contents")), heading);

    if (headings.isEmpty())
        return;
    QTextTableFormat tableFormat;
    tableFormat.setBorder(0);
    tableFormat.setCellSpacing(0);
    tableFormat.setCellPadding(2 * pt);
    tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                           QTextLength(QTextLength::PercentageLength, 10)});
    cursor.movePosition(QTextCursor::End);
    QTextTable *table = cursor.insertTable(headings.size(), 2, tableFormat);
    for (int row = 0; row < headings.size(); ++row) {
        const ManualHeading &entry = headings.at(row);
        QTextCharFormat text;
        text.setFontPointSize(entry.level == 1 ? 11 : 10);
        text.setFontWeight(entry.level == 1 ? QFont::Bold : QFont::Normal);
        QTextBlockFormat indent;
        indent.setLeftMargin((entry.level - 1) * 16 * pt);
        indent.setTopMargin(entry.level == 1 ? 5 * pt : 0);
        QTextCursor cell = table->cellAt(row, 0).firstCursorPosition();
        cell.setBlockFormat(indent);
        cell.insertText(entry.text, text);

        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setTopMargin(indent.topMargin());
        QTextCursor number = table->cellAt(row, 1).firstCursorPosition();
        number.setBlockFormat(right);
        number.insertText(QString::number(entry.page + firstBodyPage), text);
    }
}

void ManualBook::drawTitlePage(QPainter &painter, QPaintDevice &device, const QStringList &imageFolders) const
{
    const double width = device.width();
    const double height = device.height();
    const double side = millimetres(device, kMarginSideMm);
    const auto line = [&](const QString &text, double pointSize, bool bold, double y, const QColor &colour) {
        QFont font;
        font.setFamilies(m_textFamilies);
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        painter.setFont(font);
        painter.setPen(colour);
        const QRectF box(side, y, width - 2 * side, height / 10);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    };

    painter.fillRect(QRectF(0, 0, width, millimetres(device, 12)), kTitleColour);
    line(m_source.field(QStringLiteral("title")), 28, true, height * 0.16, kTitleColour);
    line(m_source.field(QStringLiteral("subtitle")), 16, false, height * 0.25, Qt::black);
    line(m_source.field(QStringLiteral("edition")), 12, false, height * 0.31, kFooterColour);

    const QString cover = m_source.field(QStringLiteral("cover"));
    for (const QString &folder : imageFolders) {
        const QImage image(QDir(folder).filePath(cover));
        if (cover.isEmpty() || image.isNull())
            continue;
        const QRectF room(side, height * 0.40, width - 2 * side, height * 0.45);
        const QSizeF size = QSizeF(image.size()).scaled(room.size(), Qt::KeepAspectRatio);
        const QRectF place(room.center().x() - size.width() / 2, room.top(), size.width(), size.height());
        painter.drawImage(place, image);
        break;
    }
    line(m_source.field(QStringLiteral("publisher")), 11, false, height * 0.90, kFooterColour);
}

void ManualBook::drawFooter(QPainter &painter, QPaintDevice &device, int pageNumber) const
{
    const double side = millimetres(device, kMarginSideMm);
    const double y = device.height() - millimetres(device, kFooterFromBottomMm);
    QFont font;
    font.setFamilies(m_textFamilies);
    font.setPointSizeF(8.5);
    painter.setFont(font);
    painter.setPen(kFooterColour);
    const double lineHeight = millimetres(device, 5);
    painter.drawLine(QPointF(side, y - millimetres(device, 2)), QPointF(device.width() - side, y - millimetres(device, 2)));
    const QRectF box(side, y, device.width() - 2 * side, lineHeight);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, m_source.field(QStringLiteral("footer")));
    painter.drawText(box, Qt::AlignRight | Qt::AlignTop, QString::number(pageNumber));
}

#include "ManualDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// Heading sizes in points by level (1 = chapter).
double headingPoints(int level)
{
    switch (level) {
    case 1: return 20.0;
    case 2: return 14.0;
    case 3: return 12.0;
    default: return 11.0;
    }
}

const QColor kHeadingColour(20, 60, 120);
const QColor kCodeBackground(242, 243, 245);
const QColor kTableBorder(150, 150, 150);
const QColor kTableHeader(226, 232, 240);
// An image may take at most this share of the page's height, so that its
// caption and some text still fit beside it.
constexpr double kMaxImageHeightShare = 0.62;
constexpr int kMaxKeepPasses = 100;
// Block property of a picture on its own line: like a heading, it stays on
// the page of the caption that follows it.
constexpr int kKeepWithNext = QTextFormat::UserProperty + 1;

bool isCode(const QTextBlock &block)
{
    if (!block.isValid())
        return false;
    const QTextBlockFormat format = block.blockFormat();
    if (format.hasProperty(QTextFormat::BlockCodeFence) || format.hasProperty(QTextFormat::BlockCodeLanguage))
        return true;
    // Indented code blocks carry no fence: every fragment is fixed pitch.
    bool any = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (!it.fragment().charFormat().fontFixedPitch())
            return false;
        any = true;
    }
    return any && format.nonBreakableLines();
}

QString findImage(const QString &name, const QStringList &folders)
{
    const QString local = QUrl(name).isLocalFile() ? QUrl(name).toLocalFile() : name;
    if (QFileInfo(local).isAbsolute())
        return QFileInfo::exists(local) ? local : QString();
    for (const QString &folder : folders) {
        const QString candidate = QDir(folder).filePath(local);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

} // namespace

ManualDocument::ManualDocument(QPaintDevice *device, const QSizeF &pageSize, const Fonts &fonts)
    : m_device(device), m_pageSize(pageSize), m_fonts(fonts)
{
}

double ManualDocument::imageDpi()
{
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return 96.0;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return std::round(screen->logicalDotsPerInchY());
    return 100.0;
}

double ManualDocument::points(double pt) const
{
    return pt * m_device->logicalDpiY() / 72.0;
}

bool ManualDocument::build(const QString &markdown, const QStringList &imageFolders)
{
    m_errors.clear();
    m_imageCount = 0;
    m_document.clear();
    m_document.documentLayout()->setPaintDevice(m_device);
    m_document.setDocumentMargin(0);
    QFont font;
    font.setFamilies(m_fonts.text);
    font.setPointSizeF(10);
    m_document.setDefaultFont(font);
    m_document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    if (!placeImages(imageFolders))
        return false;
    dropCodeTails();
    styleBlocks();
    styleTables();
    // One fix per pass, each on a complete fresh layout: the layout's own
    // incremental update after a format change is not reliable for paging.
    for (int pass = 0; pass < kMaxKeepPasses; ++pass) {
        m_document.setPageSize(m_pageSize);
        if (!keepWithNextBlock())
            break;
    }
    m_document.setPageSize(m_pageSize);
    return true;
}

bool ManualDocument::placeImages(const QStringList &imageFolders)
{
    const double scale = m_device->logicalDpiY() / imageDpi();
    const double maxWidth = m_pageSize.width() / scale;
    const double maxHeight = m_pageSize.height() * kMaxImageHeightShare / scale;

    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString name = format.name();
            const QString path = findImage(name, imageFolders);
            const QImage image = path.isEmpty() ? QImage() : QImage(path);
            if (image.isNull()) {
                m_errors << (path.isEmpty() ? QStringLiteral("image %1 not found in %2")
                                                  .arg(name, imageFolders.join(QStringLiteral(", ")))
                                            : QStringLiteral("image %1 (%2) cannot be read").arg(name, path));
                continue;
            }
            m_document.addResource(QTextDocument::ImageResource, QUrl(name), image);
            const double fit = std::min({1.0, maxWidth / image.width(), maxHeight / image.height()});
            format.setWidth(image.width() * fit);
            format.setHeight(image.height() * fit);
            QTextCursor cursor(&m_document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
            ++m_imageCount;
            // A picture on its own line sits in the middle of the page.
            if (block.length() - 1 == fragment.length()) {
                QTextBlockFormat centred = block.blockFormat();
                centred.setAlignment(Qt::AlignHCenter);
                centred.setProperty(kKeepWithNext, true);
                QTextCursor(block).setBlockFormat(centred);
            }
        }
    }
    return m_errors.isEmpty();
}

void ManualDocument::dropCodeTails()
{
    // The Markdown reader ends every fenced block with an empty line of code.
    for (QTextBlock block = m_document.begin(); block.isValid();) {
        const QTextBlock next = block.next();
        if (block.length() == 1 && isCode(block) && block.previous().isValid() && isCode(block.previous())
            && !(next.isValid() && isCode(next))) {
            QTextCursor cursor(&m_document);
            cursor.setPosition(block.position());
            cursor.setPosition(block.position() - 1, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        block = next;
    }
}

void ManualDocument::styleBlocks()
{
    bool first = true;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat blockFormat = block.blockFormat();
        const int level = blockFormat.headingLevel();
        const bool code = level == 0 && isCode(block);

        if (level > 0) {
            blockFormat.setTopMargin(points(level == 1 ? 0 : 10));
            blockFormat.setBottomMargin(points(level == 1 ? 12 : 5));
            // Every chapter opens a page; the first one already does.
            if (level == 1 && !first)
                blockFormat.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        } else if (code) {
            // One block per line: space only around the whole listing.
            blockFormat.setBackground(kCodeBackground);
            blockFormat.setLeftMargin(points(6));
            blockFormat.setTopMargin(isCode(block.previous()) ? 0 : points(2));
            blockFormat.setBottomMargin(isCode(block.next()) ? 0 : points(7));
            // Long lines wrap rather than run off the page.
            blockFormat.setNonBreakableLines(false);
        } else if (block.textList() == nullptr && cursor.currentTable() == nullptr) {
            blockFormat.setBottomMargin(points(5));
        }
        cursor.setBlockFormat(blockFormat);
        first = false;

        // Fragment by fragment, so that bold, italic and links keep their
        // own formats; the size adjustment the Markdown reader gives
        // headings is replaced by fixed sizes.
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat())
                continue;
            if (level > 0) {
                format.clearProperty(QTextFormat::FontSizeAdjustment);
                format.setFontPointSize(headingPoints(level));
                format.setFontWeight(QFont::Bold);
                format.setForeground(kHeadingColour);
            }
            if (format.fontFixedPitch() || code) {
                // The reader sets a family of its own for inline code; it
                // would come before the list.
                format.setFontFamily(m_fonts.mono.value(0));
                format.setFontFamilies(m_fonts.mono);
                format.setFontPointSize(code ? 8.5 : 9.0);
            }
            QTextCursor range(&m_document);
            range.setPosition(fragment.position());
            range.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            range.setCharFormat(format);
        }
    }
}

void ManualDocument::styleTables()
{
    QList<QTextFrame *> frames{m_document.rootFrame()};
    while (!frames.isEmpty()) {
        QTextFrame *frame = frames.takeFirst();
        frames << frame->childFrames();
        auto *table = qobject_cast<QTextTable *>(frame);
        if (table == nullptr)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(points(0.6));
        format.setBorderBrush(kTableBorder);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(points(3));
        format.setTopMargin(points(3));
        format.setBottomMargin(points(8));
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        // No repeated header rows: Qt draws a repeated header over the text
        // that follows a table ending at the foot of a page.
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(kTableHeader);
            cell.setFormat(cellFormat);
        }
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                QTextCharFormat size;
                size.setFontPointSize(9.0);
                if (row == 0)
                    size.setFontWeight(QFont::Bold);
                cursor.mergeCharFormat(size);
            }
        }
    }
}

void ManualDocument::finishLayout() const
{
    // The layout runs lazily and only as far as a query needs; where a block
    // lands depends on everything before it, so lay out the whole document.
    m_document.pageCount();
}

bool ManualDocument::keepWithNextBlock()
{
    finishLayout();
    bool moved = false;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        const bool keep = format.headingLevel() > 0 || format.boolProperty(kKeepWithNext);
        if (!keep || format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            continue;
        const QTextBlock next = block.next();
        if (!next.isValid() || pageOf(next) == pageOf(block))
            continue;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(format);
        moved = true;
        break; // everything after it moves: measure again
    }
    return moved;
}

int ManualDocument::pageOf(const QTextBlock &block) const
{
    finishLayout();
    const QTextLayout *layout = block.layout();
    double top = m_document.documentLayout()->blockBoundingRect(block).top();
    if (layout != nullptr && layout->lineCount() > 0)
        top += layout->lineAt(0).y();
    return std::max(0, int(top / m_pageSize.height()));
}

int ManualDocument::pageCount() const
{
    return m_document.pageCount();
}

QList<ManualHeading> ManualDocument::headings() const
{
    QList<ManualHeading> list;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level > 0)
            list.append({level, block.text().trimmed(), pageOf(block)});
    }
    return list;
}

void ManualDocument::drawPage(QPainter *painter, int page) const
{
    finishLayout();
    const QRectF area(0, page * m_pageSize.height(), m_pageSize.width(), m_pageSize.height());
    painter->save();
    painter->translate(0, -area.top());
    painter->setClipRect(area);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = area;
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document.documentLayout()->draw(painter, context);
    painter->restore();
}

#pragma once

#include "ManualHeading.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTextDocument>

class QPaintDevice;
class QPainter;

// The manual's body: the Markdown laid out for print on pages of a fixed
// size, measured in the units of the device it is drawn on (a PDF writer at
// 300 dpi). Chapters start on a new page, a heading or a picture never stays
// apart from the text that follows it at the foot of a page, images are scaled to fit the page, tables get borders and
// code a monospace face.
class ManualDocument
{
public:
    // Family lists, first choice first: Latin text takes the first family,
    // Chinese falls back to a later one that has CJK glyphs.
    struct Fonts
    {
        QStringList text;
        QStringList mono;
    };

    ManualDocument(QPaintDevice *device, const QSizeF &pageSize, const Fonts &fonts);

    // Reads markdown, finds every image in imageFolders (first match wins;
    // absolute names are taken as they are), styles and lays it out. False
    // when an image is missing or unreadable; errors() names each one.
    bool build(const QString &markdown, const QStringList &imageFolders);
    QStringList errors() const { return m_errors; }

    int pageCount() const;
    QSizeF pageSize() const { return m_pageSize; }
    // Headings in document order with the page each one starts on.
    QList<ManualHeading> headings() const;
    // Number of images placed in the document.
    int imageCount() const { return m_imageCount; }
    // Draws one page with its top-left corner at the painter's origin.
    void drawPage(QPainter *painter, int page) const;

    QTextDocument &document() { return m_document; }

    // The page that holds the first line of block.
    int pageOf(const QTextBlock &block) const;
    // Converts typographic points to device units.
    double points(double pt) const;

    // Pixels per inch that QTextDocument assumes for an image's own size:
    // 96 under Qt::AA_Use96Dpi, else the primary screen's logical DPI.
    static double imageDpi();

private:
    bool placeImages(const QStringList &imageFolders);
    void finishLayout() const;
    void dropCodeTails();
    void styleBlocks();
    void styleTables();
    // Pushes the first heading or picture whose following block starts on
    // a later page onto that page; returns whether one moved.
    bool keepWithNextBlock();

    QPaintDevice *m_device;
    QSizeF m_pageSize;
    Fonts m_fonts;
    QTextDocument m_document;
    QStringList m_errors;
    int m_imageCount = 0;
};

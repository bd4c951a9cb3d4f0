#pragma once

#include "ManualHeading.h"
#include "ManualSource.h"

#include <QList>
#include <QString>
#include <QStringList>

class QPainter;
class QPaintDevice;
class QTextDocument;

// Prints the manual as an A4 PDF: a title page from the source's front
// block (title, subtitle, edition, cover image), a table of contents built
// from the chapter and section headings with their page numbers, then the
// body. Every page after the title page carries its number in the footer.
class ManualBook
{
public:
    static constexpr int kResolution = 300;
    // Deepest heading level the contents list.
    static constexpr int kContentsDepth = 2;

    explicit ManualBook(const ManualSource &source);

    // Writes the PDF, creating its folder when missing. False with error()
    // set when an image is missing, no CJK font is installed or the file
    // cannot be written.
    bool write(const QString &pdfPath, const QStringList &imageFolders);
    QString error() const { return m_error; }

    int pageCount() const { return m_pageCount; }
    // The headings as the contents print them: page numbers counted from
    // the title page as page 1.
    QList<ManualHeading> contents() const { return m_contents; }
    int imageCount() const { return m_imageCount; }

    // The first installed family that has CJK glyphs; empty when none.
    static QString cjkFamily();
    // Text families: a Latin face when one is installed, then cjk. The CJK
    // faces' own digits in Latin runs come out of the PDF without a text
    // mapping, so Latin text takes a face of its own.
    static QStringList textFamilies(const QString &cjk);
    // Monospace families, ending with cjk for Chinese in code.
    static QStringList monoFamilies(const QString &cjk);

private:
    // The contents pages for headings, numbered with firstBodyPage added.
    void fillContents(QTextDocument &document, const QList<ManualHeading> &headings, int firstBodyPage) const;
    void drawTitlePage(QPainter &painter, QPaintDevice &device, const QStringList &imageFolders) const;
    void drawFooter(QPainter &painter, QPaintDevice &device, int pageNumber) const;
    // Lets readers copy and search the Chinese text (see PdfTextMap).
    bool repairTextMap(const QString &pdfPath, const QString &cjkFamily);

    ManualSource m_source;
    QString m_error;
    QStringList m_textFamilies;
    QStringList m_monoFamilies;
    int m_pageCount = 0;
    int m_imageCount = 0;
    QList<ManualHeading> m_contents;
};

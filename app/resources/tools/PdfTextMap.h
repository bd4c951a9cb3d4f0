#pragma once

#include <QByteArray>
#include <QHash>

class QRawFont;

// Repairs the text that readers copy or search out of a PDF from Qt's
// writer. Its text map names each glyph by the lowest code point the font
// maps to that glyph, and CJK fonts map the Kangxi radicals (U+2F00…) and
// the CJK radicals supplement (U+2E80…) to the very glyphs of the common
// ideographs: "用户" would read as "⽤⼾". The repair names those glyphs by
// the ideograph instead, in place and at the same length, so the file's
// offsets stay valid.
class PdfTextMap
{
public:
    // Radical code point -> ideograph that shares its glyph in font.
    static QHash<uint, uint> radicalIdeographs(const QRawFont &font);
    // Rewrites the four-digit targets of the bfrange and bfchar sections of
    // pdf found in map; returns how many it rewrote.
    static int remap(QByteArray &pdf, const QHash<uint, uint> &map);
};

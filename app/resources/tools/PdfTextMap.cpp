#include "PdfTextMap.h"

#include <QRawFont>
#include <QString>
#include <QVector>

namespace {

struct Range
{
    uint first;
    uint last;
};

// Where the ideographs a radical may stand for live, searched in order.
const Range kIdeographs[] = {{0x4E00, 0x9FFF}, {0x3400, 0x4DBF}};
const Range kRadicals[] = {{0x2E80, 0x2EFF}, {0x2F00, 0x2FDF}};

QVector<quint32> glyphsOf(const QRawFont &font, const Range &range)
{
    QString text;
    text.reserve(int(range.last - range.first + 1));
    for (uint code = range.first; code <= range.last; ++code)
        text.append(QChar(ushort(code)));
    QVector<quint32> glyphs = font.glyphIndexesForString(text);
    glyphs.resize(text.size()); // one per character in the Basic Multilingual Plane
    return glyphs;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Rewrites the targets <XXXX> on one line of a section whose lines start
// with `sources` source codes.
int remapLine(char *line, int length, int sources, const QHash<uint, uint> &map)
{
    int rewritten = 0;
    int token = 0;
    for (int i = 0; i < length; ++i) {
        if (line[i] != '<')
            continue;
        int end = i + 1;
        while (end < length && isHex(line[end]))
            ++end;
        if (end >= length || line[end] != '>')
            continue;
        const int digits = end - i - 1;
        if (token++ >= sources && digits == 4) {
            bool ok = false;
            const uint code = QByteArray(line + i + 1, 4).toUInt(&ok, 16);
            const auto found = map.constFind(code);
            if (ok && found != map.constEnd() && found.value() <= 0xFFFF) {
                const QByteArray hex = QByteArray::number(found.value(), 16).toUpper().rightJustified(4, '0');
                std::copy(hex.constBegin(), hex.constEnd(), line + i + 1);
                ++rewritten;
            }
        }
        i = end;
    }
    return rewritten;
}

int remapSections(QByteArray &pdf, const QByteArray &begin, const QByteArray &end, int sources,
                  const QHash<uint, uint> &map)
{
    int rewritten = 0;
    int from = 0;
    while ((from = pdf.indexOf(begin, from)) >= 0) {
        const int stop = pdf.indexOf(end, from);
        if (stop < 0)
            break;
        int line = from + begin.size();
        while (line < stop) {
            int next = pdf.indexOf('\n', line);
            if (next < 0 || next > stop)
                next = stop;
            rewritten += remapLine(pdf.data() + line, next - line, sources, map);
            line = next + 1;
        }
        from = stop + end.size();
    }
    return rewritten;
}

} // namespace

QHash<uint, uint> PdfTextMap::radicalIdeographs(const QRawFont &font)
{
    QHash<uint, uint> map;
    if (!font.isValid())
        return map;
    QHash<quint32, uint> ideographOfGlyph;
    for (const Range &range : kIdeographs) {
        const QVector<quint32> glyphs = glyphsOf(font, range);
        for (int i = 0; i < glyphs.size(); ++i) {
            if (glyphs.at(i) != 0 && !ideographOfGlyph.contains(glyphs.at(i)))
                ideographOfGlyph.insert(glyphs.at(i), range.first + uint(i));
        }
    }
    for (const Range &range : kRadicals) {
        const QVector<quint32> glyphs = glyphsOf(font, range);
        for (int i = 0; i < glyphs.size(); ++i) {
            const auto found = ideographOfGlyph.constFind(glyphs.at(i));
            if (glyphs.at(i) != 0 && found != ideographOfGlyph.constEnd())
                map.insert(range.first + uint(i), found.value());
        }
    }
    return map;
}

int PdfTextMap::remap(QByteArray &pdf, const QHash<uint, uint> &map)
{
    if (map.isEmpty())
        return 0;
    // bfrange lines: <first> <last> then one target or an array of them;
    // bfchar lines: <source> <target>.
    return remapSections(pdf, "beginbfrange", "endbfrange", 2, map)
        + remapSections(pdf, "beginbfchar", "endbfchar", 1, map);
}

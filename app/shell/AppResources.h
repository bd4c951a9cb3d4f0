#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// The embedded resource sets: style sheet and images (":/style.qss",
// ":/image/..."), and the English catalogue (":/i18n/velmo_en_US.qm").
namespace AppResources {

// Registers both sets. They live in a static library, so nothing would pull
// them into the program without this call; safe to call more than once.
void init();

// The application style sheet, up to its first NUL byte; empty (with the
// debug line "loadFile ERROR") when the resource is missing.
QString styleSheet();

// Loads the English catalogue into translator: velmo_en_US.qm beside the
// program, else the embedded copy. False when neither loads.
bool loadEnglish(QTranslator &translator);

// Makes fontFile (at start-up: font.ttf beside the program) the application
// font: its first family at 16 px. When it gives no family (missing, not a
// font) the size stays as it is and the application font prefers the
// CJK-capable families "Microsoft YaHei", "Noto Sans CJK SC", "Source Han
// Sans SC", "WenQuanYi Micro Hei", then its own family. Returns the file's
// families. Call before the style sheet is applied; the sheet sets no family
// for ordinary widgets, so this font is what they draw with.
QStringList applyApplicationFont(const QString &fontFile);

// The program's look as start-up sets it: the application font from
// font.ttf beside the program, then the style sheet. Returns the font's
// families.
QStringList applyProgramLook();

} // namespace AppResources

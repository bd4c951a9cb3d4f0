#pragma once

#include <QString>

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

} // namespace AppResources

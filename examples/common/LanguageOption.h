#pragma once
// The --lang option the example programs share: zh (the source texts) or en
// (the English catalogue).

#include "AppResources.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTranslator>

#include <cstdio>

namespace examples {

inline QCommandLineOption languageOption()
{
    return QCommandLineOption(QStringLiteral("lang"), QStringLiteral("Interface language: zh or en."),
                              QStringLiteral("language"), QStringLiteral("zh"));
}

// Installs the English catalogue into translator when the option asks for
// English. False, with a message on stderr naming program, when the value is
// unknown or the catalogue cannot be found.
inline bool applyLanguage(const QCommandLineParser &parser, const QCommandLineOption &option,
                          QTranslator &translator, const char *program)
{
    const QString language = parser.value(option);
    if (language == QLatin1String("zh"))
        return true;
    if (language != QLatin1String("en")) {
        std::fprintf(stderr, "%s: --lang must be zh or en\n", program);
        return false;
    }
    if (!AppResources::loadEnglish(translator)) {
        std::fprintf(stderr, "%s: no English translation found\n", program);
        return false;
    }
    QCoreApplication::installTranslator(&translator);
    return true;
}

} // namespace examples

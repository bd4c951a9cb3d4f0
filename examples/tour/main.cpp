// velmo_tour: the program's main window, started as velmoApp starts it,
// taken through a user's first steps with a screenshot of each.
//
//   velmo_tour [--lang zh|en] [--out <folder>]
//
// Prints the path of every screenshot; exits non-zero when a step fails.

#include "AppResources.h"
#include "LanguageOption.h"
#include "LanguageSettings.h"
#include "ProgramTour.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppResources::init();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption lang = examples::languageOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder for the screenshots."),
                                 QStringLiteral("folder"), QStringLiteral("screenshots"));
    parser.addOptions({lang, out});
    parser.process(app);

    AppResources::applyProgramLook();

    QDir folder(parser.value(out));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "velmo_tour: cannot create %s\n", qPrintable(folder.absolutePath()));
        return 1;
    }
    const QString language = parser.value(lang);
    if (language != QLatin1String("zh") && language != QLatin1String("en")) {
        std::fprintf(stderr, "velmo_tour: --lang must be zh or en\n");
        return 1;
    }
    const bool english = language == QLatin1String("en");
    // The tour chooses its language in the options dialog, as a user does;
    // a settings folder of its own keeps it from the program's stored choice.
    QTemporaryDir settingsFolder;
    QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + LanguageSettings::translationFileName(),
                settingsFolder.filePath(LanguageSettings::translationFileName()));
    LanguageSettings::setDefaultFolders(settingsFolder.path(), settingsFolder.filePath(QStringLiteral("user")));
    VelmoWidget window;
    window.move(0, 0);
    window.show();
    ProgramTour tour(&window, folder, english ? QStringLiteral("en-") : QStringLiteral("zh-"), english);
    const bool passed = tour.run();
    for (const QString &shot : tour.shots())
        std::printf("%s\n", qPrintable(QDir(shot).absolutePath()));
    if (!passed)
        std::fprintf(stderr, "velmo_tour: %s\n", qPrintable(tour.error()));
    return passed ? 0 : 1;
}

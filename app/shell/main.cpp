// velmoApp: the desktop program. Start-up order: the application, the
// program log, the application font, the style sheet, then the main window,
// which builds everything else.
//
// Two options for scripted starts, see StartupSequence: --connect <id> and
// --startup-report <file>. Anything else on the command line is ignored.

#include "AppResources.h"
#include "Log.h"
#include "StartupSequence.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMO_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption connectOption(QStringLiteral("connect"),
                                           QStringLiteral("Connect to the controller with this device id."),
                                           QStringLiteral("id"));
    const QCommandLineOption reportOption(QStringLiteral("startup-report"),
                                          QStringLiteral("Append the start-up milestones to this file."),
                                          QStringLiteral("file"));
    parser.addOption(connectOption);
    parser.addOption(reportOption);
    parser.parse(QCoreApplication::arguments()); // unknown arguments stay ignored

    Log log;
    log.creatLogger(QStringLiteral("option"), 2, QString());
    log.startAppLog();

    AppResources::init();
    // Kept until the end, as long as the font it names is in use.
    const QStringList fontFamilies = AppResources::applyProgramLook();

    VelmoWidget window;
    if (parser.isSet(connectOption) || parser.isSet(reportOption)) {
        bool idOk = false;
        const int connectId = parser.value(connectOption).toInt(&idOk);
        if (parser.isSet(connectOption) && (!idOk || connectId == 0))
            qWarning("velmoApp: --connect needs a device id, e.g. 14 for port 1-4");
        new StartupSequence(&window, idOk ? connectId : 0, parser.value(reportOption)); // owned by the window
    }
    window.show();
    return app.exec();
    // Destroyed in reverse order: the window, the font list, the log, the application.
}

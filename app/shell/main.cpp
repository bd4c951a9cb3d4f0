// velmoApp: the desktop program. Start-up order: the application, the
// program log, the application font, the style sheet, then the main window,
// which builds everything else. Nothing on the command line is interpreted.

#include "AppResources.h"
#include "Log.h"
#include "VelmoWidget.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMO_VERSION));

    Log log;
    log.creatLogger(QStringLiteral("option"), 2, QString());
    log.startAppLog();

    AppResources::init();
    // Kept until the end, as long as the font it names is in use.
    const QStringList fontFamilies = AppResources::applyProgramLook();

    VelmoWidget window;
    window.show();
    return app.exec();
    // Destroyed in reverse order: the window, the font list, the log, the application.
}

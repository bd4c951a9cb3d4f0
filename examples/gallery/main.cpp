// velmo_gallery: the program's look on one screen, for checking the style
// sheet, the images and the translation.
//
//   velmo_gallery [--lang zh|en] [--overlay cycle|device|connection] [--no-box] [--quit-after <ms>]
//
// --lang en loads velmo_en_US.qm from beside the program (the embedded
// copy if it is missing); the styled message box opens over the gallery
// unless --no-box is given.

#include "AppResources.h"
#include "LanguageOption.h"
#include "Gallery.h"
#include "StyledMessageBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppResources::init();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption lang = examples::languageOption();
    const QCommandLineOption noBox(QStringLiteral("no-box"), QStringLiteral("Do not open the message box."));
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"), QStringLiteral("Quit after <ms>."),
                                       QStringLiteral("ms"));
    const QCommandLineOption overlayOption(QStringLiteral("overlay"),
                                           QStringLiteral("Open an overlay: cycle or device (axis panel), connection (dialog)."),
                                           QStringLiteral("overlay"));
    parser.addOptions({lang, overlayOption, noBox, quitAfter});
    parser.process(app);

    Gallery::Overlay overlay = Gallery::Overlay::None;
    if (parser.isSet(overlayOption)) {
        const QString name = parser.value(overlayOption);
        if (name == QLatin1String("cycle")) {
            overlay = Gallery::Overlay::Cycle;
        } else if (name == QLatin1String("device")) {
            overlay = Gallery::Overlay::DeviceParam;
        } else if (name == QLatin1String("connection")) {
            overlay = Gallery::Overlay::Connection;
        } else {
            std::fprintf(stderr, "velmo_gallery: --overlay must be cycle, device or connection\n");
            return 2;
        }
    }
    QTranslator translator;
    if (!examples::applyLanguage(parser, lang, translator, "velmo_gallery"))
        return 2;
    const bool english = parser.value(lang) == QLatin1String("en");

    AppResources::applyProgramLook();
    if (app.styleSheet().isEmpty())
        std::fprintf(stderr, "velmo_gallery: style sheet missing\n");

    QWidget *window = Gallery::build(english, overlay);
    window->move(10, 10);
    window->show();

    if (parser.isSet(quitAfter)) {
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, [] {
            // Closes the message box first, if it is open.
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            QCoreApplication::quit();
        });
    }
    if (!parser.isSet(noBox)) {
        QTimer::singleShot(300, window, [window] {
            StyledMessageBox::show(window, QObject::tr("您确定要关闭控制轴窗口吗?"),
                                   StyledMessageBox::Variant::MainWindow);
        });
    }
    const int result = app.exec();
    delete window;
    return result;
}

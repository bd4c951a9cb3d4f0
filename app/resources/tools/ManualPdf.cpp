// Build-time tool: prints the user manual from its Markdown source to PDF.
//
//   velmo_manualpdf <manual.md> <output.pdf> [--images <folder>]... [--version <v>]
//
// Images named in the Markdown are looked up beside it first, then in each
// --images folder. A missing image, a missing CJK font or a file that cannot
// be written ends the tool with a message and a non-zero status; nothing is
// left half printed under the output name.

#include "ManualBook.h"
#include "ManualSource.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "velmo_manualpdf: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Image sizes then mean pixels at 96 dpi, whatever screen the tool sees.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption images(QStringLiteral("images"), QStringLiteral("Another folder to find images in."),
                                    QStringLiteral("folder"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Version printed on the title page."),
                                     QStringLiteral("version"));
    parser.addOptions({images, version});
    parser.addPositionalArgument(QStringLiteral("manual.md"), QStringLiteral("The Markdown source."));
    parser.addPositionalArgument(QStringLiteral("output.pdf"), QStringLiteral("The PDF to write."));
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2)
        return fail(QStringLiteral("expected <manual.md> <output.pdf>"));

    ManualSource source;
    QString error;
    if (!source.load(arguments.at(0), &error))
        return fail(error);
    source.setVersion(parser.value(version));

    QStringList folders{QFileInfo(arguments.at(0)).absolutePath()};
    folders << parser.values(images);

    // Printed under a scratch name, so that a failed run leaves no
    // truncated PDF behind for the build to take as up to date.
    const QString output = arguments.at(1);
    const QString scratch = output + QStringLiteral(".part");
    ManualBook book(source);
    if (!book.write(scratch, folders)) {
        QFile::remove(scratch);
        return fail(book.error());
    }
    QFile::remove(output);
    if (!QFile::rename(scratch, output)) {
        QFile::remove(scratch);
        return fail(QStringLiteral("cannot write %1").arg(output));
    }
    std::printf("%s: %d pages, %d images, %d headings in the contents\n", qPrintable(QDir(output).absolutePath()),
                book.pageCount(), book.imageCount(), int(book.contents().size()));
    return 0;
}

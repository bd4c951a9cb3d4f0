// velmoctl: drives a velmo controller from the command line.

#include "CommandError.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Output.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The library's threads and objects need an application object.
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    CommandRequest request;
    try {
        request = CommandLine::parse(arguments);
    } catch (const CommandError &error) {
        Output(arguments.contains(QStringLiteral("--json"))).failure(error);
        Output::printHelp(true);
        return error.status();
    }
    if (request.help) {
        Output::printHelp(false);
        return 0;
    }
    if (request.version) {
        std::printf("velmoctl %s\n", VELMOCTL_VERSION);
        return 0;
    }
    // The library's wire trace is off by default; --verbose turns it on.
    if (request.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("velmo.*.debug=true"));

    Output output(request.json);
    try {
        Commands(request, output).run();
    } catch (const CommandError &error) {
        output.failure(error);
        return error.status();
    }
    return 0;
}

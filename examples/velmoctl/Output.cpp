#include "Output.h"

#include "CommandError.h"

#include <QJsonDocument>

#include <cstdio>

namespace {

void write(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

const char kHelp[] =
    "Usage: velmoctl [options] <command> [arguments]\n"
    "\n"
    "Drives a velmo stepper-motor controller over USB.\n"
    "\n"
    "Commands:\n"
    "  list                        ids of the controllers on the bus, with identity\n"
    "  info                        controller identity and its axes (--axis: one axis)\n"
    "  pos [--watch]               current position; --watch repeats every 100 ms\n"
    "                              until the axis stops\n"
    "  state                       running state of the axis in words\n"
    "  move <target> [--speed v] [--acc a] [--relative] [--wait]\n"
    "                              positioning move to <target>, or by <target>\n"
    "                              with --relative\n"
    "  home [--wait]               homing\n"
    "  jog <+|-> [--step s] [--count n] [--delay ms] [--wait]\n"
    "                              jog sequence in the positive (+) or negative (-)\n"
    "                              direction\n"
    "  drive <+|-> [--wait]        continuous driving until stopped or a limit\n"
    "  cycle <+|-> [--disp d] [--count n] [--delay ms] [--wait]\n"
    "                              back-and-forth cycle sequence\n"
    "  stop                        stops any motion of the axis\n"
    "  enable <on|off>             enables or disables the motor\n"
    "  params get [--file out.json]\n"
    "                              motor parameter block of the axis as JSON\n"
    "  params set <file.json|->    overrides the fields given in the JSON file\n"
    "                              (- reads stdin) and writes the block\n"
    "\n"
    "Options:\n"
    "  --id <n>          device id of the controller (default: the first one listed)\n"
    "  --axis <n>        axis number, zero-based as in the library: the first axis\n"
    "                    is 0 (default 0)\n"
    "  --json            print one JSON object on stdout instead of text\n"
    "  --wait            wait until the axis stops, printing its position\n"
    "  --timeout <s>     give up waiting after <s> seconds (default 60); the axis\n"
    "                    is left moving\n"
    "  --verbose         show the library's debug output\n"
    "  -h, --help        show this help\n"
    "  --version         show the version\n"
    "\n"
    "Positions, speeds and accelerations are in the axis's unit (mm or degrees).\n"
    "Negative numbers may be given as they are: velmoctl move -5 --relative\n"
    "Ctrl-C during --wait stops the axis; during --watch it only ends the watch.\n"
    "\n"
    "Exit status: 0 success, 1 the controller, the library or a file operation\n"
    "failed, 2 bad command line or input file, 3 wait timed out, 130 interrupted.\n";

} // namespace

Output::Output(bool json) : m_json(json) {}

void Output::line(const QString &text)
{
    if (!m_json)
        write(stdout, text.toUtf8() + '\n');
}

void Output::object(const QJsonObject &result)
{
    if (m_json)
        write(stdout, QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n');
}

void Output::raw(const QByteArray &bytes)
{
    write(stdout, bytes);
}

void Output::failure(const CommandError &error)
{
    write(stderr, QStringLiteral("velmoctl: %1\n").arg(error.message()).toUtf8());
    if (m_json) {
        QJsonObject result{{QStringLiteral("error"), error.message()},
                           {QStringLiteral("exitStatus"), int(error.status())}};
        if (error.libraryCode())
            result.insert(QStringLiteral("code"), *error.libraryCode());
        object(result);
    }
}

QJsonValue Output::unit(int unitType)
{
    switch (unitType) {
    case 0:
        return QStringLiteral("mm");
    case 1:
        return QString(QChar(0x00B0)); // degree sign
    default:
        return unitType;
    }
}

QString Output::formatPosition(double position, int unitType)
{
    const QString number = QString::number(position, 'f', 3);
    switch (unitType) {
    case 0:
        return number + QStringLiteral(" mm");
    case 1:
        return number + QChar(0x00B0);
    default:
        return QStringLiteral("%1 (unit type %2)").arg(number).arg(unitType);
    }
}

void Output::printHelp(bool toStderr)
{
    if (toStderr)
        write(stderr, "Usage: velmoctl [options] <command> [arguments]\nTry 'velmoctl --help' for more.\n");
    else
        write(stdout, kHelp);
}

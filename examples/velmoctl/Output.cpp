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
    "  scan <start> <stop> <step> [--dwell ms] [--repeat n] [--speed v] [--acc a]\n"
    "                              moves to start, start+step, ... up to and\n"
    "                              including stop, waiting for each move to end\n"
    "                              and pausing --dwell ms (default 0) there; one\n"
    "                              line per point; --repeat runs the list n times\n"
    "                              (at most 1000000 points per pass); --csv file\n"
    "                              records every reading of the axis as the\n"
    "                              program's motion chart exports it\n"
    "  run <file> [--repeat n]     visits the points of a CSV or JSON file (- reads\n"
    "                              stdin), each on its own axis, in file order\n"
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
    "  --timeout <s>     give up waiting after <s> seconds (default 60; scan and\n"
    "                    run: for each move); the axis is left moving\n"
    "  --no-travel-check move, scan, run: skip the travel check (see below)\n"
    "  --verbose         show the library's debug output\n"
    "  -h, --help        show this help\n"
    "  --version         show the version\n"
    "\n"
    "Positions, speeds and accelerations are in the axis's unit (mm or degrees).\n"
    "Negative numbers may be given as they are: velmoctl move -5 --relative\n"
    "Positions beyond 1000000 are refused as typing mistakes.\n"
    "Ctrl-C during --wait, scan or run stops the axis; during --watch it only\n"
    "ends the watch.\n"
    "\n"
    "Point files of run:\n"
    "  CSV   header line axis,position,speed,dwell (speed and dwell columns may\n"
    "        be left out, their cells empty); lines starting with # and blank\n"
    "        lines are skipped:\n"
    "            axis,position,speed,dwell\n"
    "            0,12.5,5,200\n"
    "            1,90,,\n"
    "  JSON  an array of objects with the same keys:\n"
    "            [{\"axis\": 0, \"position\": 12.5, \"speed\": 5, \"dwell\": 200}]\n"
    "  axis is zero-based as for --axis; speed (> 0) is set before the move,\n"
    "  empty keeps the axis's speed; dwell is in ms (empty: none). Names ending in\n"
    "  .json or .csv pick the format, otherwise a text starting with [ is JSON.\n"
    "  The whole file is checked before anything moves.\n"
    "\n"
    "Travel check: before move, scan or run moves anything, every target is\n"
    "compared with the travel in the axis's motor parameter block (minPos to\n"
    "maxPos; for move --relative the current position plus the distance). A\n"
    "target outside, or a block without a travel (both 0, no stage identified),\n"
    "is refused with status 2; a block that cannot be read with status 1.\n"
    "--no-travel-check skips the check.\n"
    "\n"
    "With --json, scan and run print one JSON object per line: one per point\n"
    "reached (pass, point, axis, target, position, unit, time in s since the\n"
    "start; run adds source, the file line or entry), then a summary object.\n"
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

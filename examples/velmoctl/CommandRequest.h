#pragma once
// What one velmoctl invocation asks for, as parsed from its command line.

#include <QString>

#include <optional>

struct CommandRequest
{
    QString command; // "list", "move", "params", ...; empty with --help / --version

    // Positional arguments, checked and converted by the parser.
    double target = 0.0;  // move
    double scanStart = 0.0; // scan START STOP STEP
    double scanStop = 0.0;
    double scanStep = 0.0;
    QString pointFile;    // run: file name, "-" for stdin
    int direction = 1;    // jog, drive, cycle: 1 positive, 2 negative (library codes)
    bool enable = false;  // enable on|off
    QString paramsAction; // params: "get" or "set"
    QString paramsSource; // params set: file name, "-" for stdin

    std::optional<int> deviceId; // --id; unset = first controller on the bus
    std::optional<int> axis;     // --axis, zero-based as in the library

    std::optional<double> speed;        // --speed
    std::optional<double> acceleration; // --acc
    std::optional<double> step;         // --step (jog)
    std::optional<double> displacement; // --disp (cycle)
    std::optional<int> count;           // --count (jog, cycle)
    std::optional<int> delayMs;         // --delay (jog, cycle)
    double timeoutSeconds = 60.0;       // --timeout of --wait / --watch
    QString file;                       // --file (params get)
    int dwellMs = 0;                    // --dwell (scan): pause at each point
    QString csvFile;                    // --csv (scan): the motion record, as the program's chart exports it
    int repeat = 1;                     // --repeat (scan, run): number of passes
    bool travelCheck = true;            // cleared by --no-travel-check (move, scan, run)

    bool relative = false; // --relative
    bool wait = false;     // --wait
    bool watch = false;    // --watch
    bool json = false;     // --json
    bool verbose = false;  // --verbose: keep the library's debug lines
    bool help = false;     // --help
    bool version = false;  // --version

    // Axis of commands that work on one axis; axis 0 unless --axis was given.
    int axisOrDefault() const { return axis.value_or(0); }
};

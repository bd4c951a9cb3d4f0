#include "CommandLine.h"

#include "CommandError.h"
#include "PointFile.h"
#include "TravelCheck.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

struct OptionSpec
{
    const char *name;
    bool takesValue;
    // Commands the option applies to, separated by spaces; nullptr = all.
    const char *commands;
};

const OptionSpec kOptions[] = {
    {"id", true, nullptr},
    {"axis", true, nullptr},
    {"json", false, nullptr},
    {"verbose", false, nullptr},
    {"help", false, nullptr},
    {"version", false, nullptr},
    {"speed", true, "move scan"},
    {"acc", true, "move scan"},
    {"relative", false, "move"},
    {"step", true, "jog"},
    {"disp", true, "cycle"},
    {"count", true, "jog cycle"},
    {"delay", true, "jog cycle"},
    {"wait", false, "move home jog drive cycle"},
    {"watch", false, "pos"},
    {"timeout", true, "pos move home jog drive cycle scan run"},
    {"file", true, "params"},
    {"dwell", true, "scan"},
    {"csv", true, "scan"},
    {"repeat", true, "scan run"},
    {"no-travel-check", false, "move scan run"},
};

// Commands and how many positional arguments each takes.
struct CommandSpec
{
    const char *name;
    int minArguments;
    int maxArguments;
};

const CommandSpec kCommands[] = {
    {"list", 0, 0}, {"info", 0, 0}, {"pos", 0, 0}, {"state", 0, 0},
    {"move", 1, 1}, {"home", 0, 0}, {"jog", 1, 1}, {"drive", 1, 1},
    {"cycle", 1, 1}, {"stop", 0, 0}, {"enable", 1, 1}, {"params", 1, 2},
    {"scan", 3, 3}, {"run", 1, 1},
};

const OptionSpec *findOption(const QString &name)
{
    for (const OptionSpec &spec : kOptions) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

const CommandSpec *findCommand(const QString &name)
{
    for (const CommandSpec &spec : kCommands) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

bool appliesTo(const OptionSpec &option, const QString &command)
{
    if (!option.commands)
        return true;
    return QString::fromLatin1(option.commands).split(QLatin1Char(' ')).contains(command);
}

// "-5" and "-.5" are numbers (a negative target), not options.
bool looksLikeNumber(const QString &token)
{
    static const QRegularExpression number(QStringLiteral("^-\\.?[0-9]"));
    return number.match(token).hasMatch();
}

double toFiniteNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw CommandError::usage(QStringLiteral("%1: '%2' is not a number").arg(what, text));
    return value;
}

double toPositiveNumber(const QString &text, const QString &what)
{
    const double value = toFiniteNumber(text, what);
    if (value <= 0)
        throw CommandError::usage(QStringLiteral("%1 must be greater than 0, got %2").arg(what, text));
    return value;
}

// A position: finite and not absurdly far (1e308 would print 300 digits).
double toPosition(const QString &text, const QString &what)
{
    const double value = toFiniteNumber(text, what);
    if (!TravelCheck::isPlausiblePosition(value))
        throw CommandError::usage(QStringLiteral("%1: %2 is beyond %3, the largest position velmoctl accepts")
                                      .arg(what, text)
                                      .arg(TravelCheck::kLargestPosition, 0, 'f', 0));
    return value;
}

int toInteger(const QString &text, const QString &what, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw CommandError::usage(QStringLiteral("%1: '%2' is not a whole number").arg(what, text));
    if (value < minimum || value > maximum)
        throw CommandError::usage(
            QStringLiteral("%1 must be from %2 to %3, got %4").arg(what).arg(minimum).arg(maximum).arg(value));
    return value;
}

int toDirection(const QString &text)
{
    if (text == QLatin1String("+") || text == QLatin1String("pos") || text == QLatin1String("positive"))
        return 1;
    if (text == QLatin1String("-") || text == QLatin1String("neg") || text == QLatin1String("negative"))
        return 2;
    throw CommandError::usage(QStringLiteral("direction must be + or -, got '%1'").arg(text));
}

void setOption(CommandRequest &request, const QString &name, const QString &value)
{
    const QString what = QStringLiteral("--") + name;
    const int intMax = std::numeric_limits<int>::max();
    if (name == QLatin1String("id"))
        request.deviceId = toInteger(value, what, 0, intMax);
    else if (name == QLatin1String("axis"))
        request.axis = toInteger(value, what, 0, 65535); // sent as 16 bits
    else if (name == QLatin1String("speed"))
        request.speed = toPositiveNumber(value, what);
    else if (name == QLatin1String("acc"))
        request.acceleration = toPositiveNumber(value, what);
    else if (name == QLatin1String("step"))
        request.step = toPositiveNumber(value, what);
    else if (name == QLatin1String("disp"))
        request.displacement = toPositiveNumber(value, what);
    else if (name == QLatin1String("count"))
        request.count = toInteger(value, what, 0, intMax);
    else if (name == QLatin1String("delay"))
        request.delayMs = toInteger(value, what, 0, intMax);
    else if (name == QLatin1String("timeout"))
        request.timeoutSeconds = toPositiveNumber(value, what);
    else if (name == QLatin1String("file"))
        request.file = value;
    else if (name == QLatin1String("csv"))
        request.csvFile = value;
    else if (name == QLatin1String("dwell"))
        request.dwellMs = toInteger(value, what, 0, PointFile::kMaxDwellMs);
    else if (name == QLatin1String("repeat"))
        request.repeat = toInteger(value, what, 1, 1000000);
    else if (name == QLatin1String("no-travel-check"))
        request.travelCheck = false;
    else if (name == QLatin1String("json"))
        request.json = true;
    else if (name == QLatin1String("verbose"))
        request.verbose = true;
    else if (name == QLatin1String("help"))
        request.help = true;
    else if (name == QLatin1String("version"))
        request.version = true;
    else if (name == QLatin1String("relative"))
        request.relative = true;
    else if (name == QLatin1String("wait"))
        request.wait = true;
    else if (name == QLatin1String("watch"))
        request.watch = true;
}

void setPositionals(CommandRequest &request, const QStringList &positionals)
{
    const CommandSpec *spec = findCommand(request.command);
    const int given = positionals.size();
    if (given < spec->minArguments || given > spec->maxArguments) {
        static const char *const kUsage[][2] = {
            {"move", "move <target>"}, {"jog", "jog <+|->"}, {"drive", "drive <+|->"},
            {"cycle", "cycle <+|->"}, {"enable", "enable <on|off>"},
            {"params", "params get | params set <file.json|->"},
            {"scan", "scan <start> <stop> <step> [--dwell ms] [--repeat n] [--csv file]"},
            {"run", "run <file.csv|file.json|->"},
        };
        for (const auto &usage : kUsage) {
            if (request.command == QLatin1String(usage[0]))
                throw CommandError::usage(QStringLiteral("usage: velmoctl %1").arg(QLatin1String(usage[1])));
        }
        throw CommandError::usage(
            QStringLiteral("'%1' takes no arguments, got '%2'").arg(request.command, positionals.join(QLatin1Char(' '))));
    }

    const QString &command = request.command;
    if (command == QLatin1String("move")) {
        request.target = toPosition(positionals.at(0), QStringLiteral("target"));
    } else if (command == QLatin1String("scan")) {
        request.scanStart = toPosition(positionals.at(0), QStringLiteral("start"));
        request.scanStop = toPosition(positionals.at(1), QStringLiteral("stop"));
        request.scanStep = toFiniteNumber(positionals.at(2), QStringLiteral("step"));
    } else if (command == QLatin1String("run")) {
        if (request.axis)
            throw CommandError::usage(QStringLiteral("option --axis does not apply to 'run': the file names each point's axis"));
        request.pointFile = positionals.at(0);
    } else if (command == QLatin1String("jog") || command == QLatin1String("drive") || command == QLatin1String("cycle")) {
        request.direction = toDirection(positionals.at(0));
    } else if (command == QLatin1String("enable")) {
        const QString &value = positionals.at(0);
        if (value == QLatin1String("on") || value == QLatin1String("1"))
            request.enable = true;
        else if (value == QLatin1String("off") || value == QLatin1String("0"))
            request.enable = false;
        else
            throw CommandError::usage(QStringLiteral("enable takes on or off, got '%1'").arg(value));
    } else if (command == QLatin1String("params")) {
        request.paramsAction = positionals.at(0);
        if (request.paramsAction == QLatin1String("get")) {
            if (given != 1)
                throw CommandError::usage(QStringLiteral("usage: velmoctl params get [--file out.json]"));
        } else if (request.paramsAction == QLatin1String("set")) {
            if (given != 2)
                throw CommandError::usage(QStringLiteral("usage: velmoctl params set <file.json|->"));
            if (!request.file.isEmpty())
                throw CommandError::usage(QStringLiteral("option --file applies to 'params get'; give the file to 'params set' directly"));
            request.paramsSource = positionals.at(1);
        } else {
            throw CommandError::usage(QStringLiteral("unknown params action '%1' (get or set)").arg(request.paramsAction));
        }
    }
}

} // namespace

CommandRequest CommandLine::parse(const QStringList &arguments)
{
    CommandRequest request;
    QStringList positionals;
    QStringList optionsGiven;
    bool optionsEnded = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &token = arguments.at(i);
        if (optionsEnded || token == QLatin1String("-") || !token.startsWith(QLatin1Char('-')) || looksLikeNumber(token)) {
            positionals.append(token);
            continue;
        }
        if (token == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (token == QLatin1String("-h")) {
            request.help = true;
            continue;
        }
        if (!token.startsWith(QLatin1String("--")))
            throw CommandError::usage(QStringLiteral("unknown option '%1'").arg(token));

        QString name = token.mid(2);
        QString value;
        bool hasInlineValue = false;
        const int equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
            hasInlineValue = true;
        }
        const OptionSpec *spec = findOption(name);
        if (!spec)
            throw CommandError::usage(QStringLiteral("unknown option '--%1'").arg(name));
        if (spec->takesValue && !hasInlineValue) {
            if (i + 1 >= arguments.size())
                throw CommandError::usage(QStringLiteral("option --%1 needs a value").arg(name));
            value = arguments.at(++i);
        } else if (!spec->takesValue && hasInlineValue) {
            throw CommandError::usage(QStringLiteral("option --%1 takes no value").arg(name));
        }
        setOption(request, name, value);
        optionsGiven.append(name);
    }

    if (request.help || request.version)
        return request;
    if (positionals.isEmpty())
        throw CommandError::usage(QStringLiteral("no command given"));

    request.command = positionals.takeFirst();
    if (request.command == QLatin1String("help")) {
        request.help = true;
        return request;
    }
    if (!findCommand(request.command))
        throw CommandError::usage(QStringLiteral("unknown command '%1'").arg(request.command));
    for (const QString &name : qAsConst(optionsGiven)) {
        if (!appliesTo(*findOption(name), request.command))
            throw CommandError::usage(QStringLiteral("option --%1 does not apply to '%2'").arg(name, request.command));
    }
    setPositionals(request, positionals);
    return request;
}

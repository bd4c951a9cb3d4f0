#include "ControlCommands.h"

#include "ReplyShaper.h"
#include "velmoSim.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

struct Usage {
    const char *command;
    std::size_t minArgs;
    std::size_t maxArgs;
    const char *arguments;
};

// Commands taking whole words; "scenario" takes the rest of its line instead.
const Usage Usages[] = {
    {"plug", 2, 2, "<id> <0|1>"},
    {"sensor-faults", 5, 5, "<id> <axis> <negative 0|1> <home 0|1> <positive 0|1>"},
    {"position", 3, 3, "<id> <axis> <value>"},
    {"fault", 2, 4, "<id> <kind|none> [code] [count]"},
    {"latency", 2, 2, "<id> <microseconds>"},
    {"stall", 1, 1, "<id>"},
    {"written-count", 1, 1, "<id>"},
    {"written-frame", 2, 2, "<id> <index>"},
    {"clear-written", 1, 1, "<id>"},
    {"open-handles", 1, 1, "<id>"},
    {"overlaps", 1, 1, "<id>"},
    {"controllers", 0, 0, ""},
};

bool isSeparator(char c)
{
    return c == ' ' || c == '\t';
}

// Client text quoted back in an error: short and printable, so that a reply
// stays one readable line whatever was sent.
std::string quoted(const std::string &text)
{
    constexpr std::size_t Limit = 40;
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < Limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        shown += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    if (text.size() > Limit)
        shown += "...";
    return "'" + shown + "'";
}

// Decimal, or hexadecimal after "0x" when allowed; the whole word, within int.
bool parseInt(const std::string &text, int *value, bool allowHex = false)
{
    std::size_t digitsAt = text.compare(0, 1, "-") == 0 ? 1 : 0;
    int base = 10;
    if (allowHex && digitsAt == 0 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0)) {
        base = 16;
        digitsAt = 2;
    }
    if (digitsAt >= text.size())
        return false;
    for (std::size_t i = digitsAt; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = (c >= '0' && c <= '9')
            || (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return false;
    }
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, base);
    if (errno != 0 || parsed < std::numeric_limits<int>::min() || parsed > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool parseFlag(const std::string &text, int *value)
{
    if (text != "0" && text != "1")
        return false;
    *value = text == "1" ? 1 : 0;
    return true;
}

// A finite number with a decimal point, whatever the process locale says.
bool parseReal(const std::string &text, double *value)
{
    bool ok = false;
    const double parsed = QByteArray::fromStdString(text).toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

std::string errorText(int code)
{
    switch (code) {
    case VSIM_ERR_NO_CONTROLLER:
        return "error no such controller";
    case VSIM_ERR_ARGUMENT:
        return "error argument out of range";
    case VSIM_ERR_BAD_SCENARIO:
        return "error bad scenario (details on the controller process's stderr; defaults used where it was wrong)";
    default:
        return "error failed with code " + std::to_string(code);
    }
}

std::string badNumber(const char *what, const std::string &text)
{
    return std::string("error ") + what + " is not a valid number: " + quoted(text);
}

} // namespace

std::string ControlCommands::execute(const std::string &line)
{
    Words words;
    std::size_t commandEnd = 0;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isSeparator(line[at]))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && !isSeparator(line[at]))
            ++at;
        if (at > start) {
            words.emplace_back(line, start, at - start);
            if (words.size() == 1)
                commandEnd = at;
        }
    }
    if (words.empty())
        return "error empty command";
    const std::string command = words.front();
    words.erase(words.begin());
    std::size_t restAt = commandEnd;
    while (restAt < line.size() && isSeparator(line[restAt]))
        ++restAt;
    return run(command, words, line.substr(restAt));
}

std::string ControlCommands::run(const std::string &command, const Words &args, const std::string &restOfLine)
{
    if (command == "scenario")
        return scenario(restOfLine);

    const Usage *usage = nullptr;
    for (const Usage &candidate : Usages) {
        if (command == candidate.command)
            usage = &candidate;
    }
    if (usage == nullptr)
        return "error unknown command " + quoted(command);
    if (args.size() < usage->minArgs || args.size() > usage->maxArgs)
        return std::string("error usage: ") + usage->command + (usage->maxArgs > 0 ? " " : "") + usage->arguments;

    if (command == "controllers")
        return countOf(vsim_controller_count(), args);

    int id = 0;
    if (!parseInt(args[0], &id))
        return badNumber("id", args[0]);

    if (command == "plug") {
        int plugged = 0;
        if (!parseFlag(args[1], &plugged))
            return "error plugged must be 0 or 1, not " + quoted(args[1]);
        return resultOf(vsim_set_plugged(id, plugged), args);
    }
    if (command == "sensor-faults") {
        int axis = 0;
        int flags[3] = {0, 0, 0};
        if (!parseInt(args[1], &axis))
            return badNumber("axis", args[1]);
        for (int i = 0; i < 3; ++i) {
            if (!parseFlag(args[2 + static_cast<std::size_t>(i)], &flags[i]))
                return "error sensor faults must be 0 or 1, not " + quoted(args[2 + static_cast<std::size_t>(i)]);
        }
        return resultOf(vsim_set_sensor_faults(id, axis, flags[0], flags[1], flags[2]), args);
    }
    if (command == "position") {
        int axis = 0;
        double position = 0.0;
        if (!parseInt(args[1], &axis))
            return badNumber("axis", args[1]);
        if (!parseReal(args[2], &position))
            return badNumber("position", args[2]);
        return resultOf(vsim_set_axis_position(id, axis, position), args);
    }
    if (command == "fault")
        return fault(id, args);
    if (command == "latency") {
        int microseconds = 0;
        if (!parseInt(args[1], &microseconds))
            return badNumber("latency", args[1]);
        return resultOf(vsim_set_latency_us(id, microseconds), args);
    }
    if (command == "stall")
        return resultOf(vsim_stall_in_once(id), args);
    if (command == "written-count")
        return countOf(vsim_written_count(id), args);
    if (command == "written-frame")
        return writtenFrame(id, args);
    if (command == "clear-written")
        return resultOf(vsim_clear_written(id), args);
    if (command == "open-handles")
        return countOf(vsim_open_handles(id), args);
    // The table above lists no other command.
    return countOf(vsim_overlapping_requests(id), args);
}

std::string ControlCommands::resultOf(int code, const Words &args)
{
    if (code == VSIM_ERR_NO_CONTROLLER && !args.empty())
        return "error no controller with id " + args[0];
    return code == VSIM_OK ? "ok" : errorText(code);
}

std::string ControlCommands::countOf(int value, const Words &args)
{
    return value >= 0 ? "ok " + std::to_string(value) : resultOf(value, args);
}

std::string ControlCommands::writtenFrame(int id, const Words &args)
{
    int index = 0;
    if (!parseInt(args[1], &index))
        return badNumber("index", args[1]);
    // The record may change between the calls (another thread writing or
    // clearing), so size and copy until the copy holds the whole frame.
    std::vector<unsigned char> frame(256);
    for (;;) {
        const int length = vsim_written_frame(id, index, frame.data(), static_cast<int>(frame.size()));
        if (length < 0)
            return resultOf(length, args);
        if (static_cast<std::size_t>(length) <= frame.size()) {
            frame.resize(static_cast<std::size_t>(length));
            break;
        }
        frame.resize(static_cast<std::size_t>(length));
    }
    static const char Digits[] = "0123456789abcdef";
    std::string reply = "ok ";
    reply.reserve(3 + 2 * frame.size());
    for (unsigned char byte : frame) {
        reply += Digits[byte >> 4];
        reply += Digits[byte & 0x0F];
    }
    if (frame.empty())
        reply.pop_back(); // an empty transfer reads as a bare ok
    return reply;
}

std::string ControlCommands::fault(int id, const Words &args)
{
    vsim_fault kind = VSIM_FAULT_NONE;
    if (args[1] != "none" && !ReplyShaper::kindFromName(QString::fromStdString(args[1]), &kind))
        return "error unknown fault kind " + quoted(args[1]);
    int code = 0;
    int count = -1;
    if (args.size() > 2 && !parseInt(args[2], &code, true))
        return badNumber("code", args[2]);
    if (args.size() > 3 && !parseInt(args[3], &count))
        return badNumber("count", args[3]);
    return resultOf(vsim_set_fault(id, kind, code, count), args);
}

std::string ControlCommands::scenario(const std::string &json)
{
    if (json.empty())
        return "error usage: scenario <json text>";
    return resultOf(vsim_load_scenario(json.c_str()), Words());
}

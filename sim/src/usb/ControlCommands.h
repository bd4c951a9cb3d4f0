// The command language of the control socket: one line in, one reply line
// out ("ok", "ok <value>" or "error <text>"). Every command maps onto a call
// of the C control API (velmoSim.h), so it behaves exactly as an in-process
// test calling that API would. Knows nothing of sockets.
#ifndef VELMO_SIM_CONTROLCOMMANDS_H
#define VELMO_SIM_CONTROLCOMMANDS_H

#include <string>
#include <vector>

class ControlCommands
{
public:
    // Runs one command line (without its line end) and returns the reply
    // line (without its line end). Never throws; bad input gives an error.
    static std::string execute(const std::string &line);

private:
    using Words = std::vector<std::string>;

    static std::string run(const std::string &command, const Words &args, const std::string &restOfLine);
    static std::string resultOf(int code, const Words &args);
    static std::string countOf(int value, const Words &args);
    static std::string writtenFrame(int id, const Words &args);
    static std::string fault(int id, const Words &args);
    static std::string scenario(const std::string &json);
};

#endif

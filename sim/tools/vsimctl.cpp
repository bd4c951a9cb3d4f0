// vsimctl: sends one command to the control socket of a process running on
// the virtual controller and prints the answer.
//
//   vsimctl [--socket PATH] <command> [arguments...]
//
// Exit status: 0 on "ok" (its value, if any, on stdout), 1 on "error" (its
// text on stderr), 2 when the socket cannot be reached or the usage is wrong.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitRefused = 1;
constexpr int ExitUnreachable = 2;

// Loading a large scenario is the slowest thing the other side does.
constexpr int ReplyTimeoutSeconds = 60;

void printUsage(std::FILE *to)
{
    std::fputs("usage: vsimctl [--socket PATH] <command> [arguments...]\n"
               "The socket defaults to $VELMO_SIM_CONTROL. Commands: plug, sensor-faults, position,\n"
               "fault, latency, stall, written-count, written-frame, clear-written, open-handles,\n"
               "controllers, overlaps, scenario (see sim/README.md).\n",
               to);
}

bool sendAll(int fd, const std::string &text)
{
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t written = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        sent += static_cast<std::size_t>(written);
    }
    return true;
}

// Reads up to the first line end; false when the connection ends before it.
bool readLine(int fd, std::string *line)
{
    char buffer[4096];
    for (;;) {
        const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return false;
        line->append(buffer, static_cast<std::size_t>(received));
        const std::size_t end = line->find('\n');
        if (end != std::string::npos) {
            line->resize(end);
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            return true;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    const char *fromEnvironment = std::getenv("VELMO_SIM_CONTROL");
    std::string socketPath = fromEnvironment != nullptr ? fromEnvironment : "";
    int first = 1;
    for (; first < argc; ++first) {
        const std::string option = argv[first];
        if (option == "--") {
            ++first;
            break;
        }
        if (option == "-h" || option == "--help") {
            printUsage(stdout);
            return ExitOk;
        }
        if (option == "--socket" && first + 1 < argc) {
            socketPath = argv[++first];
        } else if (option.compare(0, 9, "--socket=") == 0) {
            socketPath = option.substr(9);
        } else if (option.compare(0, 1, "-") == 0 && option.size() > 1) {
            std::fprintf(stderr, "vsimctl: unknown option %s\n", option.c_str());
            printUsage(stderr);
            return ExitUnreachable;
        } else {
            break;
        }
    }
    if (first >= argc) {
        printUsage(stderr);
        return ExitUnreachable;
    }
    if (socketPath.empty()) {
        std::fputs("vsimctl: no control socket: pass --socket PATH or set VELMO_SIM_CONTROL\n", stderr);
        return ExitUnreachable;
    }

    std::string line;
    for (int i = first; i < argc; ++i) {
        if (i > first)
            line += ' ';
        line += argv[i];
    }
    // One command is one line: a scenario read from a file may span several.
    for (char &c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    line += '\n';

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) {
        std::fprintf(stderr, "vsimctl: socket path too long: %s\n", socketPath.c_str());
        return ExitUnreachable;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        std::fprintf(stderr, "vsimctl: cannot connect to %s: %s (is a program on the virtual controller running "
                             "with VELMO_SIM_CONTROL set to that path?)\n",
                     socketPath.c_str(), std::strerror(errno));
        return ExitUnreachable;
    }
    const timeval timeout{ReplyTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    std::string reply;
    const bool answered = sendAll(fd, line) && readLine(fd, &reply);
    ::close(fd);
    if (!answered) {
        std::fprintf(stderr, "vsimctl: no reply from %s\n", socketPath.c_str());
        return ExitUnreachable;
    }
    if (reply == "ok")
        return ExitOk;
    if (reply.compare(0, 3, "ok ") == 0) {
        std::printf("%s\n", reply.c_str() + 3);
        return ExitOk;
    }
    if (reply.compare(0, 6, "error ") == 0) {
        std::fprintf(stderr, "%s\n", reply.c_str() + 6);
        return ExitRefused;
    }
    std::fprintf(stderr, "vsimctl: unexpected reply: %s\n", reply.c_str());
    return ExitUnreachable;
}

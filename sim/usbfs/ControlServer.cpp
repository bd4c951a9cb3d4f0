#include "ControlServer.h"

#include "ReplyShaper.h"

#include <QString>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

ControlServer::ControlServer(VirtualBus &bus, UsbfsTestbed &testbed) : m_bus(bus), m_testbed(testbed) {}

ControlServer::~ControlServer()
{
    if (m_service != nullptr) {
        g_socket_service_stop(m_service);
        g_socket_listener_close(G_SOCKET_LISTENER(m_service));
        g_object_unref(m_service);
    }
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

bool ControlServer::listen(const std::string &path, std::string *problem)
{
    m_service = g_socket_service_new();
    GSocketAddress *address = g_unix_socket_address_new(path.c_str());
    GError *error = nullptr;
    const gboolean added = g_socket_listener_add_address(G_SOCKET_LISTENER(m_service), address, G_SOCKET_TYPE_STREAM,
                                                         G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error);
    g_object_unref(address);
    if (!added) {
        *problem = "cannot listen on " + path + ": " + (error != nullptr ? error->message : "unknown error");
        if (error != nullptr)
            g_error_free(error);
        return false;
    }
    m_path = path;
    g_signal_connect(m_service, "incoming", G_CALLBACK(&ControlServer::onIncoming), this);
    g_socket_service_start(m_service);
    return true;
}

gboolean ControlServer::onIncoming(GSocketService *, GSocketConnection *connection, GObject *, gpointer self)
{
    static_cast<ControlServer *>(self)->serve(connection);
    return TRUE;
}

void ControlServer::serve(GSocketConnection *connection)
{
    // A client that connects and says nothing must not stall the main loop for long.
    g_socket_set_timeout(g_socket_connection_get_socket(connection), 5);
    GInputStream *input = g_io_stream_get_input_stream(G_IO_STREAM(connection));
    GDataInputStream *lines = g_data_input_stream_new(input);
    g_filter_input_stream_set_close_base_stream(G_FILTER_INPUT_STREAM(lines), FALSE);
    gsize length = 0;
    gchar *line = g_data_input_stream_read_line(lines, &length, nullptr, nullptr);
    std::string reply = line != nullptr ? execute(std::string(line, length)) : "error no command";
    g_free(line);
    g_object_unref(lines);
    reply += "\n";
    GOutputStream *output = g_io_stream_get_output_stream(G_IO_STREAM(connection));
    g_output_stream_write_all(output, reply.data(), reply.size(), nullptr, nullptr, nullptr);
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
}

bool ControlServer::parseInt(const std::string &text, int *value)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L)
        return false;
    *value = int(parsed);
    return true;
}

bool ControlServer::parseHex(const std::string &text, std::vector<std::uint8_t> *bytes)
{
    if (text.size() % 2 != 0 || text.size() > 1 << 20)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        char *end = nullptr;
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(pair[0])))
            return false;
        bytes->push_back(std::uint8_t(value));
    }
    return true;
}

std::string ControlServer::execute(const std::string &line)
{
    std::istringstream words(line);
    std::string command;
    std::string idText;
    words >> command >> idText;
    if (command == "ping")
        return "ok";
    int id = 0;
    if (!parseInt(idText, &id))
        return "error usage: <command> <device id> [arguments]";
    if (m_bus.withController(id, [](ControllerModel &) {}) != 0)
        return "error no controller with id " + idText;
    std::vector<std::string> rest;
    for (std::string word; words >> word;)
        rest.push_back(word);

    if (command == "unplug" || command == "plug") {
        const std::string problem = m_testbed.setPlugged(id, command == "plug");
        return problem.empty() ? "ok" : "error " + problem;
    }
    if (command == "fault") {
        // fault <id> <kind|none> [code] [count]
        if (rest.empty())
            return "error usage: fault <id> <kind|none> [code] [count]";
        vsim_fault kind = VSIM_FAULT_NONE;
        if (rest[0] != "none" && !ReplyShaper::kindFromName(QString::fromStdString(rest[0]), &kind))
            return "error unknown fault kind " + rest[0];
        int code = 0;
        int count = -1;
        if ((rest.size() > 1 && !parseInt(rest[1], &code)) || (rest.size() > 2 && !parseInt(rest[2], &count)))
            return "error bad code or count";
        return m_bus.setFault(id, kind, code, count) == 0 ? "ok" : "error fault refused";
    }
    if (command == "stall")
        return m_bus.stallInOnce(id) == 0 ? "ok" : "error stall refused";
    if (command == "push") {
        std::vector<std::uint8_t> bytes;
        if (rest.size() != 1 || !parseHex(rest[0], &bytes))
            return "error usage: push <id> <hex bytes>";
        return m_bus.pushInBytes(id, bytes.data(), int(bytes.size())) == 0 ? "ok" : "error push refused";
    }
    if (command == "latency") {
        int microseconds = 0;
        if (rest.size() != 1 || !parseInt(rest[0], &microseconds))
            return "error usage: latency <id> <microseconds>";
        return m_bus.setLatencyUs(id, microseconds) == 0 ? "ok" : "error latency refused";
    }
    if (command == "written")
        return "ok " + std::to_string(m_bus.writtenCount(id));
    if (command == "stats") {
        const UsbfsHandler *handler = m_testbed.handler(id);
        if (handler == nullptr)
            return "error controller " + idText + " was never plugged in";
        const UsbfsHandler::Counters c = handler->counters();
        return "ok submitted=" + std::to_string(c.submitted) + " discarded=" + std::to_string(c.discarded)
            + " late=" + std::to_string(c.lateDiscards) + " reaped=" + std::to_string(c.reaped) + " in=" + std::to_string(c.inCompleted)
            + " rejected=" + std::to_string(c.rejected) + " claimed=" + (handler->claimed() ? "1" : "0")
            + " opens=" + std::to_string(m_bus.openCount(id));
    }
    return "error unknown command " + command;
}

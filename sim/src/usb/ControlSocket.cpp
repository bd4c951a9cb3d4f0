#include "ControlSocket.h"

#include "ControlCommands.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// Beyond this many connections at once, further clients wait in the backlog.
constexpr std::size_t MaxClients = 64;
// Replies waiting for a slow reader; past this, its further lines wait unread.
constexpr std::size_t MaxPendingOutput = 1u << 20;

ControlSocket *g_running = nullptr;

void report(const std::string &text)
{
    std::fprintf(stderr, "velmo-sim: %s\n", text.c_str());
}

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

void stopAtExit()
{
    if (g_running == nullptr)
        return;
    g_running->stop();
    delete g_running;
    g_running = nullptr;
}

} // namespace

void ControlSocket::startFromEnvironment()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const char *path = std::getenv("VELMO_SIM_CONTROL");
        if (path == nullptr || *path == '\0')
            return;
        auto *server = new ControlSocket(path);
        std::string problem;
        if (!server->start(&problem)) {
            report(problem + "; no control socket");
            delete server;
            return;
        }
        g_running = server;
        std::atexit(&stopAtExit);
    });
}

ControlSocket::ControlSocket(std::string path) : m_path(std::move(path)) {}

ControlSocket::~ControlSocket()
{
    stop();
}

bool ControlSocket::start(std::string *problem)
{
    m_owner = ::getpid();
    if (!bindSocket(problem))
        return false;
    if (::pipe2(m_wakeFds, O_CLOEXEC) != 0) {
        *problem = systemError("cannot create a pipe");
        stop();
        return false;
    }
    // Signals of the host belong to its own threads, never to this one.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        m_thread = std::thread(&ControlSocket::run, this);
    } catch (const std::system_error &error) {
        *problem = std::string("cannot start the control thread: ") + error.what();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!m_thread.joinable()) {
        stop();
        return false;
    }
    return true;
}

bool ControlSocket::bindSocket(std::string *problem)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_path.size() >= sizeof(address.sun_path)) {
        *problem = "control socket path " + m_path + " is too long";
        return false;
    }
    std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
    const auto *socketAddress = reinterpret_cast<const sockaddr *>(&address);

    struct stat existing {};
    if (::lstat(m_path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            *problem = "control socket path " + m_path + " exists and is not a socket";
            return false;
        }
        // A socket file someone still answers on is not stale: leave it alone.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live = probe >= 0 && ::connect(probe, socketAddress, sizeof(address)) == 0;
        if (probe >= 0)
            ::close(probe);
        if (live) {
            *problem = "control socket " + m_path + " is in use by another process";
            return false;
        }
        ::unlink(m_path.c_str());
    }

    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        *problem = systemError("cannot create the control socket");
        return false;
    }
    if (::bind(m_listenFd, socketAddress, sizeof(address)) != 0 || ::listen(m_listenFd, 16) != 0) {
        *problem = systemError("cannot listen on " + m_path);
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    struct stat bound {};
    if (::stat(m_path.c_str(), &bound) == 0) {
        m_boundDevice = bound.st_dev;
        m_boundInode = bound.st_ino;
    }
    return true;
}

void ControlSocket::stop()
{
    if (m_thread.joinable()) {
        const char wake = 1;
        while (::write(m_wakeFds[1], &wake, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (Client &client : m_clients)
        ::close(client.fd);
    m_clients.clear();
    for (int &fd : m_wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        // Only our own socket file: another process may have taken the path since.
        struct stat current {};
        if (::getpid() == m_owner && ::stat(m_path.c_str(), &current) == 0 && current.st_dev == m_boundDevice
            && current.st_ino == m_boundInode)
            ::unlink(m_path.c_str());
    }
}

void ControlSocket::run()
{
    std::vector<pollfd> watched;
    for (;;) {
        watched.clear();
        watched.push_back({m_wakeFds[0], POLLIN, 0});
        const bool accepting = m_clients.size() < MaxClients && !m_acceptPaused;
        watched.push_back({accepting ? m_listenFd : -1, POLLIN, 0});
        // A client with replies still to take is not read from until it takes them.
        for (const Client &client : m_clients)
            watched.push_back({client.fd, static_cast<short>(client.output.empty() ? POLLIN : POLLOUT), 0});

        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            report(systemError("control socket stopped, poll failed"));
            return;
        }
        if (watched[0].revents != 0)
            return;

        auto client = m_clients.begin();
        for (std::size_t i = 2; i < watched.size(); ++i) {
            const short events = watched[i].revents;
            bool alive = true;
            if (events & (POLLERR | POLLNVAL))
                alive = false;
            else if (events & POLLOUT)
                alive = send(*client);
            else if (events & (POLLIN | POLLHUP))
                alive = receive(*client);
            if (alive) {
                ++client;
            } else {
                ::close(client->fd);
                client = m_clients.erase(client);
                m_acceptPaused = false;
            }
        }
        if (watched[1].revents & POLLIN)
            acceptClient();
    }
}

void ControlSocket::acceptClient()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        Client client;
        client.fd = fd;
        m_clients.push_back(std::move(client));
        return;
    }
    // Out of descriptors: the connection stays pending and would wake poll()
    // at once forever, so stop accepting until a client leaves.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        m_acceptPaused = m_clients.size() > 0;
}

bool ControlSocket::receive(Client &client)
{
    char buffer[16 * 1024];
    const ssize_t received = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (received == 0)
        return false; // gone; a line it left unfinished is dropped
    if (received < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.input.append(buffer, static_cast<std::size_t>(received));
    answerLines(client);
    return send(client);
}

bool ControlSocket::send(Client &client)
{
    while (!client.output.empty()) {
        while (!client.output.empty()) {
            const ssize_t sent = ::send(client.fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR)
                    continue;
                return errno == EAGAIN || errno == EWOULDBLOCK;
            }
            client.output.erase(0, static_cast<std::size_t>(sent));
        }
        // Lines held back while the replies were piling up.
        answerLines(client);
    }
    return true;
}

void ControlSocket::answerLines(Client &client)
{
    std::size_t start = 0;
    while (client.output.size() < MaxPendingOutput) {
        const std::size_t end = client.input.find('\n', start);
        if (end == std::string::npos)
            break;
        std::size_t length = end - start;
        if (length > 0 && client.input[end - 1] == '\r')
            --length;
        if (client.discardingLine || length > MaxLineBytes)
            client.output += "error line longer than " + std::to_string(MaxLineBytes) + " bytes\n";
        else
            client.output += ControlCommands::execute(client.input.substr(start, length)) + "\n";
        client.discardingLine = false;
        start = end + 1;
    }
    client.input.erase(0, start);
    // An unfinished line past the limit is not kept: its end is awaited and answered with an error.
    if (client.input.size() > MaxLineBytes + 1 && client.input.find('\n') == std::string::npos) {
        client.discardingLine = true;
        client.input.clear();
    }
}

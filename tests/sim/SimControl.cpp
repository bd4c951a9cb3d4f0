#include "SimControl.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

SimControl::SimControl(const QString &socketPath) : m_path(socketPath)
{
}

SimControl::~SimControl()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SimControl::connectSocket()
{
    if (m_fd >= 0)
        return true;
    const QByteArray path = m_path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<int>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (m_fd < 0)
        return false;
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool SimControl::send(const QByteArray &text)
{
    if (!connectSocket())
        return false;
    return ::send(m_fd, text.constData(), static_cast<size_t>(text.size()), MSG_NOSIGNAL) == text.size();
}

QByteArray SimControl::readLine()
{
    if (!connectSocket())
        return QByteArrayLiteral("error cannot connect to ") + m_path.toLocal8Bit();
    while (!m_pending.contains('\n')) {
        pollfd waiting{m_fd, POLLIN, 0};
        if (::poll(&waiting, 1, 10000) <= 0)
            return QByteArrayLiteral("error no reply");
        char buffer[4096];
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return QByteArrayLiteral("error connection closed");
        m_pending.append(buffer, static_cast<int>(got));
    }
    const int end = m_pending.indexOf('\n');
    const QByteArray line = m_pending.left(end);
    m_pending.remove(0, end + 1);
    return line;
}

QByteArray SimControl::ask(const QByteArray &line)
{
    if (!send(line + '\n'))
        return QByteArrayLiteral("error send failed");
    return readLine();
}

QByteArray SimControl::command(const QByteArray &line, bool *failed)
{
    const QByteArray reply = ask(line).trimmed();
    if (failed)
        *failed = !(reply == "ok" || reply.startsWith("ok "));
    if (reply == "ok")
        return QByteArray();
    if (reply.startsWith("ok "))
        return reply.mid(3);
    return reply;
}

long long SimControl::number(const QByteArray &line)
{
    bool failed = false;
    const QByteArray value = command(line, &failed);
    bool ok = false;
    const long long result = value.toLongLong(&ok);
    return failed || !ok ? -1 : result;
}

QByteArray SimControl::frame(int deviceId, int index)
{
    bool failed = false;
    const QByteArray hex = command("written-frame " + QByteArray::number(deviceId) + ' ' + QByteArray::number(index),
                                   &failed);
    return failed ? QByteArray() : QByteArray::fromHex(hex);
}

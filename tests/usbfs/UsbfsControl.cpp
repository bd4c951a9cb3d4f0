#include "UsbfsControl.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <dlfcn.h>
#include <libusb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

bool UsbfsControl::environmentUsable(QString *why)
{
    if (qEnvironmentVariableIsEmpty("VELMO_USBFS_CONTROL") || qEnvironmentVariableIsEmpty("UMOCKDEV_DIR")) {
        *why = QStringLiteral("not running under velmo-usbfs-run");
        return false;
    }
    // The stand-in exports vsim_*; the real libusb does not.
    if (dlsym(RTLD_DEFAULT, "vsim_load_scenario") != nullptr) {
        *why = QStringLiteral("the libusb stand-in is loaded instead of the real libusb");
        return false;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libusb_init), &info) == 0 || info.dli_fname == nullptr) {
        *why = QStringLiteral("cannot tell which libusb is loaded");
        return false;
    }
    if (QString::fromLocal8Bit(info.dli_fname).contains(QLatin1String("/sim/"))) {
        *why = QStringLiteral("libusb comes from ") + QString::fromLocal8Bit(info.dli_fname);
        return false;
    }
    return true;
}

QString UsbfsControl::send(const QString &command)
{
    const QByteArray path = qgetenv("VELMO_USBFS_CONTROL");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return QStringLiteral("error no control socket");
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QStringLiteral("error socket");
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return QStringLiteral("error connect");
    }
    const QByteArray line = command.toUtf8() + '\n';
    if (::write(fd, line.constData(), std::size_t(line.size())) != line.size()) {
        ::close(fd);
        return QStringLiteral("error write");
    }
    QByteArray reply;
    char chunk[256];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        reply.append(chunk, int(got));
        if (reply.contains('\n'))
            break;
    }
    ::close(fd);
    return QString::fromUtf8(reply).trimmed();
}

long UsbfsControl::stat(int deviceId, const QString &name)
{
    const QString reply = send(QStringLiteral("stats %1").arg(deviceId));
    const QStringList words = reply.split(QLatin1Char(' '));
    for (const QString &word : words) {
        if (word.startsWith(name + QLatin1Char('=')))
            return word.mid(name.size() + 1).toLong();
    }
    return -1;
}

int UsbfsControl::threadsNamed(const QString &part)
{
    int count = 0;
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && QString::fromLatin1(comm.readAll()).contains(part))
            ++count;
    }
    return count;
}

#include "TangoServerProcess.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char kDeviceList[] = "VelmoController::velmo/controller/VM-0001,VelmoAxis::velmo/VM-0001/0,"
                           "VelmoAxis::velmo/VM-0001/1,VelmoAxis::velmo/VM-0001/2";

int freeTcpPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace

TangoServerProcess::TangoServerProcess(const QString &scenario) : m_scenario(scenario)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TangoServerProcess::~TangoServerProcess()
{
    stop();
}

bool TangoServerProcess::start(QString *error)
{
    m_port = freeTcpPort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       QStringLiteral(VELMO_SIM_DIR ":" VELMO_LIBRARY_DIR ":")
                           + environment.value(QStringLiteral("LD_LIBRARY_PATH")));
    environment.insert(QStringLiteral("VELMO_SIM_SCENARIO"), m_scenario);
    environment.insert(QStringLiteral("VELMO_SIM_CONTROL"), controlSocket());
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(VELMO_TANGO_SERVER),
                    {QStringLiteral("test"), QStringLiteral("-ORBendPoint"),
                     QStringLiteral("giop:tcp:127.0.0.1:%1").arg(m_port), QStringLiteral("-nodb"),
                     QStringLiteral("-dlist"), QString::fromLatin1(kDeviceList)});
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("velmo-tango did not start: ") + m_process.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!m_output.contains("Ready to accept request")) {
        if (m_process.state() != QProcess::Running || waited.elapsed() > 30000) {
            *error = QStringLiteral("velmo-tango is not ready: ") + output();
            return false;
        }
        m_process.waitForReadyRead(200);
        m_output += m_process.readAll();
    }
    return true;
}

bool TangoServerProcess::stop(int *exitCode)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    const bool ended = m_process.waitForFinished(15000);
    if (!ended) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_output += m_process.readAll();
    if (exitCode)
        *exitCode = m_process.exitCode();
    return ended && m_process.exitStatus() == QProcess::NormalExit;
}

std::string TangoServerProcess::url(const std::string &deviceName) const
{
    return "tango://127.0.0.1:" + std::to_string(m_port) + "/" + deviceName + "#dbase=no";
}

QString TangoServerProcess::controlSocket() const
{
    return m_dir.filePath(QStringLiteral("vsim.sock"));
}

QString TangoServerProcess::output()
{
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}

#include "UsbAccessCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
const char kVendorId[] = "4306";
const char kProductId[] = "5745";

// One small sysfs attribute, without its trailing newline; empty when it
// cannot be read.
QByteArray readAttribute(const QString &entry, const char *name)
{
    QFile file(entry + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(64).trimmed();
}

// A positive decimal attribute (busnum, devnum); 0 when absent or malformed.
int readNumber(const QString &entry, const char *name)
{
    bool ok = false;
    const int value = readAttribute(entry, name).toInt(&ok, 10);
    return ok && value > 0 ? value : 0;
}
#endif

bool isDecimal(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

UsbAccessCheck::UsbAccessCheck(const QString &sysfsRoot, const QString &deviceRoot)
    : m_sysfsRoot(sysfsRoot), m_deviceRoot(deviceRoot)
{
}

void UsbAccessCheck::setAccessProbe(AccessProbe probe)
{
    m_probe = std::move(probe);
}

int UsbAccessCheck::deviceIdFromEntryName(const QString &name)
{
    const int dash = name.indexOf(QLatin1Char('-'));
    if (dash <= 0 || !isDecimal(name.left(dash)))
        return 0;
    // Port numbers are 1..255; their decimal forms are concatenated, the
    // bus left out, exactly as the library numbers its devices.
    QString digits;
    const QStringList ports = name.mid(dash + 1).split(QLatin1Char('.'));
    for (const QString &port : ports) {
        if (!isDecimal(port) || port.size() > 3)
            return 0;
        const int number = port.toInt();
        if (number < 1 || number > 255)
            return 0;
        digits += QString::number(number);
    }
    bool ok = false;
    const int id = digits.toInt(&ok, 10);
    return ok ? id : 0;
}

bool UsbAccessCheck::canReadWrite(const QString &node)
{
#ifdef Q_OS_LINUX
    return ::access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(node)
    return false;
#endif
}

QList<UsbAccessCheck::BlockedController> UsbAccessCheck::inaccessibleControllers() const
{
    QList<BlockedController> blocked;
#ifdef Q_OS_LINUX
    const QDir root(m_sysfsRoot);
    const QStringList entries = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : entries) {
        const int id = deviceIdFromEntryName(name);
        if (id == 0)
            continue;
        const QString entry = root.filePath(name);
        if (readAttribute(entry, "idVendor").toLower() != kVendorId
            || readAttribute(entry, "idProduct").toLower() != kProductId)
            continue;
        const int bus = readNumber(entry, "busnum");
        const int dev = readNumber(entry, "devnum");
        if (bus == 0 || dev == 0)
            continue;
        const QString node = m_deviceRoot + QString::asprintf("/%03d/%03d", bus, dev);
        // No node at all is a different fault (no usbfs, device gone); only
        // a node the user is refused is a permission problem.
        if (!QFileInfo::exists(node))
            continue;
        const bool accessible = m_probe ? m_probe(node) : canReadWrite(node);
        if (!accessible)
            blocked.append({id, node});
    }
#endif
    return blocked;
}

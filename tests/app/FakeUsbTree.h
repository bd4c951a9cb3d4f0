#pragma once
// A fake sysfs USB device tree with usbfs nodes, for the permission checks.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

class FakeUsbTree
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString sysfs() const { return m_dir.filePath(QStringLiteral("sys")); }
    QString dev() const { return m_dir.filePath(QStringLiteral("dev")); }

    // A device entry with the given attributes (a null value leaves the file
    // out) and, when withNode, its node <dev>/BBB/DDD; returns the node path.
    QString addDevice(const QString &entry, const QByteArray &vendor, const QByteArray &product,
                      const QByteArray &bus, const QByteArray &devnum, bool withNode = true)
    {
        const QString dir = sysfs() + QLatin1Char('/') + entry;
        QDir().mkpath(dir);
        const QList<QPair<const char *, QByteArray>> attributes{
            {"idVendor", vendor}, {"idProduct", product}, {"busnum", bus}, {"devnum", devnum}};
        for (const auto &attribute : attributes) {
            if (!attribute.second.isNull())
                write(dir + QLatin1Char('/') + QLatin1String(attribute.first), attribute.second + '\n');
        }
        const QString node = dev() + QString::asprintf("/%03d/%03d", bus.toInt(), devnum.toInt());
        if (withNode) {
            QDir().mkpath(QFileInfo(node).path());
            write(node, QByteArray());
        }
        return node;
    }

    // A controller (4306:5745). sysfs names the device on hub port 4 of
    // root port 1 "1-1.4"; the library calls it 14.
    QString addController(const QString &entry, int bus, int devnum)
    {
        return addDevice(entry, "4306", "5745", QByteArray::number(bus), QByteArray::number(devnum));
    }

private:
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    QTemporaryDir m_dir;
};

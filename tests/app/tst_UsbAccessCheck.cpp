// Finding controllers the user may not open from a fake sysfs tree: device
// ids from entry names, which entries count, the node path, and the real
// access() check on a node with no permission bits.

#include "FakeUsbTree.h"
#include "UsbAccessCheck.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>

namespace {

QList<int> idsOf(const QList<UsbAccessCheck::BlockedController> &blocked)
{
    QList<int> ids;
    for (const auto &controller : blocked)
        ids << controller.id;
    return ids;
}

} // namespace

class tst_UsbAccessCheck : public QObject
{
    Q_OBJECT

private slots:
    void deviceIdFromEntryName_data();
    void deviceIdFromEntryName();
    void onlyRefusedControllersWithANodeAreReported();
    void missingOrBrokenTreesReportNothing();
    void nodeWithoutPermissionBitsIsRefused();
};

void tst_UsbAccessCheck::deviceIdFromEntryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    // sysfs names the device on hub port 4 of root port 1 "1-1.4"; the
    // library (libusb's port numbers) calls it 14.
    QTest::newRow("behind a hub") << QStringLiteral("1-1.4") << 14;
    QTest::newRow("bus left out") << QStringLiteral("3-1.2") << 12;
    QTest::newRow("root port") << QStringLiteral("1-4") << 4;
    QTest::newRow("two-digit port") << QStringLiteral("2-1.10.3") << 1103;
    QTest::newRow("two-digit bus") << QStringLiteral("12-7") << 7;
    QTest::newRow("root hub") << QStringLiteral("usb1") << 0;
    QTest::newRow("interface") << QStringLiteral("1-1.4:1.0") << 0;
    QTest::newRow("no ports") << QStringLiteral("1-") << 0;
    QTest::newRow("no bus") << QStringLiteral("-4") << 0;
    QTest::newRow("port 0") << QStringLiteral("1-4.0") << 0;
    QTest::newRow("port above 255") << QStringLiteral("1-256") << 0;
    QTest::newRow("signed port") << QStringLiteral("1-+4") << 0;
    QTest::newRow("empty hop") << QStringLiteral("1-4..2") << 0;
    QTest::newRow("letters") << QStringLiteral("x-4") << 0;
    QTest::newRow("too many digits for an int") << QStringLiteral("1-255.255.255.255") << 0;
}

void tst_UsbAccessCheck::deviceIdFromEntryName()
{
    QFETCH(QString, name);
    QFETCH(int, id);
    QCOMPARE(UsbAccessCheck::deviceIdFromEntryName(name), id);
}

void tst_UsbAccessCheck::onlyRefusedControllersWithANodeAreReported()
{
    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    const QString refused = tree.addDevice(QStringLiteral("1-1.4"), "4306", "5745", "1", "7");
    tree.addDevice(QStringLiteral("1-1.5"), "4306", "5745", "1", "8"); // accessible
    const QString rootPort = tree.addDevice(QStringLiteral("3-2"), "4306", "5745", "3", "12");
    tree.addDevice(QStringLiteral("1-1.6"), "046d", "c077", "1", "9");           // a mouse
    tree.addDevice(QStringLiteral("1-1.7"), "4306", "0001", "1", "10");          // other product
    tree.addDevice(QStringLiteral("1-1.8"), "4306", "5745", "1", "11", false);   // no node
    tree.addDevice(QStringLiteral("1-1.9"), "4306", "5745", "x", "13");          // broken busnum
    tree.addDevice(QStringLiteral("1-1.4:1.0"), "4306", "5745", "1", "7");       // interface
    tree.addDevice(QStringLiteral("usb1"), "4306", "5745", "1", "1");            // root hub

    QStringList asked;
    const QString accessibleNode = tree.dev() + QStringLiteral("/001/008");
    UsbAccessCheck check(tree.sysfs(), tree.dev());
    check.setAccessProbe([&asked, accessibleNode](const QString &node) {
        asked << node;
        return node == accessibleNode;
    });
    const QList<UsbAccessCheck::BlockedController> blocked = check.inaccessibleControllers();
    QCOMPARE(idsOf(blocked), QList<int>({14, 2}));
    QCOMPARE(blocked.at(0).node, refused);
    QCOMPARE(blocked.at(1).node, rootPort);
    QCOMPARE(rootPort, tree.dev() + QStringLiteral("/003/012"));
    // Only the three controllers with a node were put to the test.
    asked.sort();
    QCOMPARE(asked, QStringList({refused, accessibleNode, rootPort}));

    // Without a probe the real check runs: the owner may use these files.
    check.setAccessProbe(nullptr);
    QCOMPARE(check.inaccessibleControllers().size(), 0);
}

void tst_UsbAccessCheck::missingOrBrokenTreesReportNothing()
{
    const auto refuseAll = [](const QString &) { return false; };
    UsbAccessCheck missing(QStringLiteral("/nonexistent/sys"), QStringLiteral("/nonexistent/dev"));
    missing.setAccessProbe(refuseAll);
    QVERIFY(missing.inaccessibleControllers().isEmpty());

    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    tree.addDevice(QStringLiteral("1-1.4"), "4306", "5745", QByteArray(), "7", false); // no busnum
    tree.addDevice(QStringLiteral("1-1.5"), QByteArray(), "5745", "1", "8");           // no idVendor
    tree.addDevice(QStringLiteral("1-1.6"), "4306", "5745", "1", "0");                 // devnum 0
    QVERIFY(QFile(tree.sysfs() + QStringLiteral("/1-1.7")).open(QIODevice::WriteOnly)); // a file, not a folder
    UsbAccessCheck broken(tree.sysfs(), tree.dev());
    broken.setAccessProbe(refuseAll);
    QVERIFY(broken.inaccessibleControllers().isEmpty());
}

void tst_UsbAccessCheck::nodeWithoutPermissionBitsIsRefused()
{
    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    const QString node = tree.addDevice(QStringLiteral("1-1.4"), "4306", "5745", "1", "7");
    QVERIFY(UsbAccessCheck::canReadWrite(node));
    QVERIFY(QFile::setPermissions(node, QFileDevice::Permissions()));
    const UsbAccessCheck check(tree.sysfs(), tree.dev());
    if (::geteuid() == 0)
        QSKIP("access() grants root every file; the refusal is covered through the access probe");
    QVERIFY(!UsbAccessCheck::canReadWrite(node));
    const QList<UsbAccessCheck::BlockedController> blocked = check.inaccessibleControllers();
    QCOMPARE(idsOf(blocked), QList<int>({14}));
    QCOMPARE(blocked.first().node, node);
}

QTEST_GUILESS_MAIN(tst_UsbAccessCheck)
#include "tst_UsbAccessCheck.moc"

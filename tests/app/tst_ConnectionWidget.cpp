// The connection dialog against the virtual controller: the list of
// controllers and what a refresh opens, connecting and disconnecting through
// the service, the failure and status texts and their time-out, loss of the
// open controller, controllers without access permission, dragging, and the
// English texts.

#include "AppResources.h"
#include "ConnectionWidget.h"
#include "FakeUsbTree.h"
#include "SerialComDev.h"
#include "UsbAccessCheck.h"
#include "velmoSim.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTranslator>
#include <QtTest>

namespace {

// Three controllers, the third on another bus: ids 14, 15 and 12, listed in
// this order.
const char kThreeControllers[] = R"({"controllers": [
  {"portPath": [1, 4], "serialNumber": "VM-0001"},
  {"portPath": [1, 5], "serialNumber": "VM-0002"},
  {"portPath": [1, 2], "bus": 2, "serialNumber": "VM-0003"}]})";

const char kNoController[] = R"({"controllers": []})";

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

// Twelve controllers on ports 1-1 .. 1-12: ids 11..19, 110, 111, 112.
QByteArray twelveControllers()
{
    QByteArray json = "{\"controllers\": [";
    for (int port = 1; port <= 12; ++port) {
        if (port > 1)
            json += ',';
        json += "{\"portPath\": [1, " + QByteArray::number(port) + "], \"serialNumber\": \"S-"
            + QByteArray::number(port) + "\"}";
    }
    return json + "]}";
}

int idOfPort(int port)
{
    return (QStringLiteral("1") + QString::number(port)).toInt();
}

template<typename T>
T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (found == nullptr)
        qFatal("no child %s", name);
    return found;
}

struct Dialog
{
    explicit Dialog(const UsbAccessCheck &check = UsbAccessCheck(QStringLiteral("/nonexistent/sys")))
        : widget(&host, check)
    {
    }

    QComboBox *list() { return child<QComboBox>(widget, "comboBox_comList"); }
    QLabel *message() { return child<QLabel>(widget, "label_msg"); }
    QPushButton *connectButton() { return child<QPushButton>(widget, "pushButton_connectSerial"); }
    QPushButton *disconnectButton() { return child<QPushButton>(widget, "pushButton_disConnect"); }

    QStringList texts()
    {
        QStringList result;
        for (int row = 0; row < list()->count(); ++row)
            result << list()->itemText(row);
        return result;
    }
    QList<int> ids()
    {
        QList<int> result;
        for (int row = 0; row < list()->count(); ++row)
            result << list()->itemData(row).toInt();
        return result;
    }
    bool isEnabledRow(int row)
    {
        return qobject_cast<QStandardItemModel *>(list()->model())->item(row)->isEnabled();
    }
    bool showAndWait()
    {
        widget.show();
        return QTest::qWaitForWindowExposed(&widget);
    }
    // Refreshes, picks the controller with this id and connects by a click.
    bool connectTo(int id)
    {
        widget.refreshDeviceList();
        const int row = list()->findData(id);
        if (row < 0)
            return false;
        list()->setCurrentIndex(row);
        if (!widget.isVisible() && !showAndWait())
            return false;
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        return widget.devId() == id;
    }

    QWidget host;
    ConnectionWidget widget;
};

// An access check on the fake tree that refuses exactly the given nodes.
UsbAccessCheck refusing(const FakeUsbTree &tree, const QStringList &refused)
{
    UsbAccessCheck check(tree.sysfs(), tree.dev());
    check.setAccessProbe([refused](const QString &node) { return !refused.contains(node); });
    return check;
}

} // namespace

class tst_ConnectionWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void startsWithBothButtonsAndNoText();
    void listsEveryControllerBySerialAndReleasesTheProbes();
    void connectingOpensTheChosenControllerThroughTheService();
    void refreshWhileOpenKeepsTheOpenControllerLastWithoutProbingIt();
    void onlyTheFirstTenControllersAreConsidered();
    void failedOpenShowsTheCodeForFiveSeconds();
    void connectingWithAnEmptyListReportsTheCodeOfIdZero();
    void disconnectingKeepsTheDialogOpen();
    void lossOfTheOpenController();
    void controllersWithoutPermissionAreListedDisabledAndExplained();
    void permissionNoticeOutlivesStatusTimers();
    void titleStripDragsTheWindow();
    void englishTextsAndLayout();
};

void tst_ConnectionWidget::initTestCase()
{
    AppResources::init();
    qApp->setStyleSheet(AppResources::styleSheet());
    QVERIFY(!qApp->styleSheet().isEmpty());
}

void tst_ConnectionWidget::init()
{
    SerialComDev::instance()->closeDevice();
    QCOMPARE(vsim_load_scenario(kThreeControllers), VSIM_OK);
}

void tst_ConnectionWidget::cleanupTestCase()
{
    SerialComDev::instance()->closeDevice();
    SerialComDev::shutdown();
}

void tst_ConnectionWidget::startsWithBothButtonsAndNoText()
{
    Dialog dialog;
    QVERIFY(!dialog.widget.isVisible());
    QVERIFY(dialog.widget.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.widget.windowModality(), Qt::ApplicationModal);
    QVERIFY(dialog.connectButton()->isEnabled());
    QVERIFY(dialog.disconnectButton()->isEnabled());
    QVERIFY(dialog.message()->text().isEmpty());
    QCOMPARE(dialog.widget.devId(), 0);
}

void tst_ConnectionWidget::listsEveryControllerBySerialAndReleasesTheProbes()
{
    Dialog dialog;
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QCOMPARE(dialog.texts(), QStringList({u8("VM-0001"), u8("VM-0002"), u8("VM-0003")}));
    QCOMPARE(dialog.ids(), QList<int>({14, 15, 12}));
    QCOMPARE(dialog.list()->currentIndex(), 0);
    for (int id : {14, 15, 12}) {
        QCOMPARE(vsim_open_count(id), 1);
        QCOMPARE(vsim_open_handles(id), 0); // the probe let go
    }

    // A second refresh starts from an empty list.
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QCOMPARE(dialog.list()->count(), 3);

    // An unplugged controller is no longer offered.
    QCOMPARE(vsim_set_plugged(15, 0), VSIM_OK);
    QCOMPARE(dialog.widget.refreshDeviceList(), 2);
    QCOMPARE(dialog.ids(), QList<int>({14, 12}));
}

void tst_ConnectionWidget::connectingOpensTheChosenControllerThroughTheService()
{
    Dialog dialog;
    QSignalSpy connected(&dialog.widget, &ConnectionWidget::signal_devConnected);
    QSignalSpy disconnected(&dialog.widget, &ConnectionWidget::signal_devDisConnected);
    QVERIFY(dialog.connectTo(15));

    QCOMPARE(connected.count(), 1);
    QCOMPARE(disconnected.count(), 0);
    QVERIFY(!dialog.widget.isVisible());
    QCOMPARE(dialog.widget.devSerial(), u8("VM-0002"));
    SerialComDev *service = SerialComDev::instance();
    QCOMPARE(SerialComDev::currentDevId(), 15);
    QVERIFY(service->isConnected());
    QCOMPARE(vsim_open_handles(15), 1);
    QCOMPARE(vsim_open_handles(14), 0);
    QCOMPARE(service->getDevAxisCount(), 3); // the channel answers

    QVERIFY(!dialog.connectButton()->isEnabled());
    QVERIFY(dialog.disconnectButton()->isEnabled());
    QCOMPARE(dialog.message()->text(), QObject::tr("设备已连接"));
    QVERIFY(!dialog.message()->isHidden());
}

void tst_ConnectionWidget::refreshWhileOpenKeepsTheOpenControllerLastWithoutProbingIt()
{
    // The open controller is the first one listed, so the walk has to go on
    // past it to offer the others.
    Dialog dialog;
    QVERIFY(dialog.connectTo(14));
    const int opens = vsim_open_count(14);
    const int frames = vsim_written_count(14);

    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QCOMPARE(dialog.texts(), QStringList({u8("VM-0002"), u8("VM-0003"), u8("VM-0001")}));
    QCOMPARE(dialog.ids(), QList<int>({15, 12, 14}));
    QCOMPARE(dialog.list()->currentIndex(), 2);
    QCOMPARE(dialog.list()->currentText(), u8("VM-0001"));

    QCOMPARE(vsim_open_count(14), opens);
    QCOMPARE(vsim_written_count(14), frames);
    QCOMPARE(vsim_open_handles(14), 1);
    QCOMPARE(SerialComDev::instance()->getDevAxisCount(), 3);
}

void tst_ConnectionWidget::onlyTheFirstTenControllersAreConsidered()
{
    QCOMPARE(vsim_load_scenario(twelveControllers().constData()), VSIM_OK);
    Dialog dialog;
    QCOMPARE(dialog.widget.refreshDeviceList(), 12);
    QList<int> firstTen;
    QStringList serials;
    for (int port = 1; port <= 10; ++port) {
        firstTen << idOfPort(port);
        serials << QStringLiteral("S-%1").arg(port);
    }
    QCOMPARE(dialog.ids(), firstTen);
    QCOMPARE(dialog.texts(), serials);
    QCOMPARE(vsim_open_count(idOfPort(11)), 0);
    QCOMPARE(vsim_open_count(idOfPort(12)), 0);

    // With the third one open, the other nine are probed and it comes last.
    QVERIFY(dialog.connectTo(idOfPort(3)));
    QCOMPARE(dialog.widget.refreshDeviceList(), 12);
    QCOMPARE(dialog.list()->count(), 10);
    QCOMPARE(dialog.ids().last(), idOfPort(3));
    QCOMPARE(dialog.ids().mid(0, 9), firstTen.mid(0, 2) + firstTen.mid(3));
    QCOMPARE(vsim_open_count(idOfPort(11)), 0);
}

void tst_ConnectionWidget::failedOpenShowsTheCodeForFiveSeconds()
{
    Dialog dialog;
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QVERIFY(dialog.showAndWait());

    // An earlier text that went away on its own time-out.
    dialog.widget.setConnectState(false);
    QVERIFY(dialog.message()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.message()->isHidden(), 6500);

    QSignalSpy connected(&dialog.widget, &ConnectionWidget::signal_devConnected);
    QCOMPARE(vsim_fail_open(14, -1), VSIM_OK);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(dialog.connectButton(), Qt::LeftButton);

    QCOMPARE(dialog.message()->text(), ConnectionWidget::tr("打开设备失败(err:%1)").arg(-1));
    QVERIFY(dialog.message()->isVisible());
    QVERIFY(dialog.widget.isVisible());
    QCOMPARE(connected.count(), 0);
    QCOMPARE(dialog.widget.devId(), 0);
    QCOMPARE(SerialComDev::currentDevId(), 0);
    QCOMPARE(vsim_open_handles(14), 0);

    // Five seconds on a coarse timer, which may fire up to 5 % early.
    QTRY_VERIFY_WITH_TIMEOUT(dialog.message()->isHidden(), 6500);
    QVERIFY2(clock.elapsed() >= 4700, qPrintable(QString::number(clock.elapsed())));
}

void tst_ConnectionWidget::connectingWithAnEmptyListReportsTheCodeOfIdZero()
{
    QCOMPARE(vsim_load_scenario(kNoController), VSIM_OK);
    Dialog dialog;
    QCOMPARE(dialog.widget.refreshDeviceList(), 0);
    QCOMPARE(dialog.list()->count(), 0);
    QVERIFY(dialog.showAndWait());
    QSignalSpy connected(&dialog.widget, &ConnectionWidget::signal_devConnected);
    QTest::mouseClick(dialog.connectButton(), Qt::LeftButton);

    // Id 0 names no controller: the library cannot open it.
    QCOMPARE(dialog.message()->text(), ConnectionWidget::tr("打开设备失败(err:%1)").arg(-1));
    QCOMPARE(connected.count(), 0);
    QVERIFY(dialog.widget.isVisible());
    QVERIFY(dialog.connectButton()->isEnabled());
}

void tst_ConnectionWidget::disconnectingKeepsTheDialogOpen()
{
    Dialog dialog;
    QVERIFY(dialog.connectTo(12));
    QVERIFY(dialog.showAndWait());
    QSignalSpy disconnected(&dialog.widget, &ConnectionWidget::signal_devDisConnected);
    QTest::mouseClick(dialog.disconnectButton(), Qt::LeftButton);

    QCOMPARE(disconnected.count(), 1);
    QVERIFY(dialog.widget.isVisible());
    QCOMPARE(dialog.message()->text(), QObject::tr("设备已断开"));
    QVERIFY(dialog.message()->isVisible());
    QVERIFY(dialog.connectButton()->isEnabled());
    QVERIFY(!dialog.disconnectButton()->isEnabled());
    QCOMPARE(dialog.widget.devId(), 0);
    QCOMPARE(dialog.widget.devSerial(), u8("VM-0003")); // remembered
    QCOMPARE(SerialComDev::currentDevId(), 0);
    QVERIFY(!SerialComDev::instance()->isConnected());
    QCOMPARE(vsim_open_handles(12), 0);

    // No longer open, so the next refresh probes it again in its place.
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QCOMPARE(dialog.ids(), QList<int>({14, 15, 12}));
}

void tst_ConnectionWidget::lossOfTheOpenController()
{
    Dialog dialog;
    QVERIFY(!dialog.widget.isLost()); // nothing open
    QCOMPARE(vsim_load_scenario(kNoController), VSIM_OK);
    QVERIFY(!dialog.widget.isLost()); // nothing open, nothing listed

    QCOMPARE(vsim_load_scenario(kThreeControllers), VSIM_OK);
    QVERIFY(dialog.connectTo(15));
    QVERIFY(!dialog.widget.isLost());
    QCOMPARE(vsim_set_plugged(14, 0), VSIM_OK); // another one leaves
    QVERIFY(!dialog.widget.isLost());
    QCOMPARE(vsim_set_plugged(15, 0), VSIM_OK);
    QVERIFY(dialog.widget.isLost());
    QCOMPARE(vsim_set_plugged(15, 1), VSIM_OK);
    QVERIFY(!dialog.widget.isLost());

    // An empty bus loses it too.
    QCOMPARE(vsim_set_plugged(15, 0), VSIM_OK);
    QCOMPARE(vsim_set_plugged(12, 0), VSIM_OK);
    QVERIFY(dialog.widget.isLost());
}

void tst_ConnectionWidget::controllersWithoutPermissionAreListedDisabledAndExplained()
{
    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    const QString node14 = tree.addController(QStringLiteral("1-1.4"), 1, 7);
    const QString node15 = tree.addController(QStringLiteral("1-1.5"), 1, 8);
    // On the bus as sysfs sees it, but not listed by the library.
    const QString node16 = tree.addController(QStringLiteral("1-1.6"), 1, 9);

    // 14 cannot be opened for want of permission; 15 is refused by the
    // check too but opens (a stale node), so it is listed as usual.
    QCOMPARE(vsim_fail_open(14, -1), VSIM_OK);
    Dialog dialog(refusing(tree, {node14, node15, node16}));
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);

    QCOMPARE(dialog.ids(), QList<int>({14, 15, 12, 16}));
    QCOMPARE(dialog.texts(), QStringList({ConnectionWidget::tr("%1（无访问权限）").arg(14), u8("VM-0002"), u8("VM-0003"),
                                          ConnectionWidget::tr("%1（无访问权限）").arg(16)}));
    QVERIFY(!dialog.isEnabledRow(0));
    QVERIFY(dialog.isEnabledRow(1));
    QVERIFY(dialog.isEnabledRow(2));
    QVERIFY(!dialog.isEnabledRow(3));
    QCOMPARE(dialog.list()->currentIndex(), 1); // a controller that opens

    const QString notice = dialog.message()->text();
    QVERIFY(!dialog.message()->isHidden());
    QVERIFY(notice.contains(ConnectionWidget::tr("控制器（端口 %1）的设备文件 %2 无访问权限。")
                                .arg(u8("14, 16"), node14 + u8(", ") + node16)));
    QVERIFY(notice.contains(u8("60-velmo.rules")));
    QVERIFY(!notice.contains(node15));

    // Once the rule is in place the next refresh lists 14 and drops the text.
    vsim_fail_open(14, 0);
    dialog.widget.setAccessCheck(refusing(tree, {}));
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QCOMPARE(dialog.texts(), QStringList({u8("VM-0001"), u8("VM-0002"), u8("VM-0003")}));
    QVERIFY(dialog.message()->isHidden());

    // Nothing listed by the library at all: sysfs still names the controller.
    QCOMPARE(vsim_load_scenario(kNoController), VSIM_OK);
    dialog.widget.setAccessCheck(refusing(tree, {node14}));
    QCOMPARE(dialog.widget.refreshDeviceList(), 0);
    QCOMPARE(dialog.ids(), QList<int>({14}));
    QVERIFY(!dialog.isEnabledRow(0));
    QVERIFY(dialog.message()->text().contains(node14));
}

void tst_ConnectionWidget::permissionNoticeOutlivesStatusTimers()
{
    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    const QString node14 = tree.addController(QStringLiteral("1-1.4"), 1, 7);
    Dialog dialog(refusing(tree, {node14}));

    // A status text's timer runs out while the notice is up: it stays.
    QVERIFY(dialog.connectTo(15));
    vsim_fail_open(14, -1);
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QVERIFY(dialog.message()->text().contains(node14));
    QVERIFY(QMetaObject::invokeMethod(&dialog.widget, "slot_hideMsg"));
    QVERIFY(!dialog.message()->isHidden());
    QVERIFY(dialog.message()->text().contains(node14));

    // The open controller itself is never reported, even if refused.
    dialog.widget.setAccessCheck(refusing(tree, {node14, tree.addController(QStringLiteral("1-1.5"), 1, 8)}));
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QVERIFY(!dialog.message()->text().contains(QStringLiteral("/001/008")));
    QCOMPARE(dialog.ids().last(), 15);
    QVERIFY(dialog.isEnabledRow(dialog.list()->count() - 1));

    // A status text replaces the notice and hides on its own again.
    QVERIFY(dialog.showAndWait());
    QTest::mouseClick(dialog.disconnectButton(), Qt::LeftButton);
    QCOMPARE(dialog.message()->text(), QObject::tr("设备已断开"));
    QVERIFY(QMetaObject::invokeMethod(&dialog.widget, "slot_hideMsg"));
    QVERIFY(dialog.message()->isHidden());
}

void tst_ConnectionWidget::titleStripDragsTheWindow()
{
    Dialog dialog;
    QVERIFY(dialog.showAndWait());
    dialog.widget.move(100, 100);
    const QPoint start = dialog.widget.pos();
    QWidget *title = child<QWidget>(dialog.widget, "widget_title");
    QLabel *caption = child<QLabel>(dialog.widget, "label_name");

    // Events as the window system delivers them: at a screen position,
    // to whichever widget is there now.
    const auto send = [](QWidget *target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, target->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };

    // Pressed on the caption inside the strip: the press reaches the dialog.
    const QPoint grip = caption->mapToGlobal(caption->rect().center());
    send(caption, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(caption, QEvent::MouseMove, grip + QPoint(30, 20), Qt::LeftButton);
    QCOMPARE(dialog.widget.pos(), start + QPoint(30, 20));
    send(caption, QEvent::MouseMove, grip + QPoint(25, 27), Qt::LeftButton);
    QCOMPARE(dialog.widget.pos(), start + QPoint(25, 27));
    send(caption, QEvent::MouseButtonRelease, grip + QPoint(25, 27), Qt::NoButton);
    const QPoint dropped = dialog.widget.pos();
    send(&dialog.widget, QEvent::MouseMove, grip + QPoint(300, 20), Qt::NoButton);
    QCOMPARE(dialog.widget.pos(), dropped);

    // A press below the strip moves nothing.
    const QPoint body = dialog.widget.mapToGlobal(QPoint(title->width() / 2, title->height() + 60));
    send(&dialog.widget, QEvent::MouseButtonPress, body, Qt::LeftButton);
    send(&dialog.widget, QEvent::MouseMove, body + QPoint(40, 40), Qt::LeftButton);
    send(&dialog.widget, QEvent::MouseButtonRelease, body, Qt::NoButton);
    QCOMPARE(dialog.widget.pos(), dropped);
}

void tst_ConnectionWidget::englishTextsAndLayout()
{
    FakeUsbTree tree;
    QVERIFY(tree.isValid());
    const QString node14 = tree.addController(QStringLiteral("1-1.4"), 1, 7);
    const QString node15 = tree.addController(QStringLiteral("1-1.5"), 1, 8);
    vsim_fail_open(14, -1);
    vsim_fail_open(15, -1);
    Dialog dialog(refusing(tree, {node14, node15}));
    QCOMPARE(dialog.widget.refreshDeviceList(), 3);
    QVERIFY(dialog.showAndWait());

    QTranslator english;
    QVERIFY(AppResources::loadEnglish(english));
    QVERIFY(qApp->installTranslator(&english));
    const auto removeTranslator = qScopeGuard([&english] { qApp->removeTranslator(&english); });

    // The application posts the change to its windows.
    QTRY_COMPARE(child<QLabel>(dialog.widget, "label_name")->text(), u8("Connect Device"));
    QCOMPARE(dialog.connectButton()->text(), u8("Connect"));
    QCOMPARE(dialog.disconnectButton()->text(), u8("Disconnect"));
    QCOMPARE(dialog.list()->itemText(0), u8("14 (no permission)"));
    QCOMPARE(dialog.list()->itemText(1), u8("15 (no permission)"));
    QCOMPARE(dialog.list()->itemText(2), u8("VM-0003"));
    const QString notice = dialog.message()->text();
    QVERIFY2(notice.contains(u8("No permission to use the controller (port 14, 15): its device file %1, %2 is not accessible.")
                                 .arg(node14, node15)),
             qPrintable(notice));
    QVERIFY(notice.contains(u8("plug the controller in again")));

    // Every text fits: captions and buttons unclipped, the two-controller
    // notice (with the long paths of the fake tree) within its label,
    // everything inside the panel.
    QCoreApplication::processEvents();
    for (const char *name : {"label_name", "label"}) {
        QLabel *label = child<QLabel>(dialog.widget, name);
        QVERIFY2(label->sizeHint().width() <= label->width(), name);
    }
    for (QPushButton *button : {dialog.connectButton(), dialog.disconnectButton()})
        QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
    QLabel *message = dialog.message();
    QVERIFY2(message->heightForWidth(message->width()) <= message->height(),
             qPrintable(QStringLiteral("%1 > %2").arg(message->heightForWidth(message->width())).arg(message->height())));
    QWidget *back = child<QWidget>(dialog.widget, "widget_back");
    QCOMPARE(back->geometry(), QRect(10, 10, 580, 280));
    QCOMPARE(child<QWidget>(dialog.widget, "widget_title")->geometry(), QRect(0, 0, 580, 40));
    for (QWidget *widget : {static_cast<QWidget *>(message), static_cast<QWidget *>(dialog.list()),
                            static_cast<QWidget *>(dialog.disconnectButton())}) {
        const QRect inBack(widget->mapTo(back, QPoint(0, 0)), widget->size());
        QVERIFY2(back->rect().contains(inBack), widget->objectName().toLatin1().constData());
    }
}

QTEST_MAIN(tst_ConnectionWidget)
#include "tst_ConnectionWidget.moc"

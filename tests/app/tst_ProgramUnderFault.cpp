// The whole program, offscreen, on the virtual controller while things go
// wrong: the controller is unplugged and plugged back, the user disconnects
// and reconnects, and the window is closed while an axis moves. The GUI
// thread must keep serving its event loop, the user must be told, and the
// controller must see what the program says it does.
#include "AppResources.h"
#include "ConnectionWidget.h"
#include "EventLoopGaps.h"
#include "IsolatedSettings.h"
#include "PanelHarness.h"
#include "SerialPortChangeFilter.h"
#include "VelmoControlWidget.h"
#include "VelmoWidget.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace panelharness;

namespace {

const char kThreeAxes[] =
    R"({"timeScale": 4, "controllers": [{"axes": [{"stage": "VLS-50"}, {"stage": "VRS-360"}, {"stage": "VLS-50"}]}]})";

QString operationLog(VelmoControlWidget *panel)
{
    return panel->findChild<QTextEdit *>(QStringLiteral("textBrowser_operatioInfo"))->toPlainText();
}

int framesOfCode(int code)
{
    return framesOf(code).size();
}

} // namespace

class tst_ProgramUnderFault : public QObject
{
    Q_OBJECT

private:
    QScopedPointer<IsolatedSettings> settings;

    void connectThroughDialog(VelmoWidget &window)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_connect")), Qt::LeftButton);
        ConnectionWidget *dialog = window.connectionWidget();
        auto *list = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_comList"));
        QTRY_VERIFY(list->count() >= 1);
        QCOMPARE(list->currentData().toInt(), kId);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_connectSerial")), Qt::LeftButton);
        QVERIFY(SerialComDev::instance()->isConnected());
        QCOMPARE(window.controlWidgets().size(), 3);
    }

    void disconnectThroughDialog(VelmoWidget &window)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_connect")), Qt::LeftButton);
        ConnectionWidget *dialog = window.connectionWidget();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_disConnect")), Qt::LeftButton);
        dialog->hide();
        QVERIFY(!SerialComDev::instance()->isConnected());
    }

private slots:
    void initTestCase()
    {
        settings.reset(new IsolatedSettings); // the default language: Chinese
        AppResources::init();
    }

    void cleanup() { SerialComDev::instance()->closeDevice(); }

    void unplugReplugDisconnectAndReconnect()
    {
        QCOMPARE(vsim_load_scenario(kThreeAxes), VSIM_OK);
        VelmoWidget window;
        window.show();
        connectThroughDialog(window);
        EventLoopGaps gaps(10);
        QTest::qWait(500);
        QVERIFY(framesOfCode(0x0023) > 0); // the three panels poll

        // Unplugged: the window says so, the panels keep polling and log
        // every failed read.
        QCOMPARE(vsim_set_plugged(kId, 0), VSIM_OK);
        {
            MessageBoxAnswer lost(true);
            window.portChangeFilter()->handleDeviceEvent("remove", "usb_device");
            QTRY_VERIFY(lost.seen());
            QCOMPARE(lost.text(), QStringLiteral("设备断开连接"));
        }
        QTest::qWait(800);
        QCOMPARE(window.controlWidgets().size(), 3);
        for (VelmoControlWidget *panel : window.controlWidgets()) {
            const QString log = operationLog(panel);
            QVERIFY2(log.contains(QStringLiteral("读取当前位置出错")) || log.contains(QStringLiteral("获取设备状态出错")),
                     qPrintable(panel->axisName() + QLatin1Char(':') + log.right(200)));
        }

        // Plugged back: no new message; the old handle stays dead until
        // the user reconnects.
        QCOMPARE(vsim_set_plugged(kId, 1), VSIM_OK);
        {
            MessageBoxAnswer none(true);
            window.portChangeFilter()->handleDeviceEvent("add", "usb_device");
            QTest::qWait(200);
            QVERIFY(!none.seen());
        }
        disconnectThroughDialog(window);
        QVERIFY(window.controlWidgets().isEmpty());
        QCOMPARE(vsim_open_handles(kId), 0);

        vsim_clear_written(kId);
        connectThroughDialog(window);
        QCOMPARE(vsim_open_handles(kId), 1);
        QLabel *position = window.controlWidgets().first()->findChild<QLabel *>(QStringLiteral("label_currentPos"));
        QTRY_VERIFY(position->text().endsWith(QStringLiteral("mm")));
        QTRY_VERIFY(framesOfCode(0x0023) >= 3);

        // Disconnect and reconnect once more, quickly.
        disconnectThroughDialog(window);
        connectThroughDialog(window);
        QTest::qWait(300);
        disconnectThroughDialog(window);

        qInfo("longest event-loop gap across unplug, re-plug and reconnects: %lld ms", gaps.longestMs());
        QVERIFY2(gaps.longestMs() <= 250, qPrintable(QString::number(gaps.longestMs())));
    }

    void closingTheWindowWhileAnAxisMoves()
    {
        QCOMPARE(vsim_load_scenario(kThreeAxes), VSIM_OK);
        QPointer<VelmoWidget> window = new VelmoWidget;
        window->show();
        connectThroughDialog(*window);
        EventLoopGaps gaps(10);
        VelmoControlWidget *first = window->controlWidgets().first();
        emit SerialComDev::instance()->signal_setAbsoluteDispParams(0, 45.0);
        QTest::mouseClick(first->findChild<QPushButton *>(QStringLiteral("pushButton_move")), Qt::LeftButton);
        QTRY_VERIFY(framesOfCode(0x0001) == 1);
        QLabel *position = first->findChild<QLabel *>(QStringLiteral("label_currentPos"));
        const QString before = position->text();
        QTRY_VERIFY(position->text() != before); // it moves
        QVERIFY(!position->text().startsWith(QStringLiteral("45.000")));

        vsim_clear_written(kId);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window->close());
        const qint64 closing = clock.elapsed();
        QCOMPARE(vsim_open_handles(kId), 0);
        QCOMPARE(SerialComDev::currentDevId(), 0);
        // What reached the controller while closing, then nothing more:
        // the panels left behind no polls that still reach it.
        const QList<int> codes = commandCodes();
        qInfo("closing took %lld ms; commands sent while closing: %d (stop: %s)", closing, codes.size(),
              codes.contains(0x0002) ? "yes" : "no");
        delete window;
        QVERIFY(window.isNull());
        vsim_clear_written(kId);
        QTest::qWait(300);
        QCOMPARE(vsim_written_count(kId), 0);
        qInfo("longest event-loop gap while closing during a move: %lld ms", gaps.longestMs());
        QVERIFY2(gaps.longestMs() <= 250, qPrintable(QString::number(gaps.longestMs())));
    }
};

QTEST_MAIN(tst_ProgramUnderFault)
#include "tst_ProgramUnderFault.moc"

// The axis panel's motion chart against the virtual controller: the title
// bar button opens one chart per axis and raises it again, and a real move
// recorded by the panel comes out of the chart's CSV export as the
// controller ran it.
#include "AppResources.h"
#include "MotionChartWindow.h"
#include "PanelHarness.h"
#include "VelmoControlWidget.h"

#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>

using namespace panelharness;

namespace {

// Answers the next file dialog with a file name.
class FileDialogAnswer : public QObject
{
public:
    explicit FileDialogAnswer(const QString &fileName) : m_fileName(fileName)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool seen() const { return m_seen; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        m_timer.stop();
        m_seen = true;
        // Typed into the name field, as a user does; selectFile() alone can
        // lose to the suggestion the dialog restores once its folder loads.
        dialog->selectFile(m_fileName);
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(m_fileName);
        QMetaObject::invokeMethod(dialog, "accept"); // a slot, protected in C++
    }

    QTimer m_timer;
    QString m_fileName;
    bool m_seen = false;
};

bool hasEvent(const VelmoControlWidget &panel, MotionEvent::Kind kind)
{
    for (const MotionEvent &event : panel.motionTrace().events()) {
        if (event.kind == kind)
            return true;
    }
    return false;
}

} // namespace

class tst_MotionChartPanel : public QObject
{
    Q_OBJECT

private:
    SerialComDev *service = nullptr;

    VelmoControlWidget *makePanel(int axis)
    {
        auto *panel = new VelmoControlWidget;
        connect(service, &SerialComDev::signal_updateCurrentPos, panel, &VelmoControlWidget::slot_updateCurrentPos);
        connect(service, &SerialComDev::signal_updateDevState, panel, &VelmoControlWidget::slot_updateDevState);
        connect(service, &SerialComDev::signal_showOperationMsg, panel, &VelmoControlWidget::slot_showOperationMsg);
        panel->configure(QStringLiteral("VLS-50"), axis, linearStage());
        return panel;
    }

    static QPushButton *button(const QWidget &panel, const char *name)
    {
        return panel.findChild<QPushButton *>(QLatin1String(name));
    }

private slots:
    void initTestCase()
    {
        AppResources::init();
        service = SerialComDev::instance();
    }

    void cleanup() { service->closeDevice(); }

    void chartButtonOpensOneChartPerAxisAndRaisesIt()
    {
        QVERIFY(openController(R"({"timeScale": 10})"));
        QScopedPointer<VelmoControlWidget> first(makePanel(0));
        QScopedPointer<VelmoControlWidget> second(makePanel(1));
        first->show();
        second->show();
        QPushButton *chartButton = button(*first, "pushButton_chart");
        QVERIFY(chartButton != nullptr && chartButton->isVisible());
        // A title bar button like its neighbour.
        const QPushButton *circle = button(*first, "pushButton_circle");
        QCOMPARE(chartButton->size(), circle->size());
        QCOMPARE(chartButton->y(), circle->y());
        QVERIFY(!chartButton->geometry().intersects(circle->geometry()));
        QCOMPARE(chartButton->toolTip(), QStringLiteral("运动曲线"));

        // The panel records before any chart is open.
        QVERIFY(first->motionChart() == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(first->motionTrace().sampleCount() >= 3, 2000);

        QTest::mouseClick(chartButton, Qt::LeftButton);
        QPointer<MotionChartWindow> chart = first->motionChart();
        QVERIFY(chart != nullptr);
        QVERIFY(chart->isWindow());
        QVERIFY(chart->isVisible());
        QCOMPARE(chart->windowTitle(), QStringLiteral("运动曲线 - Axis1"));
        // It draws what was recorded before it opened.
        QwtPlotCurve *position = nullptr;
        for (QwtPlotItem *item : chart->findChild<QwtPlot *>()->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            if (item->title().text() == QStringLiteral("位置"))
                position = static_cast<QwtPlotCurve *>(item);
        }
        QVERIFY(position != nullptr);
        QVERIFY(position->dataSize() >= 3);
        QCOMPARE(position->sample(position->dataSize() - 1).y(), 10.0);

        // Again: the same window, brought back from the task bar or closed.
        chart->showMinimized();
        QTest::mouseClick(chartButton, Qt::LeftButton);
        QCOMPARE(first->motionChart(), chart.data());
        QVERIFY(!chart->isMinimized());
        chart->close();
        QVERIFY(!chart->isVisible());
        QTest::mouseClick(chartButton, Qt::LeftButton);
        QCOMPARE(first->motionChart(), chart.data());
        QVERIFY(chart->isVisible());
        QCOMPARE(first->findChildren<MotionChartWindow *>().size(), 1);

        // Another axis, another chart; both open.
        QTest::mouseClick(button(*second, "pushButton_chart"), Qt::LeftButton);
        MotionChartWindow *other = second->motionChart();
        QVERIFY(other != nullptr && other != chart);
        QCOMPARE(other->windowTitle(), QStringLiteral("运动曲线 - Axis2"));
        QVERIFY(other->isVisible() && chart->isVisible());
        // A renamed axis renames its chart.
        second->setAxisName(QStringLiteral("Axis5"));
        QCOMPARE(other->windowTitle(), QStringLiteral("运动曲线 - Axis5"));

        // The chart goes with its panel.
        first.reset();
        QVERIFY(chart.isNull());
        QVERIFY(other->isVisible());
    }

    void realMoveComesOutOfTheCsvExport()
    {
        // Real time, 5 mm/s: the 10 mm move takes about two seconds.
        QVERIFY(openController(R"({"timeScale": 1, "controllers": [{"axes": [
            {"stage": "VLS-50", "position": 10, "speed": 5, "acceleration": 50}, {"stage": "VRS-360"}]}]})"));
        QScopedPointer<VelmoControlWidget> panel(makePanel(0));
        panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(button(*panel, "pushButton_move")->isEnabled(), 2000);
        emit service->signal_setAbsoluteDispParams(0, 20.0);
        QTRY_COMPARE_WITH_TIMEOUT(service->axisTargetPos(0), 20.0, 2000);
        QTest::qWait(250); // a few readings of the axis at rest
        vsim_clear_written(kId);

        QTest::mouseClick(button(*panel, "pushButton_move"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(hasEvent(*panel, MotionEvent::Started), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(hasEvent(*panel, MotionEvent::Stopped), 8000);
        QTest::qWait(300); // the readings after the stop
        // The controller was told to move once.
        int moves = 0;
        for (const Written &w : commands())
            moves += w.code == 0x0001 && w.axis() == 0 ? 1 : 0;
        QCOMPARE(moves, 1);

        // The samples of the move carry its target.
        bool targetSeen = false;
        for (const MotionSample &s : panel->motionTrace().samples())
            targetSeen |= (s.flags & MotionSample::Running) != 0 && s.target == 20.0;
        QVERIFY(targetSeen);

        QTest::mouseClick(button(*panel, "pushButton_chart"), Qt::LeftButton);
        MotionChartWindow *chart = panel->motionChart();
        QVERIFY(chart != nullptr);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fileName = dir.filePath(QStringLiteral("axis1.csv"));
        FileDialogAnswer answer(fileName);
        QTest::mouseClick(chart->findChild<QPushButton *>(QStringLiteral("pushButton_exportCsv")), Qt::LeftButton);
        QVERIFY(answer.seen());
        const QString status = chart->findChild<QLabel *>(QStringLiteral("label_status"))->text();
        QCOMPARE(status, QStringLiteral("已导出：") + fileName);

        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.first(), QStringLiteral("time,seconds,position,unit,running,positive_limit,negative_limit,fault"));
        QVERIFY(lines.size() >= 1 + 20); // at least two seconds of readings
        double lastSeconds = -1;
        qint64 lastMsecs = 0;
        qint64 firstMsecs = 0;
        double lastPosition = -1;
        int runningRows = 0;
        for (int row = 1; row < lines.size(); ++row) {
            const QStringList columns = lines[row].split(QLatin1Char(','));
            QCOMPARE(columns.size(), 8);
            const qint64 msecs = QDateTime::fromString(columns[0], Qt::ISODateWithMs).toMSecsSinceEpoch();
            const double seconds = columns[1].toDouble();
            const double position = columns[2].toDouble();
            if (row == 1)
                firstMsecs = msecs;
            // Time only goes forward, in both columns, and they agree.
            QVERIFY2(msecs >= lastMsecs && seconds >= lastSeconds, qPrintable(lines[row]));
            QCOMPARE(qRound64(seconds * 1000), msecs - firstMsecs);
            // A move from 10 to 20 never goes back.
            QVERIFY2(position >= lastPosition - 1e-6, qPrintable(lines[row]));
            QCOMPARE(columns[3], QStringLiteral("mm"));
            runningRows += columns[4] == QStringLiteral("1") ? 1 : 0;
            QCOMPARE(columns.mid(5).join(QLatin1Char(',')), QStringLiteral("0,0,0"));
            lastMsecs = msecs;
            lastSeconds = seconds;
            lastPosition = position;
        }
        QCOMPARE(lines[1].split(QLatin1Char(','))[1], QStringLiteral("0.000"));
        QVERIFY(qAbs(lines[1].split(QLatin1Char(','))[2].toDouble() - 10.0) < 1e-3);
        const QStringList last = lines.last().split(QLatin1Char(','));
        QVERIFY2(qAbs(last[2].toDouble() - 20.0) < 1e-3, qPrintable(lines.last()));
        QCOMPARE(last[4], QStringLiteral("0"));
        // About two seconds of running at 100 ms.
        QVERIFY2(runningRows >= 10, qPrintable(QString::number(runningRows)));
    }
};

QTEST_MAIN(tst_MotionChartPanel)
#include "tst_MotionChartPanel.moc"

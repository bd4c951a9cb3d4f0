// The two overlays of an axis panel, driven like a user against the virtual
// controller through the device service: the cycle dialog (input checks,
// start, stop, the close question, units, language) and the device
// parameter dialog (closing by the backdrop, trigger flags, configuration
// request).

#include "AppResources.h"
#include "CycleOperationWidget.h"
#include "DeviceParamWidget.h"
#include "PanelHarness.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTranslator>
#include <QtTest>

using panelharness::MessageBoxAnswer;
using panelharness::Written;

namespace {

constexpr int kSetSpeed = 0x0009;
constexpr int kSetAcceleration = 0x000B;
constexpr int kSetCircleDisp = 0x0018;
constexpr int kSetCircleCount = 0x001A;
constexpr int kSetCircleDelay = 0x001D;
constexpr int kStartCircle = 0x0006;
constexpr int kStop = 0x0002;
constexpr int kTriggerIn = 0x001F;
constexpr int kTriggerOut = 0x0021;

// Axis whose stop marks the end of what a test's clicks sent.
constexpr int kSentinelAxis = 1;

QString qobjectText(const char *source)
{
    return QCoreApplication::translate("QObject", source);
}

bool waitForCommand(int code, int axis, int timeout = 5000)
{
    return QTest::qWaitFor(
        [&] {
            const QList<Written> frames = panelharness::commands();
            for (const Written &w : frames) {
                if (w.code == code && w.axis() == axis)
                    return true;
            }
            return false;
        },
        timeout);
}

// The frames the controller received for the requests queued so far. The
// service serves its requests in order, so a stop queued now comes after
// them; an empty list really means nothing was sent, not "not yet".
bool commandsBeforeSentinel(QList<Written> *before)
{
    emit SerialComDev::instance()->signal_stopMotor(kSentinelAxis);
    if (!waitForCommand(kStop, kSentinelAxis))
        return false;
    before->clear();
    const QList<Written> frames = panelharness::commands();
    for (const Written &w : frames) {
        if (w.code == kStop && w.axis() == kSentinelAxis)
            break;
        before->append(w);
    }
    return true;
}

// Direct reads of the controller, as the debug panel makes them.
struct AxisReading {
    bool ok = false;
    double position = 0;
    MotorStageState state{};
};

AxisReading readAxis(int axis)
{
    QMutexLocker lock(&SerialComDev::libMutex);
    const int id = SerialComDev::currentDevId();
    AxisReading r;
    int status = 0;
    r.position = ::getCurrentPos(id, axis, &status);
    r.ok = status >= 0 && ::getRuningState(id, axis, &r.state) >= 0;
    return r;
}

// The stroke the controller's cycle is at (0 when none runs).
int circleIndex(int axis)
{
    QMutexLocker lock(&SerialComDev::libMutex);
    return ::getCircleIndex(SerialComDev::currentDevId(), axis);
}

void setTriggerFlags(int axis, int in, int out)
{
    QMutexLocker lock(&SerialComDev::libMutex);
    const int id = SerialComDev::currentDevId();
    ::setTriggerInEnable(id, axis, in);
    ::setTriggerOutEnable(id, axis, out);
}

QPair<int, int> triggerFlags(int axis)
{
    QMutexLocker lock(&SerialComDev::libMutex);
    const int id = SerialComDev::currentDevId();
    return qMakePair(::getTriggerInEnable(id, axis), ::getTriggerOutEnable(id, axis));
}

template <typename T>
T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (found == nullptr)
        qWarning("no child %s", name);
    return found;
}

// Replaces a field's text with keys, as a user selecting it and typing.
void typeInto(QAbstractSpinBox *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    if (!text.isEmpty())
        QTest::keyClicks(field, text);
}

// A stand-in for the axis panel: the overlays are its children and cover it.
class Panel : public QWidget
{
public:
    Panel()
    {
        setFixedSize(800, 450);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        QWidget::mousePressEvent(event);
    }
};

// A cycle overlay set up as the panel sets it up for the default
// scenario's axis 0: a 0..50 mm stage, 10 mm/s, 50 mm/s².
struct CycleFixture {
    Panel panel;
    CycleOperationWidget *cycle = new CycleOperationWidget(&panel);

    CycleFixture()
    {
        cycle->setFixedSize(panel.size());
        cycle->setAxis(0);
        cycle->setUnit(QStringLiteral("mm"));
        cycle->setPosRange(0, 50);
        cycle->setMaxSpeed(10);
        cycle->setMaxAcc(50);
    }
    bool show()
    {
        panel.show();
        cycle->show();
        QApplication::setActiveWindow(&panel);
        return QTest::qWaitForWindowActive(&panel);
    }
    QPushButton *button(const char *name) { return child<QPushButton>(cycle, name); }
};

struct DeviceFixture {
    Panel panel;
    DeviceParamWidget *device = new DeviceParamWidget(&panel);

    DeviceFixture() { device->setFixedSize(panel.size()); }
    bool show()
    {
        panel.show();
        device->show();
        return QTest::qWaitForWindowExposed(&panel);
    }
    QWidget *card() { return child<QWidget>(device, "widget_back"); }
};

// Every label and button of the form gets at least the room its text asks
// for, and the card lies wholly inside the overlay.
void verifyNothingCut(QWidget *overlay, QWidget *card)
{
    QVERIFY(overlay->rect().contains(card->geometry()));
    const QList<QWidget *> widgets = card->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *w : widgets) {
        const auto *label = qobject_cast<QLabel *>(w);
        const auto *button = qobject_cast<QAbstractButton *>(w);
        // Image-only buttons (the close cross) have a fixed size of their own.
        if ((label == nullptr && button == nullptr) || (label ? label->text() : button->text()).isEmpty())
            continue;
        ++checked;
        const QRect inCard(w->mapTo(card, QPoint(0, 0)), w->size());
        QVERIFY2(card->rect().contains(inCard), qPrintable(w->objectName()));
        QVERIFY2(w->width() >= w->sizeHint().width(),
                 qPrintable(QStringLiteral("%1: %2 < %3")
                                .arg(w->objectName())
                                .arg(w->width())
                                .arg(w->sizeHint().width())));
        QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(w->objectName()));
    }
    QVERIFY(checked >= 5);
}

bool nearColour(QRgb pixel, int r, int g, int b, int tolerance)
{
    return qAbs(qRed(pixel) - r) <= tolerance && qAbs(qGreen(pixel) - g) <= tolerance
        && qAbs(qBlue(pixel) - b) <= tolerance;
}

} // namespace

class tst_CycleAndDeviceParam : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    // cycle dialog: input checks
    void cycleChecksReportEveryFailureInOrder_data();
    void cycleChecksReportEveryFailureInOrder();
    void unreadableFieldIsRefused_data();
    void unreadableFieldIsRefused();

    // cycle dialog: start and stop
    void startSendsTypedValuesThenDirection_data();
    void startSendsTypedValuesThenDirection();
    void stopHaltsTheCycle();

    // cycle dialog: closing
    void closeWhileRunningAsksAndCancelKeepsIt();
    void closeWhileRunningConfirmedStopsBeforeHiding();
    void closeWhenStoppedHidesWithoutQuestion();

    // cycle dialog: fields, units, language, layout
    void loadParamsFillsTheFields();
    void unitLabelsFollowTheStage();
    void languageChangeKeepsTheUnit();
    void cycleFormFitsInBothLanguages_data();
    void cycleFormFitsInBothLanguages();

    // device parameter dialog
    void backdropClickHidesCardClickDoesNot();
    void confirmSendsTriggerFlags_data();
    void confirmSendsTriggerFlags();
    void confirmFollowsTheAxis();
    void writeConfigChangesNothingOnTheController();
    void deviceDialogLanguageAndLook();

private:
    void installEnglish(bool on);
    QTranslator m_english;
    bool m_englishInstalled = false;
};

void tst_CycleAndDeviceParam::initTestCase()
{
    AppResources::init();
    AppResources::applyProgramLook();
    QVERIFY(!qApp->styleSheet().isEmpty());
    QVERIFY(m_english.load(QStringLiteral(":/i18n/velmo_en_US.qm")));
}

void tst_CycleAndDeviceParam::init()
{
    installEnglish(false);
    // A fresh controller each time: axis 0 at 10 mm, stopped, nothing written.
    QVERIFY(panelharness::openController());
}

void tst_CycleAndDeviceParam::cleanupTestCase()
{
    installEnglish(false);
    SerialComDev::instance()->closeDevice();
    SerialComDev::shutdown();
}

void tst_CycleAndDeviceParam::installEnglish(bool on)
{
    if (on == m_englishInstalled)
        return;
    if (on)
        qApp->installTranslator(&m_english);
    else
        qApp->removeTranslator(&m_english);
    m_englishInstalled = on;
    // The application posts the language change to its windows; the new
    // texts then post layout requests of their own.
    QTest::qWait(20);
}

// ------------------------------------------------------------ input checks

void tst_CycleAndDeviceParam::cycleChecksReportEveryFailureInOrder_data()
{
    QTest::addColumn<double>("minPos");
    QTest::addColumn<double>("maxPos");
    QTest::addColumn<double>("disp");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("acc");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");

    const QString disp50 = qobjectText("相对位移超出范围！(0，%1]").arg(QStringLiteral("50")) + QLatin1Char('\n');
    const QString countZero = qobjectText("循环次数不能为0！") + QLatin1Char('\n');
    QTest::newRow("displacement and count zero") << 0.0 << 50.0 << 0.0 << 5.0 << 20.0 << 0 << disp50 + countZero;
    QTest::newRow("all four, in order")
        << 0.0 << 50.0 << 50.001 << 0.0 << 50.5 << 0
        << disp50 + qobjectText("速度超出范围！(0，%1]").arg(QStringLiteral("10")) + QLatin1Char('\n')
               + qobjectText("加速度超出范围！(0，%1]").arg(QStringLiteral("50")) + QLatin1Char('\n') + countZero;
    QTest::newRow("speed just above the limit")
        << 0.0 << 50.0 << 5.0 << 10.001 << 20.0 << 3
        << qobjectText("速度超出范围！(0，%1]").arg(QStringLiteral("10")) + QLatin1Char('\n');
    QTest::newRow("acceleration zero") << 0.0 << 50.0 << 5.0 << 5.0 << 0.0 << 3
                                       << qobjectText("加速度超出范围！(0，%1]").arg(QStringLiteral("50"))
                                              + QLatin1Char('\n');
    // The stroke is judged against the travel length, not the end position.
    QTest::newRow("travel of an offset range")
        << -5.0 << 7.5 << 12.75 << 5.0 << 20.0 << 3
        << qobjectText("相对位移超出范围！(0，%1]").arg(QStringLiteral("12.5")) + QLatin1Char('\n');
}

void tst_CycleAndDeviceParam::cycleChecksReportEveryFailureInOrder()
{
    QFETCH(double, minPos);
    QFETCH(double, maxPos);
    QFETCH(double, disp);
    QFETCH(double, speed);
    QFETCH(double, acc);
    QFETCH(int, count);
    QFETCH(QString, expected);

    CycleFixture f;
    f.cycle->setPosRange(minPos, maxPos);
    f.cycle->loadParams(acc, speed, disp, count, 100);
    QVERIFY(f.show());
    QSignalSpy started(f.cycle, &CycleOperationWidget::signal_startDoing);

    MessageBoxAnswer answer(true);
    QTest::mouseClick(f.button("pushButton_right"), Qt::LeftButton);
    QVERIFY(answer.seen());
    QCOMPARE(answer.text(), expected);

    QList<Written> sent;
    QVERIFY(commandsBeforeSentinel(&sent));
    QCOMPARE(sent.size(), 0);
    QCOMPARE(started.count(), 0);
    QVERIFY(f.cycle->isVisible());
}

void tst_CycleAndDeviceParam::unreadableFieldIsRefused_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("label");

    QTest::newRow("count emptied") << QStringLiteral("spinBox_time") << QString() << QStringLiteral("循环次数");
    QTest::newRow("speed emptied") << QStringLiteral("doubleSpinBox_speed") << QString() << QStringLiteral("速度");
    QTest::newRow("stroke only a point") << QStringLiteral("doubleSpinBox_relativeDisp") << QStringLiteral(".")
                                         << QStringLiteral("相对位移");
    QTest::newRow("dwell below its minimum") << QStringLiteral("spinBox_delay") << QStringLiteral("1")
                                             << QStringLiteral("停留时间");
}

void tst_CycleAndDeviceParam::unreadableFieldIsRefused()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, label);

    CycleFixture f;
    // Valid values behind every field: only the typed text can fail.
    f.cycle->loadParams(20, 5, 2, 3, 100);
    QVERIFY(f.show());
    auto *box = f.cycle->findChild<QAbstractSpinBox *>(field);
    QVERIFY(box);
    typeInto(box, typed);
    QCOMPARE(box->text(), typed);

    MessageBoxAnswer answer(true);
    QTest::mouseClick(f.button("pushButton_left"), Qt::LeftButton);
    QVERIFY(answer.seen());
    QCOMPARE(answer.text(), qobjectText("输入值无效：%1").arg(label) + QLatin1Char('\n'));

    QList<Written> sent;
    QVERIFY(commandsBeforeSentinel(&sent));
    QCOMPARE(sent.size(), 0);
}

// ------------------------------------------------------------ start, stop

void tst_CycleAndDeviceParam::startSendsTypedValuesThenDirection_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("direction");
    QTest::newRow("left is negative") << QStringLiteral("pushButton_left") << 2;
    QTest::newRow("right is positive") << QStringLiteral("pushButton_right") << 1;
}

void tst_CycleAndDeviceParam::startSendsTypedValuesThenDirection()
{
    QFETCH(QString, button);
    QFETCH(int, direction);

    CycleFixture f;
    f.cycle->loadParams(1, 1, 1, 1, 20);
    QVERIFY(f.show());
    typeInto(child<QAbstractSpinBox>(f.cycle, "spinBox_time"), QStringLiteral("2"));
    typeInto(child<QAbstractSpinBox>(f.cycle, "doubleSpinBox_relativeDisp"), QStringLiteral("2.5"));
    typeInto(child<QAbstractSpinBox>(f.cycle, "doubleSpinBox_speed"), QStringLiteral("3.25"));
    typeInto(child<QAbstractSpinBox>(f.cycle, "doubleSpinBox_acc"), QStringLiteral("12.5"));
    typeInto(child<QAbstractSpinBox>(f.cycle, "spinBox_delay"), QStringLiteral("150"));
    QSignalSpy started(f.cycle, &CycleOperationWidget::signal_startDoing);

    MessageBoxAnswer answer(true);
    QTest::mouseClick(child<QPushButton>(f.cycle, qPrintable(button)), Qt::LeftButton);
    QVERIFY(!answer.seen());
    QCOMPARE(started.count(), 1);
    QVERIFY(f.cycle->isVisible());

    QVERIFY(waitForCommand(kStartCircle, 0));
    const QList<Written> sent = panelharness::commands();
    QCOMPARE(panelharness::commandCodes(),
             (QList<int>{kSetSpeed, kSetAcceleration, kSetCircleCount, kSetCircleDisp, kSetCircleDelay, kStartCircle}));
    for (const Written &w : sent)
        QCOMPARE(w.axis(), 0);
    QCOMPARE(sent[0].f64(), 3.25);
    QCOMPARE(sent[1].f64(), 12.5);
    QCOMPARE(sent[2].i32(), 2);
    QCOMPARE(sent[3].f64(), 2.5);
    QCOMPARE(sent[4].i32(), 150);
    QCOMPARE(sent[5].u16(), direction);

    // The controller runs the cycle, away from 10 mm in the chosen direction.
    const double sign = direction == 1 ? 1 : -1;
    QTRY_VERIFY_WITH_TIMEOUT((readAxis(0).position - 10) * sign > 0.05, 3000);
    const AxisReading running = readAxis(0);
    QVERIFY(running.ok);
    QCOMPARE(running.state.isStop, quint16(0));
    QVERIFY(circleIndex(0) >= 1);
}

void tst_CycleAndDeviceParam::stopHaltsTheCycle()
{
    CycleFixture f;
    f.cycle->loadParams(50, 2, 20, 100, 20);
    QVERIFY(f.show());
    QSignalSpy stopped(f.cycle, &CycleOperationWidget::signal_stopDoing);

    QTest::mouseClick(f.button("pushButton_right"), Qt::LeftButton);
    QVERIFY(waitForCommand(kStartCircle, 0));
    QTRY_VERIFY_WITH_TIMEOUT(readAxis(0).position > 10.05, 3000);
    QCOMPARE(stopped.count(), 0);

    QTest::mouseClick(f.button("pushButton_stop"), Qt::LeftButton);
    QCOMPARE(stopped.count(), 1);
    QVERIFY(f.cycle->isVisible());
    QVERIFY(waitForCommand(kStop, 0));
    QCOMPARE(panelharness::commandCodes().last(), kStop);

    QTRY_COMPARE_WITH_TIMEOUT(readAxis(0).state.isStop, quint16(1), 3000);
    const double haltedAt = readAxis(0).position;
    QTest::qWait(200);
    QCOMPARE(readAxis(0).position, haltedAt);
}

// ------------------------------------------------------------ closing

void tst_CycleAndDeviceParam::closeWhileRunningAsksAndCancelKeepsIt()
{
    CycleFixture f;
    QVERIFY(f.show());
    f.cycle->setRunningState(false);
    QSignalSpy stopped(f.cycle, &CycleOperationWidget::signal_stopDoing);

    MessageBoxAnswer answer(false);
    QTest::mouseClick(f.button("pushButton_close"), Qt::LeftButton);
    QVERIFY(answer.seen());
    QCOMPARE(answer.text(), QStringLiteral("运行中关闭该界面将会自动停止，是否关闭？"));
    QVERIFY(f.cycle->isVisible());
    QCOMPARE(stopped.count(), 0);

    QList<Written> sent;
    QVERIFY(commandsBeforeSentinel(&sent));
    QCOMPARE(sent.size(), 0);
}

void tst_CycleAndDeviceParam::closeWhileRunningConfirmedStopsBeforeHiding()
{
    CycleFixture f;
    f.cycle->setAxis(2);
    QVERIFY(f.show());
    f.cycle->setRunningState(false);
    QSignalSpy stopped(f.cycle, &CycleOperationWidget::signal_stopDoing);
    QList<bool> visibleAtStop;
    connect(SerialComDev::instance(), &SerialComDev::signal_stopMotor, f.cycle,
            [&](int axis) {
                if (axis == 2)
                    visibleAtStop << f.cycle->isVisible();
            },
            Qt::DirectConnection);

    MessageBoxAnswer answer(true);
    QTest::mouseClick(f.button("pushButton_close"), Qt::LeftButton);
    QVERIFY(answer.seen());
    QVERIFY(!f.cycle->isVisible());
    QCOMPARE(visibleAtStop, QList<bool>{true});
    QCOMPARE(stopped.count(), 1);
    QVERIFY(waitForCommand(kStop, 2));
}

void tst_CycleAndDeviceParam::closeWhenStoppedHidesWithoutQuestion()
{
    // Right after construction nothing has reported a motion yet.
    {
        CycleFixture f;
        QVERIFY(f.cycle->isStopped());
        QVERIFY(f.show());
        MessageBoxAnswer answer(true);
        QTest::mouseClick(f.button("pushButton_close"), Qt::LeftButton);
        QVERIFY(!answer.seen());
        QVERIFY(!f.cycle->isVisible());
    }
    // A motion that has ended.
    {
        CycleFixture f;
        QVERIFY(f.show());
        f.cycle->setRunningState(false);
        f.cycle->setRunningState(true);
        MessageBoxAnswer answer(true);
        QTest::mouseClick(f.button("pushButton_close"), Qt::LeftButton);
        QVERIFY(!answer.seen());
        QVERIFY(!f.cycle->isVisible());
    }
    QList<Written> sent;
    QVERIFY(commandsBeforeSentinel(&sent));
    QCOMPARE(sent.size(), 0);
}

// ------------------------------------------------------------ fields, units

void tst_CycleAndDeviceParam::loadParamsFillsTheFields()
{
    CycleFixture f;
    f.cycle->loadParams(12.5, 3.25, 7.125, 42, 300);
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_acc")->value(), 12.5);
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_speed")->value(), 3.25);
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_relativeDisp")->value(), 7.125);
    QCOMPARE(child<QSpinBox>(f.cycle, "spinBox_time")->value(), 42);
    QCOMPARE(child<QSpinBox>(f.cycle, "spinBox_delay")->value(), 300);
    // Three decimals, shown without trailing zeros.
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_relativeDisp")->text(), QStringLiteral("7.125"));
    f.cycle->loadParams(1, 1, 0.0004, 1, 20);
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_relativeDisp")->value(), 0.0);
}

void tst_CycleAndDeviceParam::unitLabelsFollowTheStage()
{
    CycleFixture f;
    QCOMPARE(child<QLabel>(f.cycle, "label_dispUnit")->text(), QStringLiteral("mm"));
    QCOMPARE(child<QLabel>(f.cycle, "label_speedUnit")->text(), QStringLiteral("mm/s"));
    QCOMPARE(child<QLabel>(f.cycle, "label_accUnit")->text(), QStringLiteral("mm/s\u00B2"));

    f.cycle->setUnit(QStringLiteral("\u00B0"));
    QCOMPARE(child<QLabel>(f.cycle, "label_dispUnit")->text(), QStringLiteral("\u00B0"));
    QCOMPARE(child<QLabel>(f.cycle, "label_speedUnit")->text(), QStringLiteral("\u00B0/s"));
    QCOMPARE(child<QLabel>(f.cycle, "label_accUnit")->text(), QStringLiteral("\u00B0/s\u00B2"));
    QCOMPARE(child<QLabel>(f.cycle, "label_6")->text(), QStringLiteral("ms"));
}

void tst_CycleAndDeviceParam::languageChangeKeepsTheUnit()
{
    CycleFixture f;
    f.cycle->setUnit(QStringLiteral("\u00B0"));
    f.cycle->loadParams(12.5, 3.25, 7.125, 42, 300);

    installEnglish(true);
    QCOMPARE(child<QLabel>(f.cycle, "label_title")->text(), QStringLiteral("Loop running mode"));
    QCOMPARE(f.button("pushButton_right")->text(), QStringLiteral("The loop starts in the positive direction"));
    QCOMPARE(child<QLabel>(f.cycle, "label_2")->text(), QStringLiteral("Travel"));
    QCOMPARE(child<QLabel>(f.cycle, "label_dispUnit")->text(), QStringLiteral("\u00B0"));
    QCOMPARE(child<QLabel>(f.cycle, "label_speedUnit")->text(), QStringLiteral("\u00B0/s"));
    QCOMPARE(child<QLabel>(f.cycle, "label_accUnit")->text(), QStringLiteral("\u00B0/s\u00B2"));
    QCOMPARE(child<QDoubleSpinBox>(f.cycle, "doubleSpinBox_relativeDisp")->value(), 7.125);

    installEnglish(false);
    QCOMPARE(child<QLabel>(f.cycle, "label_title")->text(), QStringLiteral("  循环模式"));
    QCOMPARE(f.button("pushButton_stop")->text(), QStringLiteral("停止运行"));
    QCOMPARE(child<QLabel>(f.cycle, "label_accUnit")->text(), QStringLiteral("\u00B0/s\u00B2"));
}

void tst_CycleAndDeviceParam::cycleFormFitsInBothLanguages_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << false;
    QTest::newRow("English") << true;
}

void tst_CycleAndDeviceParam::cycleFormFitsInBothLanguages()
{
    QFETCH(bool, english);
    installEnglish(english);
    CycleFixture f;
    f.cycle->setUnit(QStringLiteral("\u00B0"));
    QVERIFY(f.show());
    QWidget *card = child<QWidget>(f.cycle, "widget_content");
    QVERIFY(card);
    QVERIFY(card->width() >= 530 && card->height() >= 250);
    // Centred on the panel.
    QVERIFY(qAbs(card->geometry().center().x() - f.cycle->rect().center().x()) <= 1);
    QVERIFY(qAbs(card->geometry().center().y() - f.cycle->rect().center().y()) <= 1);
    verifyNothingCut(f.cycle, card);
    // The action buttons leave their text room beside the 44 px image.
    for (const char *name : {"pushButton_left", "pushButton_right", "pushButton_stop"}) {
        QPushButton *b = f.button(name);
        QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text()) + 44, name);
    }

    // A bigger panel hands its size on; the card stays centred.
    f.panel.setFixedSize(1000, 560);
    f.cycle->setFixedSize(f.panel.size());
    QTRY_VERIFY(qAbs(card->geometry().center().x() - 500) <= 1);
}

// ------------------------------------------------------------ device dialog

void tst_CycleAndDeviceParam::backdropClickHidesCardClickDoesNot()
{
    DeviceFixture f;
    QVERIFY(!f.device->isVisible());
    QVERIFY(f.show());
    QWidget *card = f.card();
    QVERIFY(card);
    QVERIFY(f.device->rect().contains(card->geometry()));
    QVERIFY(card->width() < f.device->width() && card->height() < f.device->height());

    // On the card: its empty margin, a label inside a group box.
    QTest::mouseClick(card, Qt::LeftButton, Qt::NoModifier, QPoint(5, card->height() / 2));
    QVERIFY(f.device->isVisible());
    QTest::mouseClick(child<QLabel>(f.device, "label_3"), Qt::LeftButton);
    QVERIFY(f.device->isVisible());

    // Just outside the card's left edge, then a corner of the backdrop.
    const int pressesBefore = f.panel.presses;
    const QPoint besideCard(card->geometry().left() - 2, card->geometry().center().y());
    QTest::mouseClick(f.device, Qt::LeftButton, Qt::NoModifier, besideCard);
    QVERIFY(!f.device->isVisible());
    // The press still goes on to the panel below.
    QCOMPARE(f.panel.presses, pressesBefore + 1);

    f.device->show();
    QTest::mouseClick(f.device, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QVERIFY(!f.device->isVisible());
}

void tst_CycleAndDeviceParam::confirmSendsTriggerFlags_data()
{
    QTest::addColumn<bool>("in");
    QTest::addColumn<bool>("out");
    QTest::newRow("both off") << false << false;
    QTest::newRow("input only") << true << false;
    QTest::newRow("output only") << false << true;
    QTest::newRow("both on") << true << true;
}

void tst_CycleAndDeviceParam::confirmSendsTriggerFlags()
{
    QFETCH(bool, in);
    QFETCH(bool, out);
    // The controller starts with the opposite flags, so a missing or
    // wrong write shows.
    setTriggerFlags(0, in ? 0 : 1, out ? 0 : 1);
    vsim_clear_written(panelharness::kId);

    DeviceFixture f;
    QVERIFY(f.show());
    f.device->setInputEnabled(in);
    f.device->setOutputEnabled(out);
    QCOMPARE(child<QCheckBox>(f.device, "checkBox_input")->isChecked(), in);
    QCOMPARE(child<QCheckBox>(f.device, "checkBox_output")->isChecked(), out);
    QTest::mouseClick(child<QPushButton>(f.device, "pushButton_confirm"), Qt::LeftButton);
    QVERIFY(f.device->isVisible());

    QVERIFY(waitForCommand(kTriggerOut, 0));
    const QList<Written> sent = panelharness::commands();
    QCOMPARE(panelharness::commandCodes(), (QList<int>{kTriggerIn, kTriggerOut}));
    QCOMPARE(sent[0].axis(), 0);
    QCOMPARE(sent[0].u16(), in ? 1 : 0);
    QCOMPARE(sent[1].axis(), 0);
    QCOMPARE(sent[1].u16(), out ? 1 : 0);
    QCOMPARE(triggerFlags(0), qMakePair(in ? 1 : 0, out ? 1 : 0));
}

void tst_CycleAndDeviceParam::confirmFollowsTheAxis()
{
    DeviceFixture f;
    QVERIFY(f.show());
    QCOMPARE(f.device->axis(), 0);
    // Ticked by a user; hiding and showing keeps the ticks.
    QTest::mouseClick(child<QCheckBox>(f.device, "checkBox_input"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(f.device, "checkBox_output"), Qt::LeftButton);
    f.device->hide();
    f.device->show();
    QVERIFY(f.device->isInputEnabled() && f.device->isOutputEnabled());

    f.device->setAxis(2);
    QTest::mouseClick(child<QPushButton>(f.device, "pushButton_confirm"), Qt::LeftButton);
    QVERIFY(waitForCommand(kTriggerOut, 2));
    const QList<Written> sent = panelharness::commands();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].axis(), 2);
    QCOMPARE(sent[0].u16(), 1);
    QCOMPARE(sent[1].u16(), 1);
    QCOMPARE(triggerFlags(2), qMakePair(1, 1));
    QCOMPARE(triggerFlags(0), qMakePair(0, 0));
}

void tst_CycleAndDeviceParam::writeConfigChangesNothingOnTheController()
{
    DeviceFixture f;
    QVERIFY(f.show());
    QSignalSpy requests(SerialComDev::instance(), &SerialComDev::signal_setMotorConfig);
    QComboBox *ids = child<QComboBox>(f.device, "comboBox_motorID");
    QCOMPARE(ids->count(), 8);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(ids->itemText(i), QString::number(i + 1));
    ids->setCurrentIndex(6);
    QTest::keyClicks(child<QLineEdit>(f.device, "lineEdit_motorModel"), QStringLiteral("VLS-100 "));
    QTest::keyClicks(child<QLineEdit>(f.device, "lineEdit_fileName"), QStringLiteral("stage.cfg"));

    // The "..." button does nothing at all.
    QTest::mouseClick(child<QPushButton>(f.device, "pushButton_file"), Qt::LeftButton);
    QCOMPARE(requests.count(), 0);

    QTest::mouseClick(child<QPushButton>(f.device, "pushButton_writeConfig"), Qt::LeftButton);
    QCOMPARE(requests.count(), 1);
    const QList<QVariant> args = requests.takeFirst();
    QCOMPARE(args.at(0).toInt(), 7);
    QCOMPARE(args.at(1).toString(), QStringLiteral("VLS-100 "));
    QCOMPARE(args.at(2).toString(), QStringLiteral("stage.cfg"));

    QList<Written> sent;
    QVERIFY(commandsBeforeSentinel(&sent));
    QCOMPARE(sent.size(), 0);
}

void tst_CycleAndDeviceParam::deviceDialogLanguageAndLook()
{
    DeviceFixture f;
    f.device->setInputEnabled(true);
    QComboBox *ids = child<QComboBox>(f.device, "comboBox_motorID");
    ids->setCurrentIndex(3);
    QVERIFY(f.show());
    QWidget *card = f.card();

    // Dark translucent backdrop over the (white) panel, opaque card.
    const QImage shot = f.panel.grab().toImage();
    const QPoint cardMargin = card->geometry().topLeft() + QPoint(6, card->height() / 2);
    QVERIFY2(nearColour(shot.pixel(3, 3), 57, 58, 60, 4), qPrintable(QString::number(shot.pixel(3, 3), 16)));
    QVERIFY2(nearColour(shot.pixel(cardMargin), 36, 37, 41, 0),
             qPrintable(QString::number(shot.pixel(cardMargin), 16)));

    installEnglish(true);
    QCOMPARE(child<QGroupBox>(f.device, "groupBox")->title(), QStringLiteral("External I/O"));
    QCOMPARE(child<QGroupBox>(f.device, "groupBox_2")->title(), QStringLiteral("Motor Stage Model Config"));
    QCOMPARE(child<QCheckBox>(f.device, "checkBox_output")->text(), QStringLiteral("Enable output"));
    QCOMPARE(child<QPushButton>(f.device, "pushButton_writeConfig")->text(), QStringLiteral("write"));
    QCOMPARE(child<QLabel>(f.device, "label_3")->text(), QStringLiteral("Config file"));
    // Re-applying the texts keeps what the user chose.
    QCOMPARE(ids->count(), 8);
    QCOMPARE(ids->currentText(), QStringLiteral("4"));
    QVERIFY(f.device->isInputEnabled());
    verifyNothingCut(f.device, card);
    if (QTest::currentTestFailed())
        return;

    installEnglish(false);
    QCOMPARE(child<QGroupBox>(f.device, "groupBox")->title(), QStringLiteral("外部输入输出"));
    QCOMPARE(child<QLabel>(f.device, "label")->text(), QStringLiteral("ID:"));
    verifyNothingCut(f.device, card);
}

QTEST_MAIN(tst_CycleAndDeviceParam)
#include "tst_CycleAndDeviceParam.moc"

// The move, jog and drive parameter pop-ups against the virtual controller:
// their checks and messages, the frames a confirmation writes, loading and
// restoring the cached values, hiding on deactivation, units, language and
// whether the forms fit their 300 x 155 background.

#include "AppResources.h"
#include "DriveParamWidget.h"
#include "JogParamWidget.h"
#include "MoveParamWidget.h"
#include "PanelHarness.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTranslator>
#include <QtTest>

using panelharness::MessageBoxAnswer;

namespace {

// Two axes whose cached values all differ, so a dialog that reads the wrong
// axis or the wrong field shows it.
const char kScenario[] = R"({"controllers": [{"portPath": [1, 4], "axes": [
  {"stage": "VLS-50", "targetPos": 12.5, "speed": 7.25, "acceleration": 33, "relativeDisp": 2.5,
   "relativeDispEnable": 1, "jogStep": 0.75, "jogCount": 9, "jogDelay": 250},
  {"stage": "VRS-360", "targetPos": 45, "speed": 3, "acceleration": 11, "relativeDisp": 4,
   "relativeDispEnable": 0, "jogStep": 1.5, "jogCount": 2, "jogDelay": 40}]}]})";

enum Which { Move, Jog, Drive };

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

template<typename T>
T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (found == nullptr)
        qFatal("no child %s", name);
    return found;
}

// The three pop-ups of one panel, with the limits of their stage models.
struct Popups
{
    Popups()
    {
        move.setPosRange(-50, 50);
        move.setMaxSpeed(100);
        move.setMaxAcc(1234.5678);
        jog.setPosRange(-20, 30);
        drive.setPosRange(10, 60);
        drive.setMaxSpeed(100);
        drive.setMaxAcc(1234.5678);
    }
    ParamPopup *at(int which)
    {
        return which == Move ? static_cast<ParamPopup *>(&move) : which == Jog ? static_cast<ParamPopup *>(&jog) : &drive;
    }
    // Loads the cache of the axis and shows the pop-up as the panel does.
    bool open(int which, int axis = 0)
    {
        move.setAxis(axis);
        jog.setAxis(axis);
        drive.setAxis(axis);
        which == Move ? move.loadParams() : which == Jog ? jog.loadParams() : drive.loadParams();
        at(which)->show();
        return QTest::qWaitForWindowActive(at(which));
    }

    QWidget host;
    MoveParamWidget move{&host};
    JogParamWidget jog{&host};
    DriveParamWidget drive{&host};
};

const char *deactivationSignal(int which)
{
    return which == Move ? SIGNAL(signal_moveParamWindowDeactivated())
        : which == Jog   ? SIGNAL(signal_jogParamWindowDeactivated())
                         : SIGNAL(signal_driveParamWindowDeactivated());
}

// Replaces a field's text as a user does: select all, then type.
void typeInto(QWidget *popup, const QString &field, const QString &text)
{
    auto *box = popup->findChild<QAbstractSpinBox *>(field);
    QVERIFY2(box, qPrintable(field));
    box->selectAll();
    QLineEdit *edit = box->findChild<QLineEdit *>();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

// fields: "objectName=text" entries.
void typeAll(QWidget *popup, const QStringList &fields)
{
    for (const QString &entry : fields) {
        const int eq = entry.indexOf(QLatin1Char('='));
        typeInto(popup, entry.left(eq), entry.mid(eq + 1));
    }
}

void click(QWidget *popup, const char *button)
{
    QTest::mouseClick(child<QPushButton>(popup, button), Qt::LeftButton);
}

// Lets queued requests reach the controller before asserting that none did.
QList<int> codesAfterSettling()
{
    QTest::qWait(200);
    return panelharness::commandCodes();
}

struct TranslatorGuard
{
    explicit TranslatorGuard(QTranslator *t) : translator(t) { QCoreApplication::installTranslator(t); }
    ~TranslatorGuard() { QCoreApplication::removeTranslator(translator); }
    QTranslator *translator;
};

} // namespace

class tst_ParamDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void rejectedInputShowsEveryMessageAndSendsNothing_data();
    void rejectedInputShowsEveryMessageAndSendsNothing();
    void moveConfirmationSendsTargetThenSpeed();
    void jogConfirmationSendsStepCountDelay();
    void driveConfirmationSendsTravelThenSpeed_data();
    void driveConfirmationSendsTravelThenSpeed();
    void loadAndRestoreShowTheCachedValuesOfTheAxis();
    void deactivationHidesAndSignals_data();
    void deactivationHidesAndSignals();
    void unitLabelsFollowTheUnitInBothLanguages();
    void formsFitTheirBackground_data();
    void formsFitTheirBackground();
};

void tst_ParamDialogs::initTestCase()
{
    // The program's style sheet makes the fields and buttons taller; the
    // layout must fit with it.
    AppResources::init();
    AppResources::applyProgramLook();
    QVERIFY(!qApp->styleSheet().isEmpty());
}

void tst_ParamDialogs::init()
{
    QVERIFY(panelharness::openController(kScenario));
}

void tst_ParamDialogs::rejectedInputShowsEveryMessageAndSendsNothing_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("travel"); // drive's check box: -1 leave, 0 off, 1 on
    QTest::addColumn<QString>("message");

    QTest::newRow("move position and speed")
        << int(Move) << QStringList{u8("doubleSpinBox_disp=60"), u8("doubleSpinBox_speed=0"), u8("doubleSpinBox_acc=5")}
        << -1 << u8("位置超出范围！[-50，50]\n速度超出范围！(0，100]\n");
    QTest::newRow("move all three, limits in six digits")
        << int(Move)
        << QStringList{u8("doubleSpinBox_disp=-50.001"), u8("doubleSpinBox_speed=100.001"), u8("doubleSpinBox_acc=0")}
        << -1 << u8("位置超出范围！[-50，50]\n速度超出范围！(0，100]\n加速度超出范围！(0，1234.57]\n");
    QTest::newRow("move acceleration above limit")
        << int(Move) << QStringList{u8("doubleSpinBox_acc=1234.568")} << -1 << u8("加速度超出范围！(0，1234.57]\n");
    QTest::newRow("jog all zero")
        << int(Jog) << QStringList{u8("doubleSpinBox_step=0"), u8("spinBox_count=0"), u8("spinBox_delay=0")} << -1
        << u8("步长超出范围！(0，50]\n步进次数不能为0！\n步进延时不能为0！\n");
    QTest::newRow("jog step beyond travel")
        << int(Jog) << QStringList{u8("doubleSpinBox_step=50.001")} << -1 << u8("步长超出范围！(0，50]\n");
    QTest::newRow("drive zero travel while off")
        << int(Drive) << QStringList{u8("doubleSpinBox_disp=0")} << 0 << u8("相对位移超出范围！(0，50]\n");
    QTest::newRow("drive all three")
        << int(Drive)
        << QStringList{u8("doubleSpinBox_disp=50.5"), u8("doubleSpinBox_speed=100.5"), u8("doubleSpinBox_acc=0")} << 1
        << u8("相对位移超出范围！(0，50]\n速度超出范围！(0，100]\n加速度超出范围！(0，1234.57]\n");
    QTest::newRow("move empty speed") << int(Move) << QStringList{u8("doubleSpinBox_speed=")} << -1
                                      << u8("输入值无效：速度\n");
    QTest::newRow("move lone minus") << int(Move) << QStringList{u8("doubleSpinBox_disp=-")} << -1
                                     << u8("输入值无效：位置\n");
    QTest::newRow("jog empty count") << int(Jog) << QStringList{u8("spinBox_count=")} << -1
                                     << u8("输入值无效：步进次数\n");
    QTest::newRow("drive empty travel, bad speed")
        << int(Drive) << QStringList{u8("doubleSpinBox_disp="), u8("doubleSpinBox_speed=0")} << -1
        << u8("输入值无效：相对位移\n速度超出范围！(0，100]\n");
}

void tst_ParamDialogs::rejectedInputShowsEveryMessageAndSendsNothing()
{
    QFETCH(int, which);
    QFETCH(QStringList, fields);
    QFETCH(int, travel);
    QFETCH(QString, message);

    Popups popups;
    // The cache of axis 0 is valid for every limit above: only the typed
    // fields can fail.
    QVERIFY(popups.open(which));
    ParamPopup *popup = popups.at(which);
    QSignalSpy deactivated(popup, deactivationSignal(which));
    typeAll(popup, fields);
    if (travel >= 0)
        popups.drive.findChild<QCheckBox *>(QStringLiteral("checkBox_travelEnable"))->setChecked(travel == 1);

    MessageBoxAnswer answer(true);
    click(popup, "pushButton_confirm");
    QVERIFY(answer.seen());
    QCOMPARE(answer.text(), message);

    QCOMPARE(codesAfterSettling(), QList<int>());
    // Still open with what was typed, for the user to correct.
    QVERIFY(popup->isVisible());
    QCOMPARE(deactivated.count(), 0);
    for (const QString &entry : fields) {
        const int eq = entry.indexOf(QLatin1Char('='));
        bool isNumber = false;
        entry.mid(eq + 1).toDouble(&isNumber);
        if (isNumber)
            QCOMPARE(popup->findChild<QAbstractSpinBox *>(entry.left(eq))->text(), entry.mid(eq + 1));
    }
}

void tst_ParamDialogs::moveConfirmationSendsTargetThenSpeed()
{
    Popups popups;
    QVERIFY(popups.open(Move, 1));
    // The position equals the upper limit exactly.
    typeAll(&popups.move, {u8("doubleSpinBox_disp=50"), u8("doubleSpinBox_speed=7.5"), u8("doubleSpinBox_acc=12.25")});
    MessageBoxAnswer answer(true);
    click(&popups.move, "pushButton_confirm");
    QVERIFY(!answer.seen());
    QVERIFY(!popups.move.isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(panelharness::commandCodes(), (QList<int>{0x0007, 0x0009, 0x000B}), 5000);
    const QList<panelharness::Written> frames = panelharness::commands();
    for (const panelharness::Written &frame : frames)
        QCOMPARE(frame.axis(), 1);
    QCOMPARE(frames[0].f64(), 50.0);
    QCOMPARE(frames[1].f64(), 7.5);
    QCOMPARE(frames[2].f64(), 12.25);
}

void tst_ParamDialogs::jogConfirmationSendsStepCountDelay()
{
    Popups popups;
    QVERIFY(popups.open(Jog, 1));
    // The step equals the travel, maxPos - minPos.
    typeAll(&popups.jog, {u8("doubleSpinBox_step=50"), u8("spinBox_count=7"), u8("spinBox_delay=300")});
    MessageBoxAnswer answer(true);
    click(&popups.jog, "pushButton_confirm");
    QVERIFY(!answer.seen());
    QVERIFY(!popups.jog.isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(panelharness::commandCodes(), (QList<int>{0x0011, 0x0015, 0x0013}), 5000);
    const QList<panelharness::Written> frames = panelharness::commands();
    for (const panelharness::Written &frame : frames)
        QCOMPARE(frame.axis(), 1);
    QCOMPARE(frames[0].f64(), 50.0);
    QCOMPARE(frames[1].i32(), 7);
    QCOMPARE(frames[2].i32(), 300);
}

void tst_ParamDialogs::driveConfirmationSendsTravelThenSpeed_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::newRow("travel on") << true;
    QTest::newRow("travel off") << false;
}

void tst_ParamDialogs::driveConfirmationSendsTravelThenSpeed()
{
    QFETCH(bool, enabled);
    Popups popups;
    QVERIFY(popups.open(Drive, 1)); // axis 1's cache has the travel off
    typeAll(&popups.drive, {u8("doubleSpinBox_disp=3.5"), u8("doubleSpinBox_speed=100"), u8("doubleSpinBox_acc=40")});
    if (enabled)
        QTest::mouseClick(child<QCheckBox>(&popups.drive, "checkBox_travelEnable"), Qt::LeftButton);
    MessageBoxAnswer answer(true);
    click(&popups.drive, "pushButton_confirm");
    QVERIFY(!answer.seen());
    QVERIFY(!popups.drive.isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(panelharness::commandCodes(), (QList<int>{0x000D, 0x000F, 0x0009, 0x000B}), 5000);
    const QList<panelharness::Written> frames = panelharness::commands();
    for (const panelharness::Written &frame : frames)
        QCOMPARE(frame.axis(), 1);
    QCOMPARE(frames[0].f64(), 3.5);
    QCOMPARE(frames[1].u16(), enabled ? 1 : 0);
    QCOMPARE(frames[2].f64(), 100.0);
    QCOMPARE(frames[3].f64(), 40.0);
}

void tst_ParamDialogs::loadAndRestoreShowTheCachedValuesOfTheAxis()
{
    Popups popups;
    auto value = [&popups](int which, const char *name) {
        auto *box = popups.at(which)->findChild<QAbstractSpinBox *>(QLatin1String(name));
        if (auto *d = qobject_cast<QDoubleSpinBox *>(box))
            return d->value();
        return double(qobject_cast<QSpinBox *>(box)->value());
    };
    QCheckBox *travel = child<QCheckBox>(&popups.drive, "checkBox_travelEnable");

    for (int which : {Move, Jog, Drive})
        QVERIFY(popups.open(which, 1));
    QCOMPARE(value(Move, "doubleSpinBox_disp"), 45.0);
    QCOMPARE(value(Move, "doubleSpinBox_speed"), 3.0);
    QCOMPARE(value(Move, "doubleSpinBox_acc"), 11.0);
    QCOMPARE(value(Jog, "doubleSpinBox_step"), 1.5);
    QCOMPARE(value(Jog, "spinBox_count"), 2.0);
    QCOMPARE(value(Jog, "spinBox_delay"), 40.0);
    QCOMPARE(value(Drive, "doubleSpinBox_disp"), 4.0);
    QCOMPARE(value(Drive, "doubleSpinBox_speed"), 3.0);
    QCOMPARE(value(Drive, "doubleSpinBox_acc"), 11.0);
    QVERIFY(!travel->isChecked());

    // Axis 0, then edits (one field left empty) that restore throws away.
    auto text = [&popups](int which, const char *name) {
        return popups.at(which)->findChild<QAbstractSpinBox *>(QLatin1String(name))->text();
    };
    const QList<QStringList> edits{{u8("doubleSpinBox_disp=3"), u8("doubleSpinBox_speed=")},
                                   {u8("doubleSpinBox_step="), u8("spinBox_count=1")},
                                   {u8("doubleSpinBox_disp=9"), u8("doubleSpinBox_acc=")}};
    for (int which : {Move, Jog, Drive}) {
        QVERIFY(popups.open(which, 0));
        typeAll(popups.at(which), edits[which]);
        if (which == Drive) {
            QVERIFY(travel->isChecked());
            travel->setChecked(false);
        }
        click(popups.at(which), "pushButton_restore");
        // Restoring neither closes the pop-up nor sends anything.
        QVERIFY(popups.at(which)->isVisible());
    }
    QCOMPARE(text(Move, "doubleSpinBox_disp"), u8("12.5"));
    QCOMPARE(text(Move, "doubleSpinBox_speed"), u8("7.25"));
    QCOMPARE(text(Move, "doubleSpinBox_acc"), u8("33"));
    QCOMPARE(text(Jog, "doubleSpinBox_step"), u8("0.75"));
    QCOMPARE(text(Jog, "spinBox_count"), u8("9"));
    QCOMPARE(text(Jog, "spinBox_delay"), u8("250"));
    QCOMPARE(text(Drive, "doubleSpinBox_disp"), u8("2.5"));
    QCOMPARE(text(Drive, "doubleSpinBox_speed"), u8("7.25"));
    QCOMPARE(text(Drive, "doubleSpinBox_acc"), u8("33"));
    QVERIFY(travel->isChecked());
    QCOMPARE(codesAfterSettling(), QList<int>());
}

void tst_ParamDialogs::deactivationHidesAndSignals_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("move") << int(Move);
    QTest::newRow("jog") << int(Jog);
    QTest::newRow("drive") << int(Drive);
}

void tst_ParamDialogs::deactivationHidesAndSignals()
{
    QFETCH(int, which);
    Popups popups;
    ParamPopup *popup = popups.at(which);
    QSignalSpy deactivated(popup, deactivationSignal(which));
    QVERIFY(popups.open(which));
    QCOMPARE(deactivated.count(), 0);

    // A click elsewhere: another window takes the activation.
    QWidget elsewhere;
    elsewhere.resize(200, 100);
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(deactivated.count(), 1);
    QCOMPARE(codesAfterSettling(), QList<int>());
}

void tst_ParamDialogs::unitLabelsFollowTheUnitInBothLanguages()
{
    Popups popups;
    auto text = [&popups](int which, const char *name) {
        return child<QAbstractButton>(popups.at(which), name)->text();
    };
    auto label = [&popups](int which, const char *name) { return child<QLabel>(popups.at(which), name)->text(); };
    QCOMPARE(label(Move, "label_speedUnit"), u8("mm/s"));

    const QString degree = u8("°");
    popups.move.setUnit(degree);
    popups.jog.setUnit(degree);
    popups.drive.setUnit(degree);
    QCOMPARE(label(Move, "label_posUnit"), degree);
    QCOMPARE(label(Move, "label_speedUnit"), u8("°/s"));
    QCOMPARE(label(Jog, "label_stepUnit"), degree);
    QCOMPARE(label(Drive, "label_accUnit"), u8("°/s²"));

    {
        QTranslator english;
        QVERIFY(english.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
        TranslatorGuard guard(&english);
        QTRY_COMPARE(label(Move, "label_pos"), u8("Posion:"));
        QTRY_COMPARE(label(Jog, "label_count"), u8("Number:"));
        QTRY_COMPARE(text(Drive, "checkBox_travelEnable"), u8("Travel"));
        QCOMPARE(text(Drive, "pushButton_confirm"), u8("confirm"));
        QCOMPARE(text(Move, "pushButton_restore"), u8("Restore"));
        QCOMPARE(label(Move, "label_posUnit"), degree);
        QCOMPARE(label(Move, "label_accUnit"), u8("°/s²"));
        QCOMPARE(label(Jog, "label_stepUnit"), degree);
        QCOMPARE(label(Drive, "label_relativeUnit"), degree);
        QCOMPARE(label(Drive, "label_speedUnit"), u8("°/s"));

        // The check messages follow the language too.
        QVERIFY(popups.open(Move));
        typeAll(&popups.move, {u8("doubleSpinBox_disp=60")});
        MessageBoxAnswer answer(true);
        click(&popups.move, "pushButton_confirm");
        QCOMPARE(answer.text(), u8("Position out of range! [-50, 50]\n"));
        popups.move.hide();
    }
    QTRY_COMPARE(label(Move, "label_pos"), u8("位置:"));
    QCOMPARE(label(Move, "label_posUnit"), degree);
    QCOMPARE(label(Jog, "label_stepUnit"), degree);
}

void tst_ParamDialogs::formsFitTheirBackground_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("chinese") << false;
    QTest::newRow("english") << true;
}

void tst_ParamDialogs::formsFitTheirBackground()
{
    QFETCH(bool, english);
    QTranslator translator;
    QVERIFY(translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm")));
    QScopedPointer<TranslatorGuard> guard(english ? new TranslatorGuard(&translator) : nullptr);

    Popups popups;
    popups.move.setUnit(u8("mm"));
    // Inside the background's body whichever end its pointer is at: the
    // pointer strip takes the top (below its button) or the bottom (above).
    const QRect body(QPoint(3, 14), QPoint(296, 145));
    for (int which : {Move, Jog, Drive}) {
        ParamPopup *popup = popups.at(which);
        QVERIFY(popups.open(which));
        QCoreApplication::processEvents(); // the language change, then the layout
        QCOMPARE(popup->size(), QSize(300, 155));
        const QList<QWidget *> controls = popup->findChildren<QWidget *>();
        int checked = 0;
        for (QWidget *w : controls) {
            if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w)
                && !qobject_cast<QAbstractSpinBox *>(w))
                continue;
            ++checked;
            const QRect r(w->mapTo(popup, QPoint(0, 0)), w->size());
            const QString what = w->objectName() + QLatin1Char(' ') + w->property("text").toString();
            QVERIFY2(body.contains(r), qPrintable(what));
            QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(what));
            QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(what));
        }
        QVERIFY(checked >= 10);
        popup->hide();
    }
}

QTEST_MAIN(tst_ParamDialogs)
#include "tst_ParamDialogs.moc"

// Window chrome: the styled message box (width rule, buttons, results), the
// resize grips of a frameless window, the zero-trimming spin box and the
// placeholder panel.

#include "FramelessDialog.h"
#include "MyBorderContainer.h"
#include "PlaceholderWidget.h"
#include "StyledMessageBox.h"
#include "TDoubleSpinBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs check on the modal box once it is up; the check closes it.
void whenBoxShown(const std::function<void(QMessageBox *)> &check)
{
    QTimer::singleShot(0, [check] {
        QMessageBox *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            // Let the test fail on its result instead of hanging.
            QTimer::singleShot(20, [check] {
                QMessageBox *late = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(late);
                check(late);
            });
            return;
        }
        check(box);
    });
}

QPushButton *buttonWithText(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *b : box->buttons()) {
        if (b->text() == text)
            return qobject_cast<QPushButton *>(b);
    }
    return nullptr;
}

// Shows a window and waits until the platform has exposed it.
bool showAndWait(QWidget &window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class tst_WindowChrome : public QObject
{
    Q_OBJECT

private slots:
    void spinBoxDropsTrailingZeros_data();
    void spinBoxDropsTrailingZeros();

    void messageBoxWidthFollowsLongestLine();
    void messageBoxButtonsAndResults();
    void messageBoxVariantSizes_data();
    void messageBoxVariantSizes();

    void gripsCoverEdgesAndCorners();
    void cornersLieAboveEdges();
    void resizeRules_data();
    void resizeRules();
    void windowMinimumIsRespectedWithoutShifting();
    void dragResizesAndRefusedMoveRestartsFromThere();
    void noResizeWhileFullScreenOrAfterRelease();

    void placeholderIsFixedAndTitled();

    void framelessDialogsMoveByTheirTitleBarOnly();
};

void tst_WindowChrome::spinBoxDropsTrailingZeros_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("12.5") << 3 << 12.5 << QStringLiteral("12.5");
    QTest::newRow("10") << 3 << 10.0 << QStringLiteral("10");
    QTest::newRow("0.125") << 3 << 0.125 << QStringLiteral("0.125");
    QTest::newRow("100 keeps its zeros") << 3 << 100.0 << QStringLiteral("100");
    QTest::newRow("0") << 3 << 0.0 << QStringLiteral("0");
    QTest::newRow("negative") << 3 << -12.5 << QStringLiteral("-12.5");
    QTest::newRow("large") << 3 << 10000000.0 << QStringLiteral("10000000");
    QTest::newRow("rounded up to whole") << 3 << 99.9996 << QStringLiteral("100");
    QTest::newRow("rounded to decimals") << 3 << 1.23449 << QStringLiteral("1.234");
}

void tst_WindowChrome::spinBoxDropsTrailingZeros()
{
    QFETCH(int, decimals);
    QFETCH(double, value);
    QFETCH(QString, text);
    TDoubleSpinBox box;
    box.setDecimals(decimals);
    box.setRange(-10000000, 10000000);
    box.setValue(value);
    QCOMPARE(box.text(), text);
    QCOMPARE(box.valueFromText(text), box.value());

    // The same text reads back as the same value under a decimal-comma locale.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TDoubleSpinBox german;
    german.setDecimals(decimals);
    german.setRange(-10000000, 10000000);
    german.setValue(value);
    const QString shown = german.text();
    const double readBack = german.valueFromText(shown);
    QLocale::setDefault(previous);
    QCOMPARE(shown, text);
    QCOMPARE(readBack, german.value());
}

void tst_WindowChrome::messageBoxWidthFollowsLongestLine()
{
    const QString text = QStringLiteral("短\n这是一条明显长得多的第二行文字, with some Latin\n");
    QFont font;
    font.setPixelSize(18);
    const QFontMetrics metrics(font);
    const int widest = qMax(metrics.horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0)),
                            metrics.horizontalAdvance(text.section(QLatin1Char('\n'), 1, 1)));
    QVERIFY(widest > 200);
    QCOMPARE(StyledMessageBox::textWidth(text), widest);
    QCOMPARE(StyledMessageBox::textWidth(QString()), 0);

    QWidget parent;
    int labelMinimum = -1;
    QString sheet;
    whenBoxShown([&](QMessageBox *box) {
        sheet = box->styleSheet();
        if (QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
            labelMinimum = label->minimumWidth();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    StyledMessageBox::show(&parent, text, StyledMessageBox::Variant::MainWindow);
    QVERIFY(sheet.contains(QStringLiteral("min-width: %1px;min-height: 80px;").arg(widest + 100)));
    // The style sheet really reaches the label.
    QCOMPARE(labelMinimum, widest + 100);
}

void tst_WindowChrome::messageBoxButtonsAndResults()
{
    QWidget parent;
    QString title;
    bool confirmFirst = false;
    bool confirmStyled = false;
    whenBoxShown([&](QMessageBox *box) {
        title = box->windowTitle();
        QPushButton *confirm = buttonWithText(box, QStringLiteral("确认"));
        QPushButton *cancel = buttonWithText(box, QStringLiteral("取消"));
        QVERIFY(confirm && cancel);
        box->adjustSize();
        box->findChild<QDialogButtonBox *>()->layout()->activate();
        confirmFirst = confirm->x() < cancel->x();
        confirmStyled = confirm->styleSheet().contains(QStringLiteral("#298DFF"));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(StyledMessageBox::show(&parent, QStringLiteral("问题"), StyledMessageBox::Variant::CycleDialog),
             false);
    QCOMPARE(title, QStringLiteral("提示"));
    QVERIFY2(confirmFirst, "确认 must come before 取消");
    QVERIFY(confirmStyled);

    whenBoxShown([](QMessageBox *box) { buttonWithText(box, QStringLiteral("确认"))->click(); });
    QCOMPARE(StyledMessageBox::show(&parent, QStringLiteral("问题"), StyledMessageBox::Variant::MainWindow), true);

    whenBoxShown([](QMessageBox *box) { buttonWithText(box, QStringLiteral("取消"))->click(); });
    QCOMPARE(StyledMessageBox::show(&parent, QStringLiteral("问题"), StyledMessageBox::Variant::MainWindow), false);

    whenBoxShown([](QMessageBox *box) { box->close(); });
    QCOMPARE(StyledMessageBox::show(&parent, QStringLiteral("问题"), StyledMessageBox::Variant::OptionsDialog),
             false);
}

void tst_WindowChrome::messageBoxVariantSizes_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("label");
    using V = StyledMessageBox::Variant;
    QTest::newRow("main window") << int(V::MainWindow) << QStringLiteral("min-width: 600px;min-height: 400px;")
                                 << QStringLiteral("min-height: 80px;");
    QTest::newRow("cycle") << int(V::CycleDialog) << QStringLiteral("min-width: 600px;min-height: 500px;")
                           << QStringLiteral("min-height: 120px;");
    QTest::newRow("parameter pop-ups") << int(V::ParameterPopup)
                                       << QStringLiteral("min-width: 60000px;min-height: 400px;")
                                       << QStringLiteral("min-height: 100px;");
    QTest::newRow("add axis") << int(V::AddAxisDialog) << QStringLiteral("min-width: 60000px;min-height: 400px;")
                              << QStringLiteral("min-height: 80px;");
    QTest::newRow("options") << int(V::OptionsDialog) << QStringLiteral("min-width: 60000px;min-height: 400px;")
                             << QStringLiteral("min-height: 100px;");
}

void tst_WindowChrome::messageBoxVariantSizes()
{
    QFETCH(int, variant);
    QFETCH(QString, box);
    QFETCH(QString, label);
    const QString sheet = StyledMessageBox::styleSheet(20, StyledMessageBox::Variant(variant));
    QVERIFY(sheet.startsWith(QStringLiteral("QMessageBox {background-color: #F2F2F2;font-size: 14px;") + box));
    QVERIFY(sheet.contains(QStringLiteral("min-width: 120px;") + label + QStringLiteral("font-size: 18px;}")));
    QVERIFY(sheet.endsWith(QStringLiteral("{button-layout: 0;}")));
}

void tst_WindowChrome::gripsCoverEdgesAndCorners()
{
    QWidget window;
    window.setGeometry(100, 100, 400, 300);
    MyBorderContainer container(&window, 50, 50, 5);
    const QVector<int> kinds{1, 2, 4, 3, 8, 7, 6, 5};
    const QVector<QRect> rects{QRect(0, 0, 5, 300),   QRect(395, 0, 5, 300), QRect(0, 295, 400, 5),
                               QRect(0, 0, 400, 5),   QRect(394, 294, 6, 6), QRect(394, 0, 6, 6),
                               QRect(0, 294, 6, 6),   QRect(0, 0, 6, 6)};
    const QVector<Qt::CursorShape> cursors{Qt::SizeHorCursor,   Qt::SizeHorCursor,   Qt::SizeVerCursor,
                                           Qt::SizeVerCursor,   Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
                                           Qt::SizeBDiagCursor, Qt::SizeFDiagCursor};
    QCOMPARE(container.borders().size(), 8);
    for (int i = 0; i < 8; ++i) {
        MyBorderContainer::MyBorder *grip = container.borders().at(i);
        QCOMPARE(grip->kind(), kinds.at(i));
        QCOMPARE(grip->geometry(), rects.at(i));
        QCOMPARE(grip->cursor().shape(), cursors.at(i));
        QCOMPARE(grip->parentWidget(), &window);
    }

    // Re-placing follows the window's new size.
    window.resize(640, 480);
    container.updateBorders();
    QCOMPARE(container.borders().at(1)->geometry(), QRect(635, 0, 5, 480));
    QCOMPARE(container.borders().at(4)->geometry(), QRect(634, 474, 6, 6));
}

void tst_WindowChrome::cornersLieAboveEdges()
{
    QWidget window;
    window.resize(400, 300);
    QWidget content(&window); // created before the grips, like a form
    content.setGeometry(0, 0, 400, 300);
    MyBorderContainer container(&window, 50, 50, 5);
    const auto kindAt = [&](int x, int y) {
        auto *grip = dynamic_cast<MyBorderContainer::MyBorder *>(window.childAt(x, y));
        return grip ? grip->kind() : 0;
    };
    QCOMPARE(kindAt(1, 1), int(MyBorderContainer::TopLeft));
    QCOMPARE(kindAt(398, 1), int(MyBorderContainer::TopRight));
    QCOMPARE(kindAt(1, 298), int(MyBorderContainer::BottomLeft));
    QCOMPARE(kindAt(398, 298), int(MyBorderContainer::BottomRight));
    QCOMPARE(kindAt(1, 150), int(MyBorderContainer::Left));
    QCOMPARE(kindAt(200, 1), int(MyBorderContainer::Top));
    QCOMPARE(kindAt(200, 150), 0);
}

void tst_WindowChrome::resizeRules_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<QRect>("expected"); // null: refused
    // Window at (100, 100), 400 x 300, minimum 50 x 50.
    QTest::newRow("left grows") << 1 << -20 << 0 << QRect(80, 100, 420, 300);
    QTest::newRow("left to exactly minimum") << 1 << 350 << 0 << QRect(450, 100, 50, 300);
    QTest::newRow("left below minimum") << 1 << 351 << 0 << QRect();
    QTest::newRow("right") << 2 << 30 << 99 << QRect(100, 100, 430, 300);
    QTest::newRow("right below minimum") << 2 << -351 << 0 << QRect();
    QTest::newRow("top") << 3 << 0 << 40 << QRect(100, 140, 400, 260);
    QTest::newRow("top below minimum") << 3 << 0 << 251 << QRect();
    QTest::newRow("bottom") << 4 << 7 << -40 << QRect(100, 100, 400, 260);
    QTest::newRow("bottom below minimum") << 4 << 0 << -251 << QRect();
    QTest::newRow("top-left") << 5 << 10 << 20 << QRect(110, 120, 390, 280);
    QTest::newRow("top-left width refused") << 5 << 360 << 20 << QRect();
    QTest::newRow("top-left height refused") << 5 << 10 << 260 << QRect();
    QTest::newRow("bottom-left") << 6 << -10 << 20 << QRect(90, 100, 410, 320);
    QTest::newRow("bottom-left refused") << 6 << -10 << -260 << QRect();
    QTest::newRow("top-right") << 7 << 10 << -20 << QRect(100, 80, 410, 320);
    QTest::newRow("top-right refused") << 7 << -360 << -20 << QRect();
    QTest::newRow("bottom-right") << 8 << -100 << -100 << QRect(100, 100, 300, 200);
    QTest::newRow("bottom-right refused") << 8 << -100 << -251 << QRect();
    QTest::newRow("unknown kind") << 9 << 10 << 10 << QRect();
}

void tst_WindowChrome::resizeRules()
{
    QFETCH(int, kind);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(QRect, expected);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 400, 300);
    MyBorderContainer container(&window, 50, 50, 5);
    const QRect before = window.geometry();
    const bool accepted = container.resizeWindow(kind, dx, dy);
    QCOMPARE(accepted, !expected.isNull());
    QCOMPARE(window.geometry(), accepted ? expected : before);
    // Grips follow an accepted change.
    QCOMPARE(container.borders().at(1)->geometry().x(), window.width() - 5);
}

void tst_WindowChrome::windowMinimumIsRespectedWithoutShifting()
{
    QWidget window;
    window.setGeometry(100, 100, 200, 200);
    window.setMinimumSize(150, 150);
    MyBorderContainer container(&window, 50, 50, 5);
    QVERIFY(container.resizeWindow(1, 30, 0)); // left edge in by 30: 170 wide
    QCOMPARE(window.geometry(), QRect(130, 100, 170, 200));
    QVERIFY(!container.resizeWindow(1, 30, 0)); // 140 < 150: refused, right edge stays
    QCOMPARE(window.geometry(), QRect(130, 100, 170, 200));
    QVERIFY(!container.resizeWindow(5, 0, 60)); // top-left: 140 high, refused
    QCOMPARE(window.geometry().bottom(), 299);
}

void tst_WindowChrome::dragResizesAndRefusedMoveRestartsFromThere()
{
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 400, 300);
    MyBorderContainer container(&window, 50, 50, 5);
    QVERIFY(showAndWait(window));
    window.setGeometry(100, 100, 400, 300);
    MyBorderContainer::MyBorder *left = container.borders().at(0);

    QPoint mouse(102, 250);
    sendMouse(left, QEvent::MouseButtonPress, mouse, Qt::LeftButton, Qt::LeftButton);
    mouse += QPoint(20, 0);
    sendMouse(left, QEvent::MouseMove, mouse, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(120, 100, 380, 300));

    // Would leave 30 px: refused as a whole.
    mouse += QPoint(350, 0);
    sendMouse(left, QEvent::MouseMove, mouse, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(120, 100, 380, 300));

    // The next move counts from where the refused one ended.
    mouse += QPoint(-10, 0);
    sendMouse(left, QEvent::MouseMove, mouse, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(110, 100, 390, 300));
    sendMouse(left, QEvent::MouseButtonRelease, mouse, Qt::LeftButton, Qt::NoButton);

    // Corner drag changes both directions.
    MyBorderContainer::MyBorder *bottomRight = container.borders().at(4);
    mouse = window.geometry().bottomRight();
    sendMouse(bottomRight, QEvent::MouseButtonPress, mouse, Qt::LeftButton, Qt::LeftButton);
    mouse += QPoint(15, 25);
    sendMouse(bottomRight, QEvent::MouseMove, mouse, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(110, 100, 405, 325));
    QCOMPARE(bottomRight->geometry(), QRect(405 - 6, 325 - 6, 6, 6));
    sendMouse(bottomRight, QEvent::MouseButtonRelease, mouse, Qt::LeftButton, Qt::NoButton);
}

void tst_WindowChrome::noResizeWhileFullScreenOrAfterRelease()
{
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 400, 300);
    MyBorderContainer container(&window, 50, 50, 5);
    QVERIFY(showAndWait(window));
    MyBorderContainer::MyBorder *right = container.borders().at(1);

    // Released: moving with the button held again does nothing.
    QPoint mouse = window.geometry().topRight() + QPoint(0, 50);
    sendMouse(right, QEvent::MouseButtonPress, mouse, Qt::LeftButton, Qt::LeftButton);
    sendMouse(right, QEvent::MouseButtonRelease, mouse, Qt::LeftButton, Qt::NoButton);
    const QRect released = window.geometry();
    sendMouse(right, QEvent::MouseMove, mouse + QPoint(40, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), released);

    // A right-button press does not start a drag either.
    sendMouse(right, QEvent::MouseButtonPress, mouse, Qt::RightButton, Qt::RightButton);
    sendMouse(right, QEvent::MouseMove, mouse + QPoint(40, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), released);

    window.showFullScreen();
    QTRY_VERIFY(window.isFullScreen());
    const QRect full = window.geometry();
    mouse = window.geometry().topRight() + QPoint(0, 50);
    sendMouse(right, QEvent::MouseButtonPress, mouse, Qt::LeftButton, Qt::LeftButton);
    sendMouse(right, QEvent::MouseMove, mouse + QPoint(-60, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.geometry(), full);
}

void tst_WindowChrome::placeholderIsFixedAndTitled()
{
    PlaceholderWidget placeholder;
    QCOMPARE(placeholder.objectName(), QStringLiteral("PlaceholderWidget"));
    QCOMPARE(placeholder.minimumSize(), QSize(800, 450));
    QCOMPARE(placeholder.maximumSize(), QSize(800, 450));
    QCOMPARE(placeholder.windowTitle(), QStringLiteral("Form"));
    QLabel *ad = placeholder.findChild<QLabel *>(QStringLiteral("label_AD"));
    QLabel *link = placeholder.findChild<QLabel *>(QStringLiteral("label_link"));
    QVERIFY(ad && link);
    QCOMPARE(ad->geometry(), QRect(QPoint(420, 270), QPoint(777, 421)));
    QVERIFY(ad->text().isEmpty());
    QVERIFY(!link->text().isEmpty());
    QVERIFY(placeholder.styleSheet().contains(QStringLiteral("url(:/image/advertising.png)")));
}

void tst_WindowChrome::framelessDialogsMoveByTheirTitleBarOnly()
{
    QWidget dialog;
    dialog.resize(310, 210);
    auto *back = new QWidget(&dialog);
    back->setGeometry(5, 5, 300, 200);
    auto *title = new QWidget(back);
    title->setGeometry(0, 0, 300, 40);
    auto *caption = new QLabel(QStringLiteral("title"), title);
    caption->setGeometry(10, 5, 100, 30);
    FramelessDialog *chrome = FramelessDialog::apply(&dialog, back, title);
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(back->graphicsEffect());
    QVERIFY(shadow != nullptr);
    QCOMPARE(shadow->blurRadius(), 10.0);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // A press on the caption reaches the dialog through its parents.
    const QPoint start = caption->mapToGlobal(QPoint(20, 10));
    sendMouse(caption, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(chrome->isDragging());
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(dialog.pos(), QPoint(130, 140));
    sendMouse(&dialog, QEvent::MouseButtonRelease, start + QPoint(30, 40), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!chrome->isDragging());
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(60, 60), Qt::NoButton, Qt::NoButton);
    QCOMPARE(dialog.pos(), QPoint(130, 140));

    // Below the title bar, or with the right button, nothing moves.
    const QPoint body = back->mapToGlobal(QPoint(150, 120));
    sendMouse(back, QEvent::MouseButtonPress, body, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, body + QPoint(25, 25), Qt::NoButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseButtonRelease, body + QPoint(25, 25), Qt::LeftButton, Qt::NoButton);
    sendMouse(caption, QEvent::MouseButtonPress, caption->mapToGlobal(QPoint(5, 5)), Qt::RightButton, Qt::RightButton);
    QVERIFY(!chrome->isDragging());
    QCOMPARE(dialog.pos(), QPoint(130, 140));
}

QTEST_MAIN(tst_WindowChrome)
#include "tst_WindowChrome.moc"

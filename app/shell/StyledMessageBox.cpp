#include "StyledMessageBox.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace {

struct VariantSizes
{
    const char *boxWidth;
    const char *boxHeight;
    const char *labelHeight;
};

VariantSizes sizesOf(StyledMessageBox::Variant variant)
{
    switch (variant) {
    case StyledMessageBox::Variant::MainWindow: return {"600px", "400px", "80px"};
    case StyledMessageBox::Variant::CycleDialog: return {"600px", "500px", "120px"};
    case StyledMessageBox::Variant::ParameterPopup: return {"60000px", "400px", "100px"};
    case StyledMessageBox::Variant::AddAxisDialog: return {"60000px", "400px", "80px"};
    case StyledMessageBox::Variant::OptionsDialog: return {"60000px", "400px", "100px"};
    }
    return {"600px", "400px", "80px"};
}

const char buttonStyle[] =
    ".QPushButton{color: #FFFFFF;font-size: 16px;border-radius: 3px;border: 2px solid #298DFF;"
    "min-width:70px;min-height: 30px;background-color: rgb(80, 80, 80);}"
    ".QPushButton:hover{background-color: rgb(50, 50, 50);}"
    ".QPushButton:pressed{background-color: rgb(22, 110, 215);}";

} // namespace

int StyledMessageBox::textWidth(const QString &text)
{
    // The label inherits the application font; the box's sheet (below) sets
    // only its size. Measure exactly that.
    QFont font = QApplication::font();
    font.setPixelSize(18);
    const QFontMetrics metrics(font);
    int widest = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

QString StyledMessageBox::styleSheet(int textWidth, Variant variant)
{
    const VariantSizes sizes = sizesOf(variant);
    const QString box = QStringLiteral("QMessageBox {background-color: #F2F2F2;font-size: 14px;min-width: %1;"
                                       "min-height: %2;}QMessageBox QLabel#qt_msgbox_label {color: #000000;")
                            .arg(QLatin1String(sizes.boxWidth), QLatin1String(sizes.boxHeight));
    const QString label = QStringLiteral("background-color: transparent;min-width: %1px;min-height: %2;"
                                         "font-size: 18px;}")
                              .arg(textWidth + 100)
                              .arg(QLatin1String(sizes.labelHeight));
    return box + label
        + QStringLiteral("QMessageBox QLabel#qt_msgboxex_icon_label {width: 20px;height: 20px;}"
                         "QMessageBox QDialogButtonBox#qt_msgbox_buttonbox {button-layout: 0;}");
}

bool StyledMessageBox::show(QWidget *parent, const QString &text, Variant variant)
{
    // On the heap and watched: if the parent goes away while the box is
    // open, it takes the box with it, and nothing here may touch it again.
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation));
    box->setWindowTitle(QObject::tr("提示"));
    box->setText(text);

    QPushButton *confirm = box->addButton(QObject::tr("确认"), QMessageBox::AcceptRole);
    QPushButton *cancel = box->addButton(QObject::tr("取消"), QMessageBox::RejectRole);
    confirm->setStyleSheet(QLatin1String(buttonStyle));
    cancel->setStyleSheet(QLatin1String(buttonStyle));
    // The only reject-role button: Escape and the close button end up here.
    box->setEscapeButton(cancel);

    box->setStyleSheet(styleSheet(textWidth(text), variant));
    box->exec();
    if (box.isNull())
        return false;
    const bool confirmed = box->clickedButton() == confirm;
    delete box;
    return confirmed;
}

#include "Gallery.h"

#include "AddControlsWidget.h"
#include "CycleOperationWidget.h"
#include "DeviceParamWidget.h"
#include "DriveParamWidget.h"
#include "JogParamWidget.h"
#include "MoveParamWidget.h"
#include "StageCatalogue.h"
#include "TDoubleSpinBox.h"
#include "VelmoControlWidget.h"
#include "ConnectionWidget.h"
#include "OptionsWidget.h"
#include "VelmoWidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString tr(const char *context, const char *text)
{
    return QCoreApplication::translate(context, text);
}

QPushButton *button(QWidget *parent, const char *name, QSize size, const QString &text = QString())
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setFixedSize(size);
    return b;
}

QLabel *label(QWidget *parent, const QString &text, const char *name = nullptr)
{
    auto *l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QLatin1String(name));
    return l;
}

// Two axis buttons in the main window's menu bar, as connecting to a
// controller with two identified stages leaves it, and joystick mode on.
void sampleMenuBar(VelmoWidget *window)
{
    auto *bar = window->findChild<QWidget *>(QStringLiteral("widget_menuBar"));
    auto *row = qobject_cast<QHBoxLayout *>(bar->layout());
    for (int axis = 1; axis <= 2; ++axis) {
        auto *b = new QPushButton(QStringLiteral("Axis%1").arg(axis), bar);
        b->setObjectName(b->text());
        b->setFixedSize(120, 60);
        b->setCheckable(true);
        b->setStyleSheet(VelmoWidget::axisButtonStyleSheet());
        row->insertWidget(axis, b);
    }
    auto *rocker = window->findChild<QRadioButton *>(QStringLiteral("radioButton_Rocker"));
    rocker->setEnabled(true);
    rocker->setChecked(true);
    rocker->show();
}

// The program's axis panel, fed the states and log entries a running axis
// produces. It is not connected to the device service, so nothing the
// service says reaches it; what it shows comes from here.
QWidget *axisPanel(QWidget *parent, const VelmoDevParam &model, Gallery::Overlay overlay)
{
    auto *panel = new VelmoControlWidget(parent);
    panel->configure(model.name, 0, model);
    panel->logInitialized();

    panel->slot_showOperationMsg(0, 3, 2, tr("SerialComDev", "设置参数，目标位置：%1").arg(12.5));
    panel->slot_showOperationMsg(0, 3, 1, QStringLiteral("Move"));
    MotorStageState state{};
    state.isEnable = 1;
    state.isHome = 1;
    state.currentJog = 3;
    panel->slot_updateDevState(0, state); // running: a jog at its third step
    state.isRightLimit = 1;
    panel->slot_updateDevState(0, state);
    panel->slot_updateCurrentPos(0, 12.5);

    if (overlay == Gallery::Overlay::Cycle) {
        panel->cycleOperationWidget()->loadParams(40, 10, 5, 3, 200);
        panel->cycleOperationWidget()->show();
    } else if (overlay == Gallery::Overlay::DeviceParam) {
        panel->deviceParamWidget()->setOutputEnabled(true);
        panel->deviceParamWidget()->show();
    }
    return panel;
}

// The axis panel's buttons in every state: the style sheet gives normal,
// checked and disabled; hover and pressed are shown by their images.
QWidget *stateGrid(QWidget *parent)
{
    // The style sheet's button rules apply inside an axis panel only: the
    // samples sit on a panel whose own contents are hidden.
    auto *panel = new VelmoControlWidget(parent);
    for (QWidget *own : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        own->hide();
    auto *host = new QWidget(panel);
    host->setGeometry(panel->rect());
    auto *grid = new QGridLayout(host);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    const char *states[] = {"normal", "hover", "pressed", "checked", "unabled"};
    for (int c = 0; c < 5; ++c) {
        auto *head = label(host, QLatin1String(states[c]));
        head->setStyleSheet(QStringLiteral("color: rgb(190, 193, 200); font-size: 13px;"));
        grid->addWidget(head, 0, c + 1, Qt::AlignHCenter);
    }
    struct Sample
    {
        const char *objectName;
        const char *image;
        QSize size;
    };
    const Sample samples[] = {{"pushButton_move", "move", {100, 44}},
                              {"pushButton_jogLeft", "left", {64, 44}},
                              {"pushButton_home", "home", {100, 44}},
                              {"pushButton_stop", "stop", {100, 44}},
                              {"pushButton_enable", "enabled", {100, 44}},
                              {"pushButton_moveParam", "downArrow", {28, 44}}};
    int row = 1;
    for (const Sample &s : samples) {
        auto *name = label(host, QLatin1String(s.image));
        name->setStyleSheet(QStringLiteral("color: rgb(190, 193, 200); font-size: 13px;"));
        grid->addWidget(name, row, 0);
        for (int c = 0; c < 5; ++c) {
            auto *b = button(host, s.objectName, s.size);
            b->setCheckable(true);
            const QString state = QLatin1String(states[c]);
            if (state == QLatin1String("hover") || state == QLatin1String("pressed")) {
                QString file = QLatin1String(s.image) + QLatin1Char('_') + state;
                if (file == QLatin1String("stop_hover"))
                    file = QStringLiteral("stop_Hover");
                b->setStyleSheet(QStringLiteral("QPushButton{border-image: url(:/image/%1.png);}").arg(file));
            } else if (state == QLatin1String("checked")) {
                b->setChecked(true);
            } else if (state == QLatin1String("unabled")) {
                b->setEnabled(false);
            }
            grid->addWidget(b, row, c + 1, Qt::AlignHCenter);
        }
        ++row;
    }
    return panel;
}

// The add-axis dialog, embedded, with the catalogue beside the program and
// two free axes; a disabled button of the options dialog next to it.
QWidget *dialogCard(QWidget *parent)
{
    auto *host = new QWidget(parent);
    auto *row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    auto *dialog = new AddControlsWidget(host);
    dialog->setWindowFlags(Qt::Widget);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAxisList({QStringLiteral("Axis2"), QStringLiteral("Axis3")});
    dialog->loadModelsData();
    dialog->findChild<QComboBox *>(QStringLiteral("comboBox_models"))->setCurrentText(QStringLiteral("VLS-50"));
    row->addWidget(dialog, 0, Qt::AlignTop);
    auto *disabled = new QPushButton(tr("OptionsWidget", "写入参数"), dialog);
    disabled->setEnabled(false);
    disabled->setGeometry(60, 237, 130, 34);
    return host;
}

// The three parameter pop-ups, as windows of their own in the program,
// embedded here side by side.
QWidget *parameterPopups(QWidget *parent, const VelmoDevParam &model)
{
    auto *host = new QWidget(parent);
    auto *row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    auto embed = [&](QWidget *popup) {
        popup->setWindowFlags(Qt::Widget);
        row->addWidget(popup, 0, Qt::AlignTop);
        return popup;
    };
    auto *move = new MoveParamWidget(host);
    auto *jog = new JogParamWidget(host);
    auto *drive = new DriveParamWidget(host);
    move->setUnit(model.unitString);
    jog->setUnit(model.unitString);
    drive->setUnit(model.unitString);
    embed(move);
    embed(jog);
    embed(drive);
    // Sample values, as loaded from an axis.
    const auto set = [](QWidget *popup, const char *field, double value) {
        if (auto *box = popup->findChild<QAbstractSpinBox *>(QLatin1String(field))) {
            if (auto *real = qobject_cast<QDoubleSpinBox *>(box))
                real->setValue(value);
            else if (auto *whole = qobject_cast<QSpinBox *>(box))
                whole->setValue(int(value));
        }
    };
    set(move, "doubleSpinBox_disp", 12.5);
    set(move, "doubleSpinBox_speed", 10);
    set(move, "doubleSpinBox_acc", 40);
    set(jog, "doubleSpinBox_step", 0.5);
    set(jog, "spinBox_count", 5);
    set(jog, "spinBox_delay", 100);
    set(drive, "doubleSpinBox_disp", 5);
    set(drive, "doubleSpinBox_speed", 10);
    set(drive, "doubleSpinBox_acc", 40);
    row->addStretch();
    return host;
}

QWidget *inputs(QWidget *parent)
{
    auto *host = new QWidget(parent);
    auto *grid = new QGridLayout(host);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    auto *a = new TDoubleSpinBox(host);
    a->setDecimals(3);
    a->setRange(0, 100000);
    a->setValue(100);
    auto *b = new TDoubleSpinBox(host);
    b->setDecimals(3);
    b->setRange(0, 100000);
    b->setValue(0.125);
    auto *c = new QSpinBox(host);
    c->setRange(20, 100000);
    c->setValue(500);
    c->setSuffix(QStringLiteral(" ms"));
    auto *d = new TDoubleSpinBox(host);
    d->setValue(2.5);
    d->setEnabled(false);
    grid->addWidget(a, 0, 0);
    grid->addWidget(b, 0, 1);
    grid->addWidget(c, 0, 2);
    grid->addWidget(d, 0, 3);

    auto *input = new QCheckBox(QCoreApplication::translate("DeviceParamWidget", "输入有效"), host);
    auto *output = new QCheckBox(QCoreApplication::translate("DeviceParamWidget", "输出有效"), host);
    output->setChecked(true);
    auto *off = new QCheckBox(QCoreApplication::translate("OptionsWidget", "触发输入"), host);
    off->setEnabled(false);
    auto *lamps = new QWidget(host);
    auto *lampRow = new QHBoxLayout(lamps);
    lampRow->setContentsMargins(0, 0, 0, 0);
    for (const char *pot : {"grayPot", "greenPot", "redPot", "yellowPot"}) {
        auto *lamp = new QLabel(lamps);
        lamp->setFixedSize(20, 20);
        lamp->setStyleSheet(QStringLiteral("border-image: url(:/image/%1.png);").arg(QLatin1String(pot)));
        lampRow->addWidget(lamp);
    }
    grid->addWidget(input, 1, 0);
    grid->addWidget(output, 1, 1);
    grid->addWidget(off, 1, 2);
    grid->addWidget(lamps, 1, 3);
    return host;
}

} // namespace

QWidget *Gallery::build(bool english, Overlay overlay)
{
    StageCatalogue catalogue;
    catalogue.loadFile(StageCatalogue::defaultPath());
    const auto model = catalogue.findModel(QStringLiteral("VLS-50"), StageCatalogue::Linear);
    VelmoDevParam param = model.value_or(VelmoDevParam());
    if (!model)
        param.unitString = QStringLiteral("mm");

    // The program's main window, not connected: its own bars, the samples
    // in its panel area.
    auto *window = new VelmoWidget;
    window->setWindowTitle(QStringLiteral("velmo gallery"));
    window->resize(1650, 1010);
    sampleMenuBar(window);
    // The gallery's language, not the one the program last stored: the
    // window's connect images follow its options dialog.
    window->optionsWidget()->setLanguage(english ? 1 : 0);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(window, &change);

    auto *body = window->findChild<QWidget *>(QStringLiteral("widget_controls"));
    auto *bodyGrid = new QGridLayout(body);
    bodyGrid->setContentsMargins(12, 12, 12, 12);
    bodyGrid->setSpacing(12);
    bodyGrid->addWidget(axisPanel(body, param, overlay), 0, 0, Qt::AlignTop);
    bodyGrid->addWidget(stateGrid(body), 0, 1, Qt::AlignTop);
    auto *lower = new QHBoxLayout;
    lower->setSpacing(16);
    lower->addWidget(dialogCard(body), 0, Qt::AlignTop);
    lower->addWidget(parameterPopups(body, param), 0, Qt::AlignTop);
    bodyGrid->addLayout(lower, 1, 0, 1, 2, Qt::AlignTop | Qt::AlignLeft);
    bodyGrid->addWidget(inputs(body), 2, 0, 1, 2, Qt::AlignTop | Qt::AlignLeft);
    if (overlay == Overlay::Connection) {
        ConnectionWidget *dialog = window->connectionWidget();
        auto *list = dialog->findChild<QComboBox *>(QStringLiteral("comboBox_comList"));
        list->addItem(QStringLiteral("VM-0001"), 14);
        list->addItem(QStringLiteral("VM-0002"), 2);
        dialog->move(560, 300);
        dialog->show();
    }
    return window;
}

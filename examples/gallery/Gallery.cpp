#include "Gallery.h"

#include "MyBorderContainer.h"
#include "StageCatalogue.h"
#include "TDoubleSpinBox.h"
#include "standins/AddControlsWidget.h"
#include "standins/MoveParamWidget.h"
#include "standins/VelmoControlWidget.h"
#include "standins/VelmoWidget.h"

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

QWidget *titleBar(QWidget *window, bool english)
{
    auto *bar = new QWidget(window);
    bar->setObjectName(QStringLiteral("widget_titleBar"));
    bar->setFixedHeight(60);
    auto *row = new QHBoxLayout(bar);
    row->setSpacing(6);
    row->setContentsMargins(16, 0, 12, 0);
    label(bar, QString(), "label_logo")->setFixedSize(70, 20);
    row->addWidget(bar->findChild<QLabel *>(QStringLiteral("label_logo")));
    auto *device = label(bar, QString(), "label_devName");
    device->setFixedSize(284, 20);
    row->addWidget(device);
    row->addStretch();
    button(bar, "pushButton_help", QSize(33, 33))->setToolTip(tr("VelmoWidget", "帮助"));
    button(bar, "pushButton_settings", QSize(33, 33))->setToolTip(tr("VelmoWidget", "软件设置"));
    row->addWidget(bar->findChild<QPushButton *>(QStringLiteral("pushButton_help")));
    row->addWidget(bar->findChild<QPushButton *>(QStringLiteral("pushButton_settings")));
    row->addSpacing(50);
    for (const char *name : {"pushButton_showMin", "pushButton_showMax", "pushButton_close"})
        row->addWidget(button(bar, name, QSize(33, 33)));
    Q_UNUSED(english)
    return bar;
}

QWidget *menuBar(QWidget *window, bool english)
{
    auto *bar = new QWidget(window);
    bar->setObjectName(QStringLiteral("widget_menuBar"));
    bar->setFixedHeight(60);
    auto *row = new QHBoxLayout(bar);
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);
    auto *connect = new QPushButton(bar);
    connect->setObjectName(QStringLiteral("pushButton_connect"));
    connect->setMinimumSize(146, 40);
    connect->setMaximumSize(150, 60);
    connect->setFixedSize(148, 48);
    connect->setToolTip(tr("VelmoWidget", "连接设备"));
    if (english) {
        // What the main window does after a switch to English.
        connect->setStyleSheet(QStringLiteral(
            "VelmoWidget .QPushButton#pushButton_connect{border-image: url(:/image/connect_normal_english.png);}"
            "VelmoWidget .QPushButton#pushButton_connect:hover{border-image: url(:/image/connect_hover_english.png);}"
            "VelmoWidget .QPushButton#pushButton_connect:pressed{border-image: url(:/image/connect_checked_english.png);}"));
    }
    row->addSpacing(12);
    row->addWidget(connect);
    row->addSpacing(12);
    // Axis buttons as the main window creates them.
    const QString axisStyle = QStringLiteral(
        ".QPushButton{border-right:2px solid rgb(66, 66, 66);text-align: center;padding-left:10px;"
        "padding-right:10px;font-size: 20px;color: #FFFFFF;}.QPushButton:hover{background-color: rgb(140, 140, 140);}"
        ".QPushButton:pressed{background-color: rgb(22,110,215);}.QPushButton:!enabled{background-color: rgb(200, 200, 200);}");
    for (int axis = 1; axis <= 2; ++axis) {
        auto *b = new QPushButton(QStringLiteral("Axis%1").arg(axis), bar);
        b->setObjectName(b->text());
        b->setFixedSize(120, 60);
        b->setCheckable(true);
        b->setStyleSheet(axisStyle);
        row->addWidget(b);
    }
    auto *add = new QPushButton(bar);
    add->setObjectName(QStringLiteral("pushButton_addAsix"));
    add->setToolTip(tr("VelmoWidget", "添加运动轴控制窗口"));
    row->addWidget(add);
    row->addStretch();
    auto *rocker = new QRadioButton(tr("VelmoWidget", "使用摇杆"), bar);
    rocker->setObjectName(QStringLiteral("radioButton_Rocker"));
    rocker->setMinimumWidth(130);
    rocker->setChecked(true);
    row->addWidget(rocker);
    return bar;
}

// One axis panel, laid out like the program's 800 x 450 panel.
QWidget *axisPanel(QWidget *parent, const VelmoDevParam &model)
{
    auto *panel = new VelmoControlWidget(parent);
    panel->setFixedSize(800, 450);

    auto *title = new QWidget(panel);
    title->setObjectName(QStringLiteral("widget_title"));
    title->setGeometry(0, 0, 800, 50);
    auto *titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(16, 0, 12, 0);
    titleRow->addWidget(label(title, QStringLiteral("Axis1"), "label_axisName"));
    titleRow->addSpacing(12);
    titleRow->addWidget(label(title, model.name, "label_modelName"));
    titleRow->addStretch();
    button(title, "pushButton_circle", QSize(32, 32))->setToolTip(tr("VelmoControlWidget", "运动轴设置"));
    titleRow->addWidget(title->findChild<QPushButton *>(QStringLiteral("pushButton_circle")));
    titleRow->addWidget(button(title, "pushButton_remove", QSize(32, 32)));

    auto *content = new QWidget(panel);
    content->setObjectName(QStringLiteral("widget_content"));
    content->setGeometry(0, 50, 800, 400);

    auto *log = new QTextBrowser(content);
    log->setObjectName(QStringLiteral("textBrowser_operatioInfo"));
    log->setGeometry(16, 12, 360, 340);
    const auto entry = [](const QString &type, const QString &msg, const QString &state, bool red = false) {
        const QString text = QStringLiteral("10:24:05\n%1 %2 %3").arg(type, msg, state);
        return red ? QStringLiteral("<pre><font color=red>%1</font></pre>").arg(text)
                   : QStringLiteral("<pre><font color=white>%1</font></pre>").arg(text);
    };
    log->append(entry(QString(), QObject::tr("初始化运动轴参数成功"), QString()));
    log->append(entry(QObject::tr("移动"), tr("SerialComDev", "设置参数，目标位置：%1").arg(12.5), QObject::tr("操作成功")));
    log->append(entry(QObject::tr("步进"), tr("SerialComDev", "正方向Jog"), QObject::tr("操作成功")));
    log->append(entry(QObject::tr("当前运行次数"), QStringLiteral("3"), QObject::tr("运行中")));
    log->append(entry(QString(), tr("VelmoControlWidget", "已到达正限位！"), QString(), true));

    auto *position = label(content, QStringLiteral("%1 %2").arg(12.5, 0, 'f', 3).arg(model.unitString),
                           "label_currentPos");
    position->setGeometry(400, 12, 370, 80);
    position->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    const QSize big(100, 44);
    const QSize narrow(28, 44);
    const int rows[] = {120, 190, 260};
    label(content, QStringLiteral("Move"), "label_8")->setGeometry(400, rows[0], 60, 44);
    button(content, "pushButton_move", big)->move(492, rows[0]);
    auto *moveParam = button(content, "pushButton_moveParam", narrow);
    moveParam->move(596, rows[0]);
    moveParam->setCheckable(true);
    button(content, "pushButton_home", big)->move(660, rows[0]);
    label(content, QStringLiteral("Jog"), "label_6")->setGeometry(400, rows[1], 60, 44);
    button(content, "pushButton_jogLeft", QSize(64, 44))->move(460, rows[1]);
    button(content, "pushButton_jogRight", QSize(64, 44))->move(528, rows[1]);
    auto *jogParam = button(content, "pushButton_jogParam", narrow);
    jogParam->move(596, rows[1]);
    jogParam->setCheckable(true);
    jogParam->setChecked(true); // its pop-up is open
    button(content, "pushButton_stop", big)->move(660, rows[1]);
    label(content, QStringLiteral("Drive"), "label_7")->setGeometry(400, rows[2], 60, 44);
    button(content, "pushButton_driveLeft", QSize(64, 44))->move(460, rows[2]);
    button(content, "pushButton_driveRight", QSize(64, 44))->move(528, rows[2]);
    auto *driveParam = button(content, "pushButton_driveParam", narrow);
    driveParam->move(596, rows[2]);
    driveParam->setCheckable(true);
    auto *enable = button(content, "pushButton_enable", big);
    enable->move(660, rows[2]);
    enable->setCheckable(true);
    enable->setChecked(true); // motor enabled

    auto *doingLight = label(content, QString(), "label_doingLight");
    doingLight->setGeometry(400, 340, 20, 20);
    doingLight->setStyleSheet(QStringLiteral(".QLabel#label_doingLight{border-image: url(:/image/greenPot.png);}"));
    label(content, tr("VelmoControlWidget", "运行中"), "label_doing")->setGeometry(428, 336, 120, 28);
    label(content, QString(), "label_originLight")->setGeometry(560, 340, 20, 20);
    label(content, tr("VelmoControlWidget", "已复位"), "label_origin")->setGeometry(588, 336, 160, 28);
    return panel;
}

// The axis panel's buttons in every state: the style sheet gives normal,
// checked and disabled; hover and pressed are shown by their images.
QWidget *stateGrid(QWidget *parent)
{
    auto *host = new VelmoControlWidget(parent);
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
    return host;
}

QWidget *dialogCard(QWidget *parent, const StageCatalogue &catalogue)
{
    auto *dialog = new AddControlsWidget(parent);
    dialog->setFixedSize(560, 250);
    auto *back = new QWidget(dialog);
    back->setObjectName(QStringLiteral("widget_back"));
    back->setGeometry(0, 0, 560, 250);
    auto *title = new QWidget(back);
    title->setObjectName(QStringLiteral("widget_title"));
    title->setGeometry(0, 0, 560, 44);
    label(title, tr("AddControlsWidget", "添加控制器"), "label_title")->setGeometry(16, 0, 300, 44);
    button(title, "pushButton_close", QSize(28, 28))->move(520, 8);

    auto *types = new QWidget(back);
    types->setObjectName(QStringLiteral("widget_types"));
    types->setGeometry(0, 44, 560, 44);
    auto *typeRow = new QHBoxLayout(types);
    typeRow->setContentsMargins(0, 0, 0, 0);
    typeRow->setSpacing(0);
    auto *group = new QButtonGroup(types);
    const char *typeNames[][2] = {{"pushButton_lineControl", "直线位移台"},
                                  {"pushButton_rotationControl", "旋转位移台"},
                                  {"pushButton_angularControl", "角位移台"},
                                  {"pushButton_liftingControl", "升降移台"}};
    for (const auto &t : typeNames) {
        auto *b = new QPushButton(tr("AddControlsWidget", t[1]), types);
        b->setObjectName(QLatin1String(t[0]));
        b->setCheckable(true);
        group->addButton(b);
        typeRow->addWidget(b);
    }
    group->buttons().first()->setChecked(true);

    label(back, tr("AddControlsWidget", "设备型号："), "label_model")->setGeometry(40, 110, 150, 32);
    auto *models = new QComboBox(back);
    models->setObjectName(QStringLiteral("comboBox_models"));
    models->setView(new QListView(models));
    models->addItems(catalogue.lineModels());
    models->setCurrentText(QStringLiteral("VLS-50"));
    models->setGeometry(200, 108, 240, 36);
    label(back, tr("AddControlsWidget", "设备序号："), "label_Axsi")->setGeometry(40, 156, 150, 32);
    auto *axes = new QComboBox(back);
    axes->setObjectName(QStringLiteral("comboBox_Axsi"));
    axes->setView(new QListView(axes));
    axes->addItems({QStringLiteral("Axis2"), QStringLiteral("Axis3")});
    axes->setGeometry(200, 154, 240, 36);
    auto *confirm = new QPushButton(tr("AddControlsWidget", "确定"), back);
    confirm->setObjectName(QStringLiteral("pushButton_confirm"));
    confirm->setGeometry(440, 204, 100, 34);
    auto *disabled = new QPushButton(tr("OptionsWidget", "写入参数"), back);
    disabled->setEnabled(false);
    disabled->setGeometry(300, 204, 130, 34);
    return dialog;
}

QWidget *moveParamPopup(QWidget *parent, const QString &unit)
{
    auto *popup = new MoveParamWidget(parent);
    popup->setFixedSize(300, 155);
    auto *grid = new QGridLayout(popup);
    grid->setContentsMargins(16, 18, 16, 10);
    grid->setVerticalSpacing(4);
    const char *captions[] = {"位置:", "速度:", "加速度:"};
    const double values[] = {12.5, 10, 40};
    const QString units[] = {unit, QStringLiteral("%1/s").arg(unit), QStringLiteral("%1/s²").arg(unit)};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(label(popup, tr("MoveParamWidget", captions[i])), i, 0);
        auto *field = new TDoubleSpinBox(popup);
        field->setDecimals(3);
        field->setRange(-10000000, 10000000);
        field->setValue(values[i]);
        grid->addWidget(field, i, 1);
        grid->addWidget(label(popup, units[i]), i, 2);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(new QPushButton(tr("MoveParamWidget", "还原"), popup));
    buttons->addWidget(new QPushButton(tr("MoveParamWidget", "确认"), popup));
    grid->addLayout(buttons, 3, 0, 1, 3);
    return popup;
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

QWidget *Gallery::build(bool english)
{
    StageCatalogue catalogue;
    catalogue.loadFile(StageCatalogue::defaultPath());
    const auto model = catalogue.findModel(QStringLiteral("VLS-50"), StageCatalogue::Linear);
    VelmoDevParam param = model.value_or(VelmoDevParam());
    if (!model)
        param.unitString = QStringLiteral("mm");

    auto *window = new VelmoWidget;
    window->setObjectName(QStringLiteral("VelmoWidget"));
    window->setWindowTitle(QStringLiteral("velmo gallery"));
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->resize(1580, 960);
    new MyBorderContainer(window, 50, 50, 5);

    auto *column = new QVBoxLayout(window);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 1, 0);
    column->addWidget(titleBar(window, english));
    column->addWidget(menuBar(window, english));

    auto *body = new QWidget(window);
    body->setObjectName(QStringLiteral("widget_controls"));
    auto *bodyGrid = new QGridLayout(body);
    bodyGrid->setContentsMargins(12, 12, 12, 12);
    bodyGrid->setSpacing(12);
    bodyGrid->addWidget(axisPanel(body, param), 0, 0, Qt::AlignTop);
    bodyGrid->addWidget(stateGrid(body), 0, 1, Qt::AlignTop);
    auto *lower = new QHBoxLayout;
    lower->setSpacing(16);
    lower->addWidget(dialogCard(body, catalogue), 0, Qt::AlignTop);
    lower->addWidget(moveParamPopup(body, param.unitString), 0, Qt::AlignTop);
    bodyGrid->addLayout(lower, 1, 0, Qt::AlignTop | Qt::AlignLeft);
    bodyGrid->addWidget(inputs(body), 1, 1, Qt::AlignTop);
    column->addWidget(body, 1);
    return window;
}

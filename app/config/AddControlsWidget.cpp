#include "AddControlsWidget.h"
#include "AppLogCategories.h"
#include "ui_AddControlsWidget.h"

#include "FramelessDialog.h"
#include "SerialComDev.h"
#include "StyledMessageBox.h"
#include "velmoLibrary.h"

#include <QButtonGroup>
#include <QEvent>
#include <QListView>

AddControlsWidget::AddControlsWidget(QWidget *parent) : QWidget(parent), ui(new Ui::AddControlsWidget)
{
    ui->setupUi(this);
    registerVelmoDevParamMetaType();

    FramelessDialog::apply(this, ui->widget_back, ui->widget_title);

    // A plain list view takes the style sheet's item rules.
    ui->comboBox_models->setView(new QListView(ui->comboBox_models));
    ui->comboBox_Axsi->setView(new QListView(ui->comboBox_Axsi));

    m_typeGroup = new QButtonGroup(ui->widget_types);
    m_typeGroup->setExclusive(true);
    m_typeGroup->addButton(ui->pushButton_lineControl, StageCatalogue::Linear);
    m_typeGroup->addButton(ui->pushButton_rotationControl, StageCatalogue::Rotation);
    m_typeGroup->addButton(ui->pushButton_angularControl, StageCatalogue::Angular);
    m_typeGroup->addButton(ui->pushButton_liftingControl, StageCatalogue::Lifting);
}

AddControlsWidget::~AddControlsWidget()
{
    delete ui;
}

void AddControlsWidget::setAxisList(const QStringList &axes)
{
    ui->comboBox_Axsi->clear();
    ui->comboBox_Axsi->addItems(axes);
}

void AddControlsWidget::loadModelsData()
{
    loadModelsFile(StageCatalogue::defaultPath());
}

bool AddControlsWidget::loadModelsFile(const QString &path)
{
    const bool loaded = m_catalogue.loadFile(path);
    updateModelList();
    return loaded;
}

void AddControlsWidget::updateModelList()
{
    ui->comboBox_models->clear();
    ui->comboBox_models->addItems(m_catalogue.modelsOfType(selectedStageType()));
}

int AddControlsWidget::selectedStageType() const
{
    // The buttons carry their type codes as ids in the exclusive group.
    const int type = m_typeGroup->checkedId();
    return type < 0 ? int(StageCatalogue::Linear) : type;
}

void AddControlsWidget::on_pushButton_close_clicked()
{
    close();
}

void AddControlsWidget::on_pushButton_confirm_clicked()
{
    const int stageType = selectedStageType();
    const QString axisText = ui->comboBox_Axsi->currentText();
    const QString modelText = ui->comboBox_models->currentText();
    if (axisText.isEmpty() || modelText.isEmpty())
        return;

    // A name listed under this type whose record belongs to another type
    // (the catalogue names it twice): no record is trusted, nothing written.
    const std::optional<VelmoDevParam> model = m_catalogue.findModel(modelText, stageType);
    if (!model) {
        showMessageBox(tr("型号文件中%1的参数不属于%2，未写入。请检查型号文件。")
                           .arg(modelText, m_typeGroup->button(stageType)->text()));
        return;
    }
    const MotorParams block = motorBlockFromDevParam(*model);
    qCDebug(lcApp).noquote() << "on_pushButton_confirm_clicked" << model->name;

    bool isNumber = false;
    QString number = axisText;
    number.remove(QStringLiteral("Axis"));
    int axis = number.toInt(&isNumber, 10);
    if (!isNumber)
        axis = 0;
    axis -= 1;

    const int result = SerialComDev::instance()->setMotorParams(axis, block);
    if (result < 0) {
        showMessageBox(tr("参数配置错误!请重试。"));
        return;
    }
    emit signal_addControl(modelText, axis, *model, false);
    close();
}

void AddControlsWidget::on_pushButton_lineControl_clicked() { updateModelList(); }
void AddControlsWidget::on_pushButton_rotationControl_clicked() { updateModelList(); }
void AddControlsWidget::on_pushButton_angularControl_clicked() { updateModelList(); }
void AddControlsWidget::on_pushButton_liftingControl_clicked() { updateModelList(); }

void AddControlsWidget::showMessageBox(const QString &text)
{
    StyledMessageBox::show(this, text, StyledMessageBox::Variant::AddAxisDialog);
}

void AddControlsWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

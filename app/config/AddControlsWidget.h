#pragma once

#include "StageCatalogue.h"
#include "VelmoDevParam.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QButtonGroup;

namespace Ui {
class AddControlsWidget;
}

// The add-axis dialog: the user picks a stage type, a model of that type from
// the catalogue and one of the controller's free axes. Confirming programs
// the model into the axis's motor parameter block; only when the controller
// takes it does the dialog ask the main window for the axis panel.
class AddControlsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit AddControlsWidget(QWidget *parent = nullptr);
    ~AddControlsWidget() override;

    // The free axes offered, as "Axis1", "Axis2", … in the given order.
    void setAxisList(const QStringList &axes);
    // Re-reads the catalogue beside the program (kept when the file is
    // missing or broken), then refills the model list.
    void loadModelsData();
    // Reads the catalogue from another file; false when it was not taken.
    bool loadModelsFile(const QString &path);
    // The model list of the checked stage type.
    void updateModelList();

    const StageCatalogue &catalogue() const { return m_catalogue; }
    // The stage type code of the checked type button (0 when none is).
    int selectedStageType() const;

signals:
    void signal_addControl(QString name, int asix, VelmoDevParam param, bool autoDetect);

private slots:
    void on_pushButton_close_clicked();
    void on_pushButton_confirm_clicked();
    void on_pushButton_lineControl_clicked();
    void on_pushButton_rotationControl_clicked();
    void on_pushButton_angularControl_clicked();
    void on_pushButton_liftingControl_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void showMessageBox(const QString &text);

    Ui::AddControlsWidget *ui;
    QButtonGroup *m_typeGroup = nullptr;
    StageCatalogue m_catalogue;
};

#pragma once

#include "LanguageSettings.h"

#include <QString>
#include <QTranslator>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QTimer;
struct MotorParams;

namespace Ui {
class OptionsWidget;
}

// The settings dialog: interface language, the trigger input and output of
// each axis, the motor parameter block of an axis and position compensation.
// It owns the language setting and the translator; building it applies the
// stored language. Reads and the block write run at once through the device
// service; trigger and compensation changes go to the service's thread.
class OptionsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit OptionsWidget(QWidget *parent = nullptr);
    ~OptionsWidget() override;

    // 0 Chinese, 1 English; other values only remembered.
    void setLanguage(int language);
    // False when the value could not be stored.
    bool saveLanguage(int language);
    // Applies the stored language and checks its radio button.
    void loadSettings();
    int currentLanguage() const { return m_currentLanguage; }

    // Shows the trigger and compensation groups of the controller's axes and
    // fills them from the controller.
    void refreshFromDevice();

    QString settingsPath() const { return m_settings.settingsPath(); }

private slots:
    void on_radioButton_cn_toggled(bool checked);
    void on_pushButton_close_clicked();
    void on_pushButton_language_clicked();
    void on_pushButton_trigger_clicked();
    void on_pushButton_motorParam_clicked();
    void on_pushButton_ReadParam_clicked();
    void on_pushButton_WriteParam_clicked();
    void on_checkBox_triggerIn_1_clicked();
    void on_checkBox_triggerOut_1_clicked();
    void on_checkBox_triggerIn_2_clicked();
    void on_checkBox_triggerOut_2_clicked();
    void on_checkBox_triggerIn_3_clicked();
    void on_checkBox_triggerOut_3_clicked();
    void on_doubleSpinBox_Axis1_editingFinished();
    void on_doubleSpinBox_Axis2_editingFinished();
    void on_doubleSpinBox_Axis3_editingFinished();
    void on_pushButton_posConpen_clicked();
    void on_checkBox_posConpen_on1_clicked();
    void on_checkBox_posConpen_close1_clicked();
    void on_checkBox_posConpen_on2_clicked();
    void on_checkBox_posConpen_close2_clicked();
    void on_checkBox_posConpen_on3_clicked();
    void on_checkBox_posConpen_close3_clicked();
    void on_radioButton_en_toggled(bool checked);

private:
    struct AxisWidgets {
        QGroupBox *triggerGroup;
        QCheckBox *triggerIn;
        QCheckBox *triggerOut;
        QDoubleSpinBox *displacement;
        QGroupBox *compensationGroup;
        QCheckBox *compensationOn;
        QCheckBox *compensationOff;
    };
    AxisWidgets axisWidgets(int axis) const;

    void triggerInClicked(int axis);
    void triggerOutClicked(int axis);
    void compensationClicked(int axis, bool enable);
    // Fills block from the edited fields; false, naming the first field that
    // does not parse or fit in message, when it cannot.
    bool editedBlock(MotorParams &block, QString &message) const;
    void showStatus(const QString &text, bool clearLater);
    void showMessageBox(const QString &text);

    Ui::OptionsWidget *ui;
    QButtonGroup *m_pageGroup = nullptr;
    QTimer *m_msgTimer = nullptr;
    QTranslator m_translator;
    bool m_translatorInstalled = false;
    int m_currentLanguage = 0;
    LanguageSettings m_settings;
};

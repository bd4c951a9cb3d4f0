#pragma once

#include "VelmoDevParam.h"
#include "WindowDrag.h"

#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class AddControlsWidget;
class ConnectionWidget;
class DebugWidget;
class Heart;
class HelpWidget;
class MyBorderContainer;
class OptionsWidget;
class PlaceholderWidget;
class QPushButton;
class SerialPortChangeFilter;
class VelmoControlWidget;

namespace Ui {
class VelmoWidget;
}

// The program's main window: a frameless window with a title bar, a menu bar
// of buttons (connect, one button per axis, add axis, joystick mode) and a
// scrollable grid of axis panels, two per row. It owns the dialogs, the
// hot-plug filter and the heartbeat. It reaches the controller only through
// the device service.
class VelmoWidget : public QWidget
{
    Q_OBJECT

public:
    explicit VelmoWidget(QWidget *parent = nullptr);
    ~VelmoWidget() override;

    // Panels in grid order (sorted by axis at every re-layout), shown or not.
    QList<VelmoControlWidget *> controlWidgets() const { return m_controlList; }
    bool isControlShown(VelmoControlWidget *control) const { return m_controlShown.value(control, false); }
    // The axis buttons in the menu bar's order.
    QList<QPushButton *> axisButtons() const;
    // True for the button of an axis that identified its stage by itself.
    bool isAutoDetected(QPushButton *axisButton) const { return m_axisButtons.value(axisButton, false); }
    int maxAxisCount() const { return m_iMaxAxisCount; }
    // "Axis1" … "AxisN" for the controller's axes, less those with a panel
    // (shown or hidden): what the add-axis dialog offers.
    QStringList freeAxisNames() const;
    // The style sheet of the axis buttons of the menu bar.
    static QString axisButtonStyleSheet();
    // The window size the grid asks for with n shown panels.
    static QSize gridWindowSize(int shownPanels);

    AddControlsWidget *addControlsWidget() const { return m_addControlsWidget; }
    OptionsWidget *optionsWidget() const { return m_optionsWidget; }
    ConnectionWidget *connectionWidget() const { return m_connectionWidget; }
    HelpWidget *helpWidget() const { return m_helpWidget; }
    // The developer panel, a window of its own; Ctrl+Shift+D opens it.
    DebugWidget *debugWidget() const { return m_debugWidget.data(); }
    static QKeySequence debugPanelShortcut();
    SerialPortChangeFilter *portChangeFilter() const { return m_portFilter; }
    Heart *heart() const { return m_heart.data(); }

public slots:
    void slot_AsixButtonClicked(bool checked);
    void slot_addControl(QString model, int Asix, VelmoDevParam param, bool autoDetect);
    void slot_addControl(QString model, int Asix, VelmoDevParam param);
    void slot_devConnected();
    void slot_devDisConnected();
    void slot_usbDevPortChanged();
    void slot_controlWidgetClosed(QString name);
    void slot_expandContorl(bool expand);
    void slot_showTipMessage(QString msg);
    void slot_updateControlerState();

private slots:
    void on_pushButton_showMin_clicked();
    void on_pushButton_close_clicked();
    void on_pushButton_help_clicked();
    void on_pushButton_connect_clicked();
    void on_pushButton_addAsix_clicked();
    void on_pushButton_debug_clicked();
    void on_pushButton_settings_clicked();
    void on_pushButton_showMax_clicked();
    void on_radioButton_Rocker_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createHeart();
    void createAxisButton(int axis, bool autoDetect);
    void relayoutAxisButtons();
    void addControlWidget(const QString &model, int axis, const VelmoDevParam &param);
    void relayoutControls();
    // The joystick's speed level from the heartbeat's last record, to every panel.
    void distributeRockerSpeed();
    void centreOverThis(QWidget *dialog) const;
    void applyConnectButtonStyle();

    Ui::VelmoWidget *ui;
    MyBorderContainer *m_border = nullptr;
    PlaceholderWidget *m_placeholder = nullptr;
    AddControlsWidget *m_addControlsWidget = nullptr;
    HelpWidget *m_helpWidget = nullptr;
    OptionsWidget *m_optionsWidget = nullptr;
    ConnectionWidget *m_connectionWidget = nullptr;
    SerialPortChangeFilter *m_portFilter = nullptr;
    QSharedPointer<Heart> m_heart;
    // No parent, so it is a window of its own; this window still ends it,
    // with its heartbeat thread, when it goes.
    QScopedPointer<DebugWidget> m_debugWidget;

    QList<VelmoControlWidget *> m_controlList;
    QMap<VelmoControlWidget *, bool> m_controlShown;
    QMap<QPushButton *, bool> m_axisButtons;
    qint32 m_iMaxAxisCount = 0;

    WindowDrag m_drag; // by the title bar
};

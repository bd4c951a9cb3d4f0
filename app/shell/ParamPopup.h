#pragma once

#include "StyledWidget.h"

#include <QString>

// Base of the three motion parameter pop-ups of an axis panel: a frameless
// window owned by the panel that activates itself when shown and hides as
// soon as it loses activation (a click anywhere else), telling the panel so
// that it can uncheck the pop-up's button.
class ParamPopup : public StyledWidget
{
    Q_OBJECT

public:
    explicit ParamPopup(QWidget *parent = nullptr);

    // Shows text in the styled message box over the pop-up. The box takes
    // the activation while it is open; the pop-up stays open meanwhile so
    // that the values as entered are still there when the box closes.
    void showMessage(const QString &text);
    // Fills the fields from the device service's cache for the axis.
    virtual void loadParams() = 0;

    void setAxis(int axis) { m_axis = axis; }
    int axis() const { return m_axis; }
    // The axis's unit ("mm", "°", ...), shown by the pop-up's unit labels
    // as it is and as "%1/s" and "%1/s²".
    void setUnit(const QString &unit);
    QString unit() const { return m_unit; }

protected:
    bool event(QEvent *event) override;
    // A language change re-applies the form's texts, then the unit labels,
    // which the form's own texts would otherwise reset to "mm".
    void changeEvent(QEvent *event) override;
    // Emits the subclass's own deactivation signal.
    virtual void emitDeactivated() = 0;
    // The form's retranslateUi.
    virtual void retranslate() = 0;
    // Writes unit() into the form's unit labels.
    virtual void applyUnit() = 0;

private:
    bool m_messageOpen = false;
    int m_axis = 0;
    QString m_unit = QStringLiteral("mm");
};

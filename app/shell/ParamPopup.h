#pragma once

#include "StyledWidget.h"

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

protected:
    bool event(QEvent *event) override;
    // Emits the subclass's own deactivation signal.
    virtual void emitDeactivated() = 0;

private:
    bool m_messageOpen = false;
};

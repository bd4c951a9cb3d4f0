#include "ParamPopup.h"

#include "StyledMessageBox.h"

#include <QEvent>
#include <QPointer>

ParamPopup::ParamPopup(QWidget *parent) : StyledWidget(parent, Qt::Window | Qt::FramelessWindowHint) {}

void ParamPopup::showMessage(const QString &text)
{
    QPointer<ParamPopup> self(this);
    m_messageOpen = true;
    StyledMessageBox::show(this, text, StyledMessageBox::Variant::ParameterPopup);
    if (self.isNull())
        return;
    m_messageOpen = false;
    if (isVisible())
        activateWindow();
}

void ParamPopup::setUnit(const QString &unit)
{
    m_unit = unit;
    applyUnit();
}

void ParamPopup::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        applyUnit();
    }
    StyledWidget::changeEvent(event);
}

bool ParamPopup::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        activateWindow();
        break;
    case QEvent::WindowDeactivate:
        if (!m_messageOpen) {
            emitDeactivated();
            close();
        }
        break;
    default:
        break;
    }
    return StyledWidget::event(event);
}

#include "InputCheck.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>

void InputCheck::require(bool ok, const QString &msg)
{
    if (!ok)
        m_text += msg + QLatin1Char('\n');
}

bool InputCheck::readable(const QAbstractSpinBox *field, const QString &fieldLabel)
{
    if (field == nullptr || field->hasAcceptableInput())
        return true;
    m_unreadable.append(field);
    require(false, QCoreApplication::translate("QObject", "输入值无效：%1").arg(fieldName(fieldLabel)));
    return false;
}

QString InputCheck::fieldName(const QString &labelText)
{
    QString name = labelText.trimmed();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
        name.chop(1);
    return name.trimmed();
}

void InputCheck::requireUpTo(const QAbstractSpinBox *field, double value, double limit, const char *message)
{
    if (!wasReadable(field))
        return;
    require(value > 0 && value <= limit, QCoreApplication::translate("QObject", message).arg(number(limit)));
}

QString InputCheck::number(double value)
{
    return QString::number(value, 'g', 6);
}

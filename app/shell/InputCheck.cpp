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
    QString name = fieldLabel.trimmed();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
        name.chop(1);
    require(false, QCoreApplication::translate("QObject", "输入值无效：%1").arg(name));
    return false;
}

QString InputCheck::number(double value)
{
    return QString::number(value, 'g', 6);
}

#include "TDoubleSpinBox.h"

#include <QRegularExpression>

TDoubleSpinBox::TDoubleSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent)
{
}

QString TDoubleSpinBox::textFromValue(double value) const
{
    // Fixed notation with six decimals, then drop the zeros at the end and a
    // decimal point left bare; the zeros of 100 sit before the point and stay.
    static const QRegularExpression trailingZeros(QStringLiteral("(\\.){0,1}0+$"));
    QString text = QStringLiteral("%1").arg(value, 0, 'f', -1);
    const QRegularExpressionMatch match = trailingZeros.match(text);
    if (match.hasMatch())
        text.remove(match.capturedStart(), match.capturedLength());
    return text;
}

double TDoubleSpinBox::valueFromText(const QString &text) const
{
    return QDoubleSpinBox::valueFromText(text);
}

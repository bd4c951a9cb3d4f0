#include "TDoubleSpinBox.h"

#include <QLocale>
#include <QRegularExpression>

TDoubleSpinBox::TDoubleSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent)
{
    // The text is always written with a decimal point, so it must be read
    // back the same way whatever the system's locale: under a locale with a
    // decimal comma, "12.5" would otherwise be read as 125. Group
    // separators are refused, so "7,25" is not taken for 725.
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    setLocale(numbers);
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

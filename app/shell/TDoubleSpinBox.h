#pragma once

#include <QDoubleSpinBox>

// A double spin box that shows its (already rounded) value without trailing
// zeros: 12.5 rather than 12.500, 10 rather than 10.000.
class TDoubleSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit TDoubleSpinBox(QWidget *parent = nullptr);

    QString textFromValue(double value) const override;
    double valueFromText(const QString &text) const override;
};

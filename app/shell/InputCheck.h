#pragma once

#include <QString>

class QAbstractSpinBox;

// Collects the failed checks of one confirmation, one message per line, in
// the order the checks ran; the dialog shows them all at once.
class InputCheck
{
public:
    // Fails with msg when ok is false.
    void require(bool ok, const QString &msg);
    // A field whose text is empty or not a number would otherwise fall back
    // silently to its previous value when it loses focus; it fails with a
    // message naming the field (its label text, without the colon).
    bool readable(const QAbstractSpinBox *field, const QString &fieldLabel);

    bool failed() const { return !m_text.isEmpty(); }
    // The messages, each followed by a line break.
    QString text() const { return m_text; }

    // A number in a message: six significant digits, shortest form.
    static QString number(double value);

private:
    QString m_text;
};

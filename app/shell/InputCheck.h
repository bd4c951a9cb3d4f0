#pragma once

#include <QList>
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
    // 0 < value <= limit, else message (a source text of the "QObject"
    // context whose %1 is the limit). A field already refused as unreadable
    // is not judged again: its value is not what the user sees.
    void requireUpTo(const QAbstractSpinBox *field, double value, double limit, const char *message);
    // True unless readable() refused the field.
    bool wasReadable(const QAbstractSpinBox *field) const { return !m_unreadable.contains(field); }

    bool failed() const { return !m_text.isEmpty(); }
    // The messages, each followed by a line break.
    QString text() const { return m_text; }

    // A field's label text without its colon (ASCII or full-width), to name
    // the field in a message.
    static QString fieldName(const QString &labelText);

    // A number in a message: six significant digits, shortest form.
    static QString number(double value);

private:
    QString m_text;
    QList<const QAbstractSpinBox *> m_unreadable;
};

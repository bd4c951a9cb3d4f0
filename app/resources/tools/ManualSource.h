#pragma once

#include <QMap>
#include <QString>

// The manual's Markdown file: an optional front block of "key: value" lines
// between two "---" lines (title page texts and the contents heading), then
// the Markdown body. "{version}" in a value is replaced by the version the
// generator is given, so the title page follows the program's version.
class ManualSource
{
public:
    // Splits text into front block and body. A text without a front block
    // is all body; a front block that is never closed is an error.
    bool parse(const QString &text, QString *error);
    // Reads the file as UTF-8 and parses it; false with the reason when the
    // file cannot be read or does not parse.
    bool load(const QString &path, QString *error);

    QString body() const { return m_body; }
    // The front block's value for key with {version} replaced; empty when absent.
    QString field(const QString &key) const;
    QMap<QString, QString> fields() const { return m_fields; }
    void setVersion(const QString &version) { m_version = version; }

private:
    QMap<QString, QString> m_fields;
    QString m_body;
    QString m_version;
};

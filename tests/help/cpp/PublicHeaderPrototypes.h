#pragma once

#include <QString>
#include <QVector>

// The exports and records of velmoLibrary.h, read from the header's text
// (comments removed) so that the kit tests follow the header as it changes.
class PublicHeaderPrototypes
{
public:
    struct Parameter {
        QString type; // e.g. "const PosConpenPoint *"
        QString name;
    };
    struct Export {
        QString returnType;
        QString name;
        QVector<Parameter> parameters;
    };
    struct Field {
        QString type;
        QString name;
        int arrayLength = 0; // 0: not an array
    };
    struct Record {
        QString name;
        QVector<Field> fields;
    };

    // Empty lists and a message in errorString() when the file cannot be read.
    explicit PublicHeaderPrototypes(const QString &headerPath);

    const QVector<Export> &exports() const { return m_exports; }
    const QVector<Record> &records() const { return m_records; }
    QString errorString() const { return m_error; }

    // Lines that start a declaration with VELMO_API: a plain count that does
    // not depend on the parser, to catch declarations it misses.
    int declarationLineCount() const { return m_declarationLines; }

    static QString withoutComments(const QString &source);

private:
    void parseExports(const QString &code);
    void parseRecords(const QString &code);

    QVector<Export> m_exports;
    QVector<Record> m_records;
    QString m_error;
    int m_declarationLines = 0;
};

#include "PublicHeaderPrototypes.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// "const char *text" -> type "const char *", name "text".
PublicHeaderPrototypes::Parameter splitDeclarator(const QString &declaration)
{
    static const QRegularExpression lastName(QStringLiteral("^(.*?)\\s*(\\w+)$"));
    const QRegularExpressionMatch match = lastName.match(declaration.simplified());
    PublicHeaderPrototypes::Parameter parameter;
    if (match.hasMatch()) {
        parameter.type = match.captured(1);
        parameter.name = match.captured(2);
    }
    return parameter;
}

} // namespace

PublicHeaderPrototypes::PublicHeaderPrototypes(const QString &headerPath)
{
    QFile file(headerPath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read %1: %2").arg(headerPath, file.errorString());
        return;
    }
    const QString source = QString::fromUtf8(file.readAll());
    const QString code = withoutComments(source);
    static const QRegularExpression declarationLine(QStringLiteral("^VELMO_API\\s"),
                                                    QRegularExpression::MultilineOption);
    m_declarationLines = static_cast<int>(code.count(declarationLine));
    parseExports(code);
    parseRecords(code);
}

QString PublicHeaderPrototypes::withoutComments(const QString &source)
{
    QString code;
    code.reserve(source.size());
    int i = 0;
    const int n = source.size();
    while (i < n) {
        if (source.at(i) == QLatin1Char('"')) { // keep string literals whole
            const int end = source.indexOf(QLatin1Char('"'), i + 1);
            const int stop = end < 0 ? n : end + 1;
            code += source.midRef(i, stop - i);
            i = stop;
        } else if (source.midRef(i, 2) == QLatin1String("/*")) {
            const int end = source.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            code += QLatin1Char(' ');
        } else if (source.midRef(i, 2) == QLatin1String("//")) {
            const int end = source.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end;
        } else {
            code += source.at(i);
            ++i;
        }
    }
    return code;
}

void PublicHeaderPrototypes::parseExports(const QString &code)
{
    static const QRegularExpression prototype(
        QStringLiteral("^VELMO_API\\s+([^;]*?)\\s*VELMO_CALL\\s+(\\w+)\\s*\\(([^)]*)\\)\\s*;"),
        QRegularExpression::MultilineOption);
    auto matches = prototype.globalMatch(code);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        Export entry;
        entry.returnType = match.captured(1).simplified();
        entry.name = match.captured(2);
        const QString list = match.captured(3).simplified();
        if (!list.isEmpty() && list != QLatin1String("void")) {
            const QStringList declarations = list.split(QLatin1Char(','));
            for (const QString &declaration : declarations)
                entry.parameters.append(splitDeclarator(declaration));
        }
        m_exports.append(entry);
    }
}

void PublicHeaderPrototypes::parseRecords(const QString &code)
{
    static const QRegularExpression record(QStringLiteral("typedef\\s+struct\\s+(\\w+)\\s*\\{([^}]*)\\}\\s*(\\w+)\\s*;"));
    static const QRegularExpression arrayField(QStringLiteral("^(.*)\\[(\\d+)\\]$"));
    // VELMO_ALIGN8 after a field's name only pins its natural alignment.
    static const QRegularExpression alignment(QStringLiteral("\\s+VELMO_ALIGN8$"));
    auto matches = record.globalMatch(code);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        Record entry;
        entry.name = match.captured(3);
        const QStringList declarations = match.captured(2).split(QLatin1Char(';'));
        for (const QString &raw : declarations) {
            QString declaration = raw.simplified().remove(alignment);
            if (declaration.isEmpty())
                continue;
            Field field;
            const QRegularExpressionMatch array = arrayField.match(declaration);
            if (array.hasMatch()) {
                field.arrayLength = array.captured(2).toInt();
                declaration = array.captured(1);
            }
            const Parameter split = splitDeclarator(declaration);
            field.type = split.type;
            field.name = split.name;
            entry.fields.append(field);
        }
        m_records.append(entry);
    }
}

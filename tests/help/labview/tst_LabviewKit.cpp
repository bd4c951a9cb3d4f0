// The LabVIEW kit against the header it describes: every export in
// prototypes.csv and in the README with the header's parameters, the two in
// agreement, and the README's cluster tables matching the C layout of the
// records (offsets, sizes, padding) as the compiler computes it.
#include "PublicHeaderPrototypes.h"
#include "RecordLayout.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString compact(QString type)
{
    return type.remove(QLatin1Char(' '));
}

// One line of a CSV file; fields may be quoted, with "" for a quote.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// Bytes that one element of this LabVIEW type occupies; 0 when unknown.
int labviewTypeSize(const QString &type)
{
    static const QHash<QString, int> sizes = {
        {QStringLiteral("U8"), 1},  {QStringLiteral("I8"), 1},  {QStringLiteral("U16"), 2},
        {QStringLiteral("I16"), 2}, {QStringLiteral("U32"), 4}, {QStringLiteral("I32"), 4},
        {QStringLiteral("U64"), 8}, {QStringLiteral("I64"), 8}, {QStringLiteral("DBL"), 8},
    };
    const QRegularExpressionMatch byteCluster =
        QRegularExpression(QStringLiteral("^cluster of (\\d+) U8$")).match(type);
    if (byteCluster.hasMatch())
        return byteCluster.captured(1).toInt();
    return sizes.value(type, 0);
}

} // namespace

class tst_LabviewKit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tablesListOnlyHeaderExports();
    void exportMatchesTheHeader_data();
    void exportMatchesTheHeader();
    void clusterMatchesTheCLayout_data();
    void clusterMatchesTheCLayout();

private:
    struct CsvArgument {
        QString name, cType, labviewType, pass;
    };
    struct ClusterRow {
        QString cField; // empty for padding
        QString labviewType;
        int offset = -1;
        int size = -1;
    };

    PublicHeaderPrototypes m_header{QString::fromUtf8(VELMO_PUBLIC_HEADER)};
    QString m_kitDir = QString::fromUtf8(VELMO_LABVIEW_KIT_DIR);
    QHash<QString, QVector<CsvArgument>> m_csv;       // export -> return value, then parameters
    QHash<QString, QStringList> m_readmeRows;         // export -> prototype cell, LabVIEW cell
    QHash<QString, QVector<ClusterRow>> m_clusters;   // record -> rows in element order
    QHash<QString, int> m_clusterSizes;               // record -> size in the heading
};

void tst_LabviewKit::initTestCase()
{
    QVERIFY2(m_header.errorString().isEmpty(), qPrintable(m_header.errorString()));
    QVERIFY(!m_header.exports().isEmpty());
    QCOMPARE(m_header.exports().size(), m_header.declarationLineCount());

    QFile csv(m_kitDir + QStringLiteral("/prototypes.csv"));
    QVERIFY2(csv.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(csv.fileName()));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("export,argument,name,c_type,labview_type,labview_pass"));
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = csvFields(lines.at(i));
        QVERIFY2(fields.size() == 6, qPrintable(lines.at(i)));
        QVector<CsvArgument> &arguments = m_csv[fields.at(0)];
        // Rows of one export come together, return value first, then in order.
        QVERIFY2(fields.at(1).toInt() == arguments.size(), qPrintable(lines.at(i)));
        arguments.append({fields.at(2), fields.at(3), fields.at(4), fields.at(5)});
    }

    QFile readme(m_kitDir + QStringLiteral("/README.md"));
    QVERIFY2(readme.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(readme.fileName()));
    const QStringList readmeLines = QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'));
    static const QRegularExpression exportRow(QStringLiteral("^\\| `(\\w+)` \\| `([^`]*)` \\| (.*) \\|$"));
    static const QRegularExpression clusterHeading(QStringLiteral("^### Cluster (\\w+) \\((\\d+) bytes\\)$"));
    static const QRegularExpression clusterRow(
        QStringLiteral("^\\| \\d+ \\| [^|]+ \\| (?:`(\\w+)`|—) \\| ([^|]+) \\| (\\d+) \\| (\\d+) \\|$"));
    QString cluster;
    for (const QString &line : readmeLines) {
        const QRegularExpressionMatch row = exportRow.match(line);
        if (row.hasMatch()) {
            QVERIFY2(!m_readmeRows.contains(row.captured(1)), qPrintable(QStringLiteral("twice: ") + line));
            m_readmeRows.insert(row.captured(1), {row.captured(2), row.captured(3)});
        }
        const QRegularExpressionMatch heading = clusterHeading.match(line);
        if (heading.hasMatch()) {
            cluster = heading.captured(1);
            m_clusterSizes.insert(cluster, heading.captured(2).toInt());
        } else if (line.startsWith(QLatin1Char('#'))) {
            cluster.clear();
        }
        const QRegularExpressionMatch element = clusterRow.match(line);
        if (!cluster.isEmpty() && element.hasMatch())
            m_clusters[cluster].append({element.captured(1), element.captured(2).trimmed(),
                                        element.captured(3).toInt(), element.captured(4).toInt()});
    }
}

void tst_LabviewKit::tablesListOnlyHeaderExports()
{
    QSet<QString> names;
    for (const auto &entry : m_header.exports())
        names.insert(entry.name);
    for (auto it = m_csv.cbegin(); it != m_csv.cend(); ++it)
        QVERIFY2(names.contains(it.key()), qPrintable(QStringLiteral("prototypes.csv names %1").arg(it.key())));
    for (auto it = m_readmeRows.cbegin(); it != m_readmeRows.cend(); ++it)
        QVERIFY2(names.contains(it.key()), qPrintable(QStringLiteral("README names %1").arg(it.key())));
}

void tst_LabviewKit::exportMatchesTheHeader_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_header.exports().size(); ++i)
        QTest::newRow(qPrintable(m_header.exports().at(i).name)) << i;
}

void tst_LabviewKit::exportMatchesTheHeader()
{
    QFETCH(int, index);
    const PublicHeaderPrototypes::Export &entry = m_header.exports().at(index);

    // prototypes.csv: the return value and each parameter with its C type.
    QVERIFY2(m_csv.contains(entry.name), "missing in prototypes.csv");
    const QVector<CsvArgument> arguments = m_csv.value(entry.name);
    QCOMPARE(arguments.size(), entry.parameters.size() + 1);
    QCOMPARE(arguments.at(0).name, QStringLiteral("return"));
    QCOMPARE(compact(arguments.at(0).cType), compact(entry.returnType));
    for (int i = 0; i < entry.parameters.size(); ++i) {
        QCOMPARE(arguments.at(i + 1).name, entry.parameters.at(i).name);
        QCOMPARE(compact(arguments.at(i + 1).cType), compact(entry.parameters.at(i).type));
    }
    for (const CsvArgument &argument : arguments)
        QVERIFY2(!argument.labviewType.isEmpty() && !argument.pass.isEmpty(), qPrintable(argument.name));

    // README: the same prototype, and the same LabVIEW settings in the same order.
    QVERIFY2(m_readmeRows.contains(entry.name), "missing in README.md");
    const QStringList row = m_readmeRows.value(entry.name);
    QStringList parameterTexts;
    for (const auto &parameter : entry.parameters)
        parameterTexts << parameter.type + QLatin1Char(' ') + parameter.name;
    const QString prototype = QStringLiteral("%1 %2(%3)").arg(entry.returnType, entry.name,
                                                               parameterTexts.isEmpty() ? QStringLiteral("void")
                                                                                        : parameterTexts.join(QStringLiteral(", ")));
    QCOMPARE(compact(row.at(0)), compact(prototype));
    const QStringList cells = row.at(1).split(QStringLiteral("; "));
    QCOMPARE(cells.size(), entry.parameters.size() + 1);
    QCOMPARE(cells.at(0), QStringLiteral("return: ") + arguments.at(0).labviewType);
    for (int i = 1; i < cells.size(); ++i)
        QCOMPARE(cells.at(i), QStringLiteral("%1: %2, %3").arg(arguments.at(i).name, arguments.at(i).labviewType,
                                                              arguments.at(i).pass));
}

void tst_LabviewKit::clusterMatchesTheCLayout_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_header.records().size(); ++i)
        QTest::newRow(qPrintable(m_header.records().at(i).name)) << i;
}

void tst_LabviewKit::clusterMatchesTheCLayout()
{
    QFETCH(int, index);
    const PublicHeaderPrototypes::Record &record = m_header.records().at(index);

    // The compiler's layout of this record, in field order.
    int recordSize = -1;
    QVector<const VelmoFieldLayout *> compiled;
    for (size_t i = 0; i < velmoRecordLayoutCount; ++i) {
        const VelmoFieldLayout &layout = velmoRecordLayout[i];
        if (record.name != QLatin1String(layout.record))
            continue;
        if (layout.field == nullptr)
            recordSize = static_cast<int>(layout.size);
        else
            compiled.append(&layout);
    }
    QVERIFY2(recordSize > 0, "RecordLayout.c lacks the record");
    QCOMPARE(compiled.size(), record.fields.size());
    for (int i = 0; i < compiled.size(); ++i)
        QCOMPARE(QString::fromLatin1(compiled.at(i)->field), record.fields.at(i).name);

    // The README's cluster: named fields in the header's order at the
    // compiler's offsets, padding filling every gap, nothing after the end.
    QVERIFY2(m_clusters.contains(record.name), "no cluster table in README.md");
    QCOMPARE(m_clusterSizes.value(record.name), recordSize);
    const QVector<ClusterRow> rows = m_clusters.value(record.name);
    int field = 0;
    int next = 0;
    for (const ClusterRow &row : rows) {
        const QString where = QStringLiteral("%1 at %2").arg(row.cField.isEmpty() ? QStringLiteral("padding") : row.cField)
                                  .arg(row.offset);
        QVERIFY2(row.offset == next, qPrintable(where + QStringLiteral(": expected offset %1").arg(next)));
        QVERIFY2(labviewTypeSize(row.labviewType) == row.size,
                 qPrintable(where + QStringLiteral(": %1 is not %2 bytes").arg(row.labviewType).arg(row.size)));
        if (!row.cField.isEmpty()) {
            QVERIFY2(field < compiled.size(), qPrintable(where + QStringLiteral(": more fields than the record")));
            QCOMPARE(row.cField, QString::fromLatin1(compiled.at(field)->field));
            QCOMPARE(row.offset, static_cast<int>(compiled.at(field)->offset));
            QCOMPARE(row.size, static_cast<int>(compiled.at(field)->size));
            ++field;
        }
        next = row.offset + row.size;
    }
    QCOMPARE(field, compiled.size());
    QCOMPARE(next, recordSize);
}

QTEST_GUILESS_MAIN(tst_LabviewKit)
#include "tst_LabviewKit.moc"

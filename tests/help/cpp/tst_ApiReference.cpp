// The API reference made by Doxygen: every export, parameter and record field
// of the public header is in the generated pages, no build path leaks into
// them, and the documentation gate fails the build on anything undocumented.
#include "PublicHeaderPrototypes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class tst_ApiReference : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void headerParsesCompletely();
    void everyExportIsDocumented_data();
    void everyExportIsDocumented();
    void everyRecordFieldIsDocumented_data();
    void everyRecordFieldIsDocumented();
    void pagesCarryNoLocalPaths();
    void gateAcceptsTheHeader();
    void gateRejectsAnUndocumentedEntry_data();
    void gateRejectsAnUndocumentedEntry();

private:
    struct DoxygenRun {
        int exitCode = -1;
        QString output;
    };
    DoxygenRun runDoxygenOn(const QString &headerText);

    QString m_headerPath = QString::fromUtf8(VELMO_PUBLIC_HEADER);
    QString m_referenceDir = QString::fromUtf8(VELMO_API_REFERENCE_DIR);
    QString m_headerText;
    QString m_groupPages; // every group page, where the members are described
    QHash<QString, QString> m_pages; // file name -> HTML
};

void tst_ApiReference::initTestCase()
{
    QFile header(m_headerPath);
    QVERIFY2(header.open(QIODevice::ReadOnly), qPrintable(m_headerPath));
    m_headerText = QString::fromUtf8(header.readAll());

    QVERIFY2(QFile::exists(m_referenceDir + QStringLiteral("/index.html")),
             qPrintable(QStringLiteral("no index.html in %1").arg(m_referenceDir)));
    QDirIterator it(m_referenceDir, {QStringLiteral("*.html")}, QDir::Files);
    while (it.hasNext()) {
        QFile page(it.next());
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        m_pages.insert(it.fileName(), html);
        if (it.fileName().startsWith(QLatin1String("group__")))
            m_groupPages += html;
    }
    QVERIFY(!m_groupPages.isEmpty());
}

void tst_ApiReference::headerParsesCompletely()
{
    const PublicHeaderPrototypes header(m_headerPath);
    QVERIFY2(header.errorString().isEmpty(), qPrintable(header.errorString()));
    QVERIFY(header.declarationLineCount() > 0);
    QCOMPARE(header.exports().size(), header.declarationLineCount());
    QCOMPARE(header.records().size(), 4);
}

void tst_ApiReference::everyExportIsDocumented_data()
{
    QTest::addColumn<QString>("returnType");
    QTest::addColumn<QStringList>("parameters");
    const PublicHeaderPrototypes header(m_headerPath);
    for (const auto &entry : header.exports()) {
        QStringList names;
        for (const auto &parameter : entry.parameters)
            names << parameter.name;
        QTest::newRow(qPrintable(entry.name)) << entry.returnType << names;
    }
}

void tst_ApiReference::everyExportIsDocumented()
{
    QFETCH(QString, returnType);
    QFETCH(QStringList, parameters);
    const QString name = QString::fromLatin1(QTest::currentDataTag());

    // Listed on the header's page.
    QVERIFY2(m_pages.value(QStringLiteral("velmoLibrary_8h.html")).contains(QStringLiteral(">%1</a>").arg(name)),
             "not listed on the header's page");

    // Described in its group with each parameter and the result.
    const QString title = QStringLiteral("<td class=\"memname\">%1 %2 </td>").arg(returnType, name);
    const int start = m_groupPages.indexOf(title);
    QVERIFY2(start >= 0, qPrintable(QStringLiteral("no description of %1 %2").arg(returnType, name)));
    int end = m_groupPages.indexOf(QLatin1String("<h2 class=\"memtitle\">"), start);
    if (end < 0)
        end = m_groupPages.size();
    const QString description = m_groupPages.mid(start, end - start);
    QVERIFY2(description.contains(QLatin1String("<div class=\"memdoc\">\n\n<p>")), "no brief description");
    for (const QString &parameter : parameters)
        QVERIFY2(description.contains(QStringLiteral("<td class=\"paramname\">%1</td>").arg(parameter)),
                 qPrintable(QStringLiteral("parameter %1 undocumented").arg(parameter)));
    if (returnType != QLatin1String("void"))
        QVERIFY2(description.contains(QLatin1String("<dl class=\"section return\">")), "result undocumented");
}

void tst_ApiReference::everyRecordFieldIsDocumented_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("field");
    const PublicHeaderPrototypes header(m_headerPath);
    for (const auto &record : header.records())
        for (const auto &field : record.fields)
            QTest::newRow(qPrintable(record.name + QLatin1String("::") + field.name)) << record.name << field.name;
}

void tst_ApiReference::everyRecordFieldIsDocumented()
{
    QFETCH(QString, record);
    QFETCH(QString, field);
    // Doxygen escapes an underscore in page names as a double underscore.
    const QString pageName = QStringLiteral("struct%1.html").arg(QString(record).replace(QLatin1Char('_'), QLatin1String("__")));
    QVERIFY2(m_pages.contains(pageName), qPrintable(pageName));
    // The field's summary row is followed by a description row with its text.
    const QRegularExpression row(
        QStringLiteral("(<b>|\">)%1(</b>|</a>)( \\[\\d+\\])?</td></tr>\\s*<tr class=\"memdesc:[^\"]*\">"
                       "<td class=\"mdescLeft\">&#160;</td><td class=\"mdescRight\">([^<]*)")
            .arg(field));
    const QRegularExpressionMatch match = row.match(m_pages.value(pageName));
    QVERIFY2(match.hasMatch(), "field not listed with a description");
    QVERIFY2(!match.captured(4).trimmed().isEmpty(), "empty description");
}

void tst_ApiReference::pagesCarryNoLocalPaths()
{
    const QStringList localPaths = {QString::fromUtf8(VELMO_SOURCE_DIR), QString::fromUtf8(VELMO_BINARY_DIR),
                                    QDir::homePath()};
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it)
        for (const QString &path : localPaths)
            if (path.size() > 1) // a home of "/" says nothing
                QVERIFY2(!it.value().contains(path), qPrintable(it.key() + QLatin1String(" names ") + path));
    QVERIFY2(m_pages.value(QStringLiteral("index.html")).contains(QLatin1String("velmoLibrary")), "no project name");
}

tst_ApiReference::DoxygenRun tst_ApiReference::runDoxygenOn(const QString &headerText)
{
    DoxygenRun run;
    QTemporaryDir work;
    if (!work.isValid())
        return run;
    QFile header(work.filePath(QStringLiteral("velmoLibrary.h")));
    if (!header.open(QIODevice::WriteOnly))
        return run;
    header.write(headerText.toUtf8());
    header.close();

    // The build's configuration with only the input and the output moved.
    QFile doxyfile(work.filePath(QStringLiteral("Doxyfile")));
    if (!doxyfile.open(QIODevice::WriteOnly))
        return run;
    const QString settings = QStringLiteral("@INCLUDE = \"%1\"\nINPUT = \"%2\"\nSTRIP_FROM_PATH = \"%3\"\n"
                                            "OUTPUT_DIRECTORY = \"%3/out\"\n")
                                 .arg(QString::fromUtf8(VELMO_API_DOXYFILE), header.fileName(), work.path());
    doxyfile.write(settings.toUtf8());
    doxyfile.close();

    QProcess doxygen;
    doxygen.setWorkingDirectory(work.path());
    doxygen.setProcessChannelMode(QProcess::MergedChannels);
    doxygen.start(QString::fromUtf8(VELMO_DOXYGEN), {doxyfile.fileName()});
    if (!doxygen.waitForFinished(120000))
        return run;
    run.output = QString::fromUtf8(doxygen.readAll());
    run.exitCode = doxygen.exitStatus() == QProcess::NormalExit ? doxygen.exitCode() : -1;
    return run;
}

void tst_ApiReference::gateAcceptsTheHeader()
{
    const DoxygenRun run = runDoxygenOn(m_headerText);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
}

namespace {

// Removes the documentation block that ends right before `declaration`.
QString withoutBlockBefore(const QString &text, const QString &declaration)
{
    const int at = text.indexOf(declaration);
    const int close = text.lastIndexOf(QLatin1String("*/"), at);
    const int open = text.lastIndexOf(QLatin1String("/**"), close);
    if (at < 0 || close < 0 || open < 0 || !text.mid(close + 2, at - close - 2).trimmed().isEmpty())
        return QString();
    return text.left(open) + text.mid(close + 2);
}

// Removes the first line that contains `needle` after `anchor`.
QString withoutLineAfter(const QString &text, const QString &anchor, const QString &needle)
{
    const int at = text.indexOf(needle, text.indexOf(anchor));
    if (text.indexOf(anchor) < 0 || at < 0)
        return QString();
    const int lineStart = text.lastIndexOf(QLatin1Char('\n'), at) + 1;
    const int lineEnd = text.indexOf(QLatin1Char('\n'), at);
    return text.left(lineStart) + text.mid(lineEnd + 1);
}

} // namespace

void tst_ApiReference::gateRejectsAnUndocumentedEntry_data()
{
    QFile header(m_headerPath);
    QVERIFY(header.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(header.readAll());

    QTest::addColumn<QString>("altered");
    QTest::addColumn<QString>("named");
    QTest::newRow("export without comment")
        << withoutBlockBefore(text, QStringLiteral("VELMO_API int VELMO_CALL startMove(")) << QStringLiteral("startMove");
    QTest::newRow("parameter without @param")
        << withoutLineAfter(text, QStringLiteral("@brief Reads the current position."), QStringLiteral("@param[out] status"))
        << QStringLiteral("status");
    QTest::newRow("result without @return")
        << withoutLineAfter(text, QStringLiteral("@brief Reads the number of jog steps."), QStringLiteral("@return"))
        << QStringLiteral("getJogCount");
    const QString fieldComment = QStringLiteral("/**< maximum acceleration */");
    QTest::newRow("record field without comment")
        << (text.contains(fieldComment) ? QString(text).remove(fieldComment) : QString()) << QStringLiteral("maxAcc");
}

void tst_ApiReference::gateRejectsAnUndocumentedEntry()
{
    QFETCH(QString, altered);
    QFETCH(QString, named);
    QVERIFY2(!altered.isEmpty(), "the header no longer has the text this case alters");
    QVERIFY(altered != m_headerText);
    const DoxygenRun run = runDoxygenOn(altered);
    QVERIFY2(run.exitCode > 0, qPrintable(run.output));
    QVERIFY2(run.output.contains(named), qPrintable(run.output));
}

QTEST_GUILESS_MAIN(tst_ApiReference)
#include "tst_ApiReference.moc"

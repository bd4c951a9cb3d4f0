// The built user manual: the PDF at its Chinese file name, readable by
// poppler's tools, with every heading of the Markdown source, the program's
// Chinese labels, contents whose page numbers lead to the chapters, and the
// screenshots the build took.

#include "ManualSource.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Heading
{
    int level;
    QString text;
};

// Output of a poppler tool; fails the test when it does not run.
QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Text as a reader searches it: compatibility forms folded (the PDF maps
// some ideographs to their identical Kangxi radicals), blanks collapsed.
QString searchable(const QString &text)
{
    return text.normalized(QString::NormalizationForm_KC).simplified();
}

QList<Heading> sourceHeadings(const QString &body)
{
    QList<Heading> headings;
    bool inCode = false;
    const QRegularExpression heading(QStringLiteral("^(#{1,2}) (.+)$"));
    for (const QString &line : body.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```")))
            inCode = !inCode;
        const QRegularExpressionMatch match = heading.match(line);
        if (!inCode && match.hasMatch())
            headings.append({int(match.capturedLength(1)), match.captured(2).remove(QLatin1Char('`')).trimmed()});
    }
    return headings;
}

} // namespace

class TestManualPdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_pdf = QString::fromUtf8(VELMO_MANUAL_PDF);
        QVERIFY2(QFileInfo(m_pdf).isFile(), qPrintable(m_pdf + QStringLiteral(" was not built")));
        QString error;
        QVERIFY2(m_source.load(QString::fromUtf8(VELMO_MANUAL_SOURCE), &error), qPrintable(error));
        m_headings = sourceHeadings(m_source.body());
        QVERIFY(m_headings.size() > 15);
        m_pages = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), m_pdf, QStringLiteral("-")})
                      .split(QLatin1Char('\f'));
        QVERIFY(m_pages.size() > 1);
    }

    void hasItsChineseNameAndOpens()
    {
        QCOMPARE(QFileInfo(m_pdf).fileName(), QStringLiteral("台式步进电机驱动控制器用户手册.pdf"));
        const QString info = runTool(QStringLiteral("pdfinfo"), {m_pdf});
        const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"),
                                                                 QRegularExpression::MultilineOption)
                                                  .match(info);
        QVERIFY2(pages.hasMatch(), qPrintable(info));
        int chapters = 0;
        for (const Heading &heading : qAsConst(m_headings))
            chapters += heading.level == 1 ? 1 : 0;
        // Title page, contents, a page or more per chapter; a few per chapter at most.
        const int count = pages.captured(1).toInt();
        QVERIFY2(count >= chapters + 2 && count <= chapters * 6, qPrintable(pages.captured(0)));
        QVERIFY2(info.contains(QLatin1String("(A4)")), qPrintable(info));
        const QRegularExpressionMatch title =
            QRegularExpression(QStringLiteral("^Title:\\s+(.+)$"), QRegularExpression::MultilineOption).match(info);
        QCOMPARE(searchable(title.captured(1)), searchable(m_source.field(QStringLiteral("title"))));
    }

    void textHasEveryHeadingAndTheProgramsLabels()
    {
        const QString text = searchable(m_pages.join(QLatin1Char(' ')));
        QVERIFY(text.contains(searchable(m_source.field(QStringLiteral("title")))));
        for (const Heading &heading : qAsConst(m_headings))
            QVERIFY2(text.contains(searchable(heading.text)), qPrintable(heading.text));
        const QStringList labels{QStringLiteral("连接"),     QStringLiteral("断开"),     QStringLiteral("帮助"),
                                 QStringLiteral("软件设置"), QStringLiteral("使用摇杆"), QStringLiteral("添加控制器"),
                                 QStringLiteral("位置补偿"), QStringLiteral("无访问权限")};
        for (const QString &label : labels)
            QVERIFY2(text.contains(searchable(label)), qPrintable(label));
    }

    void contentsLeadToTheChapters()
    {
        // The contents follow the title page; each chapter's line ends in its page number.
        QStringList contents;
        const QString first = searchable(m_headings.first().text);
        for (int page = 1; page < m_pages.size() && !searchable(m_pages.at(page)).startsWith(first); ++page)
            contents << m_pages.at(page);
        const QStringList contentLines = contents.join(QLatin1Char('\n')).split(QLatin1Char('\n'));
        QVERIFY(!contentLines.isEmpty());
        int checked = 0;
        for (const Heading &heading : qAsConst(m_headings)) {
            if (heading.level != 1)
                continue;
            int page = 0;
            for (const QString &line : contentLines) {
                const QString clean = searchable(line);
                if (clean.startsWith(searchable(heading.text) + QLatin1Char(' ')))
                    page = clean.section(QLatin1Char(' '), -1).toInt();
            }
            QVERIFY2(page > 1 && page <= m_pages.size(), qPrintable(heading.text));
            // pdftotext starts every page with its own text: the heading comes first.
            QVERIFY2(searchable(m_pages.at(page - 1)).startsWith(searchable(heading.text)),
                     qPrintable(QStringLiteral("%1 is not at the top of page %2").arg(heading.text).arg(page)));
            ++checked;
        }
        QCOMPARE(checked, int(std::count_if(m_headings.begin(), m_headings.end(),
                                            [](const Heading &heading) { return heading.level == 1; })));
    }

    void containsTheScreenshots()
    {
        QFile list(QString::fromUtf8(VELMO_MANUAL_SHOTS_LIST));
        QVERIFY2(list.open(QIODevice::ReadOnly), qPrintable(list.fileName()));
        const QStringList shots = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(shots.size() >= 10);
        // Every picture the build takes is placed in the manual.
        for (const QString &shot : shots)
            QVERIFY2(m_source.body().contains(QStringLiteral("](") + shot + QLatin1Char(')')), qPrintable(shot));

        const QString listing = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), m_pdf});
        int images = 0;
        for (const QString &line : listing.split(QLatin1Char('\n'))) {
            const QStringList columns = line.simplified().split(QLatin1Char(' '));
            if (columns.size() > 2 && columns.at(2) == QLatin1String("image"))
                ++images;
        }
        QVERIFY2(images >= shots.size(), qPrintable(listing));
    }

private:
    QString m_pdf;
    ManualSource m_source;
    QList<Heading> m_headings;
    QStringList m_pages;
};

QTEST_GUILESS_MAIN(TestManualPdf)
#include "tst_ManualPdf.moc"

// The English catalogue: its contexts and message counts, placeholders kept
// in every translation, and, through lupdate over the program's sources and
// forms, no translatable text of the code without an entry.

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    bool finished = false;
};

QVector<Message> readTs(const QString &path, QString *error)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            current = Message();
            current.context = context;
        } else if (xml.name() == QLatin1String("source")) {
            current.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QStringRef type = xml.attributes().value(QLatin1String("type"));
            current.finished = type.isEmpty();
            current.translation = xml.readElementText();
            if (type != QLatin1String("vanished") && type != QLatin1String("obsolete"))
                messages << current;
        }
    }
    if (xml.hasError())
        *error = path + QStringLiteral(": ") + xml.errorString();
    return messages;
}

// Texts without Chinese characters ("Form", "mm", "ms", "debug", "Move",
// version numbers) read the same in English and may stay untranslated.
bool needsNoTranslation(const QString &source)
{
    for (const QChar ch : source) {
        if (ch.script() == QChar::Script_Han)
            return false;
    }
    return true;
}

QSet<QString> placeholders(const QString &text)
{
    QSet<QString> found;
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

} // namespace

class tst_TranslationCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contextsAndCounts();
    void translationsKeepPlaceholders();
    void untranslatedOnlyWhereIntended();
    void everyTextOfTheCodeIsInTheCatalogue();

private:
    QVector<Message> m_catalogue;
};

void tst_TranslationCatalogue::initTestCase()
{
    QString error;
    m_catalogue = readTs(QStringLiteral(VELMO_TS_FILE), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_TranslationCatalogue::contextsAndCounts()
{
    const QHash<QString, int> expected{
        {QStringLiteral("OptionsWidget"), 39},      {QStringLiteral("QObject"), 36},
        {QStringLiteral("SerialComDev"), 25},       {QStringLiteral("DebugWidget"), 15},
        {QStringLiteral("HelpWidget"), 13},         {QStringLiteral("VelmoControlWidget"), 12},
        {QStringLiteral("CycleOperationWidget"), 10}, {QStringLiteral("AddControlsWidget"), 10},
        {QStringLiteral("VelmoWidget"), 9},         {QStringLiteral("DeviceParamWidget"), 9},
        {QStringLiteral("JogParamWidget"), 8},      {QStringLiteral("MoveParamWidget"), 7},
        {QStringLiteral("DriveParamWidget"), 6},    {QStringLiteral("ConnectionWidget"), 6},
        {QStringLiteral("PlaceholderWidget"), 1},   {QStringLiteral("MotionChartWindow"), 27}};
    QHash<QString, int> counted;
    QSet<QString> seen;
    for (const Message &m : qAsConst(m_catalogue)) {
        ++counted[m.context];
        const QString key = m.context + QLatin1Char('\x1f') + m.source;
        QVERIFY2(!seen.contains(key), qPrintable(QStringLiteral("twice: ") + m.context + QLatin1Char(' ') + m.source));
        seen.insert(key);
    }
    // Each context holds at least the texts its window is known to show; the
    // catalogue grows with the code (the service's trigger failures, new
    // form texts), but never loses a context or gains a stray one.
    QCOMPARE(QSet<QString>(counted.keyBegin(), counted.keyEnd()),
             QSet<QString>(expected.keyBegin(), expected.keyEnd()));
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
        QVERIFY2(counted.value(it.key()) >= it.value(), qPrintable(it.key()));
    QVERIFY(m_catalogue.size() >= 206);
}

void tst_TranslationCatalogue::translationsKeepPlaceholders()
{
    for (const Message &m : qAsConst(m_catalogue)) {
        if (!m.finished)
            continue;
        QVERIFY2(!m.translation.trimmed().isEmpty(), qPrintable(m.context + QLatin1Char(' ') + m.source));
        // A lost %1 makes arg() drop the number from the English message.
        QVERIFY2(placeholders(m.source) == placeholders(m.translation),
                 qPrintable(m.context + QLatin1Char(' ') + m.source + QStringLiteral(" -> ") + m.translation));
    }
}

void tst_TranslationCatalogue::untranslatedOnlyWhereIntended()
{
    for (const Message &m : qAsConst(m_catalogue)) {
        if (!m.finished)
            QVERIFY2(needsNoTranslation(m.source), qPrintable(m.context + QLatin1Char(' ') + m.source));
    }
}

void tst_TranslationCatalogue::everyTextOfTheCodeIsInTheCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString scanned = dir.filePath(QStringLiteral("scanned.ts"));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(VELMO_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("-extensions"), QStringLiteral("cpp,h,ui"), QStringLiteral(VELMO_APP_DIR),
                   QStringLiteral("-ts"), scanned});
    QVERIFY2(lupdate.waitForFinished(120000), "lupdate did not finish");
    const QByteArray output = lupdate.readAll();
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, output.constData());

    QString error;
    const QVector<Message> found = readTs(scanned, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QHash<QString, Message> catalogue;
    for (const Message &m : qAsConst(m_catalogue))
        catalogue.insert(m.context + QLatin1Char('\x1f') + m.source, m);

    // The scan must see the chrome's own texts, or it proves nothing.
    QSet<QString> keys;
    for (const Message &m : found)
        keys.insert(m.context + QLatin1Char('\x1f') + m.source);
    for (const char *text : {"提示", "确认", "取消"})
        QVERIFY2(keys.contains(QStringLiteral("QObject\x1f") + QString::fromUtf8(text)), text);
    QVERIFY(keys.contains(QStringLiteral("PlaceholderWidget\x1f" "Form")));

    QStringList missing;
    for (const Message &m : found) {
        const auto it = catalogue.constFind(m.context + QLatin1Char('\x1f') + m.source);
        if (it == catalogue.constEnd())
            missing << m.context + QStringLiteral(": \"") + m.source + QStringLiteral("\" is not in the catalogue");
        else if (!it->finished && !needsNoTranslation(m.source))
            missing << m.context + QStringLiteral(": \"") + m.source + QStringLiteral("\" has no translation");
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_TranslationCatalogue)
#include "tst_TranslationCatalogue.moc"

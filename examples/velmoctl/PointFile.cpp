#include "PointFile.h"

#include "CommandError.h"
#include "TravelCheck.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace {

const QStringList kColumns{QStringLiteral("axis"), QStringLiteral("position"), QStringLiteral("speed"),
                           QStringLiteral("dwell")};
constexpr int kLargestAxis = 65535; // sent as 16 bits, as for --axis
constexpr int kProblemsShown = 5;

void addProblem(QStringList *problems, const QString &problem)
{
    if (problems->size() < PointFile::kMaxProblems)
        problems->append(problem);
}

// Whether to stop reading before the line or entry `where`: a file of broken
// lines would otherwise list millions.
bool tooManyProblems(QStringList *problems, const QString &where)
{
    if (problems->size() < PointFile::kMaxProblems)
        return false;
    problems->append(QStringLiteral("%1: too many problems, the rest was not read").arg(where));
    return true;
}

// Checks one value by its column name and stores it in *point. `present` is
// false for an empty CSV cell or a JSON null. Returns the problem, or empty.
QString setField(const QString &name, bool present, double value, MotionPoint *point)
{
    if (!present) {
        if (name == QLatin1String("axis") || name == QLatin1String("position"))
            return QStringLiteral("%1 is missing").arg(name);
        return QString(); // speed and dwell may be left out
    }
    if (!std::isfinite(value))
        return QStringLiteral("%1 is not a finite number").arg(name);
    if (name == QLatin1String("axis")) {
        if (value != std::floor(value) || value < 0 || value > kLargestAxis)
            return QStringLiteral("axis must be a whole number from 0 to %1 (axes are numbered from 0), got %2")
                .arg(kLargestAxis)
                .arg(value);
        point->axis = int(value);
    } else if (name == QLatin1String("position")) {
        if (!TravelCheck::isPlausiblePosition(value))
            return QStringLiteral("position %1 is beyond %2").arg(value).arg(TravelCheck::kLargestPosition, 0, 'f', 0);
        point->position = value;
    } else if (name == QLatin1String("speed")) {
        if (value <= 0)
            return QStringLiteral("speed must be greater than 0, got %1").arg(value);
        point->speed = value;
    } else {
        if (value < 0 || value > PointFile::kMaxDwellMs)
            return QStringLiteral("dwell must be from 0 to %1 ms, got %2").arg(PointFile::kMaxDwellMs).arg(value);
        point->dwellMs = int(std::lround(value));
    }
    return QString();
}

QVector<MotionPoint> parseCsv(const QByteArray &text, QStringList *problems)
{
    QVector<MotionPoint> points;
    QStringList header;
    // Line by line in place: a list of all lines costs far more than the text.
    int begin = 0;
    for (int index = 0; begin <= text.size(); ++index) {
        int end = text.indexOf('\n', begin);
        if (end < 0)
            end = text.size();
        QString line = QString::fromUtf8(text.constData() + begin, end - begin).trimmed();
        begin = end + 1;
        const QString lineName = QStringLiteral("line %1").arg(index + 1);
        if (index == 0 && line.startsWith(QChar(0xFEFF))) // byte order mark
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;

        QStringList cells = line.split(QLatin1Char(','));
        for (QString &cell : cells)
            cell = cell.trimmed();

        if (header.isEmpty()) {
            header = cells;
            for (int column = 0; column < header.size(); ++column) {
                const QString &name = header.at(column);
                if (!kColumns.contains(name))
                    addProblem(problems, QStringLiteral("%1: unknown column \"%2\" (columns: %3)")
                                             .arg(lineName, name, kColumns.join(QStringLiteral(","))));
                else if (header.indexOf(name) != column)
                    addProblem(problems, QStringLiteral("%1: column \"%2\" given twice").arg(lineName, name));
            }
            for (const char *required : {"axis", "position"}) {
                if (!header.contains(QLatin1String(required)))
                    addProblem(problems, QStringLiteral("%1: missing column \"%2\" (the header must name axis and position)")
                                             .arg(lineName, QLatin1String(required)));
            }
            if (!problems->isEmpty())
                return {};
            continue;
        }

        if (tooManyProblems(problems, lineName))
            return {};
        if (points.size() == PointFile::kMaxPoints) {
            problems->append(QStringLiteral("%1: more than %2 points").arg(lineName).arg(PointFile::kMaxPoints));
            return {};
        }
        if (cells.size() != header.size()) {
            addProblem(problems, QStringLiteral("%1: %2 values, the header names %3 columns")
                                     .arg(lineName)
                                     .arg(cells.size())
                                     .arg(header.size()));
            continue;
        }
        MotionPoint point;
        point.source = lineName;
        for (int column = 0; column < header.size(); ++column) {
            const QString &cell = cells.at(column);
            bool ok = true;
            const double value = cell.isEmpty() ? 0.0 : cell.toDouble(&ok);
            const QString problem = ok ? setField(header.at(column), !cell.isEmpty(), value, &point)
                                       : QStringLiteral("%1: '%2' is not a number").arg(header.at(column), cell);
            if (!problem.isEmpty())
                addProblem(problems, QStringLiteral("%1: %2").arg(lineName, problem));
        }
        points.append(point);
    }
    if (header.isEmpty())
        problems->append(QStringLiteral("no header line (axis,position,speed,dwell)"));
    return points;
}

// Line of a byte offset, for JSON syntax errors.
int lineAt(const QByteArray &text, int offset)
{
    return int(text.left(offset).count('\n')) + 1;
}

QVector<MotionPoint> parseJson(const QByteArray &text, QStringList *problems)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        problems->append(QStringLiteral("invalid JSON at line %1: %2").arg(lineAt(text, error.offset)).arg(error.errorString()));
        return {};
    }
    if (!document.isArray()) {
        problems->append(QStringLiteral("expected a JSON array of points like [{\"axis\": 0, \"position\": 1.5}]"));
        return {};
    }

    QVector<MotionPoint> points;
    const QJsonArray entries = document.array();
    if (entries.size() > PointFile::kMaxPoints) {
        problems->append(QStringLiteral("%1 entries, more than %2 points").arg(entries.size()).arg(PointFile::kMaxPoints));
        return {};
    }
    for (int index = 0; index < entries.size(); ++index) {
        const QString entryName = QStringLiteral("entry %1").arg(index + 1);
        if (tooManyProblems(problems, entryName))
            return {};
        if (!entries.at(index).isObject()) {
            addProblem(problems, QStringLiteral("%1: expected an object with axis and position").arg(entryName));
            continue;
        }
        const QJsonObject object = entries.at(index).toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (!kColumns.contains(it.key()))
                addProblem(problems, QStringLiteral("%1: unknown key \"%2\" (keys: %3)")
                                         .arg(entryName, it.key(), kColumns.join(QStringLiteral(", "))));
        }
        MotionPoint point;
        point.source = entryName;
        for (const QString &name : kColumns) {
            const QJsonValue value = object.value(name);
            const bool present = !value.isUndefined() && !value.isNull();
            QString problem;
            if (present && !value.isDouble())
                problem = QStringLiteral("%1 must be a number").arg(name);
            else
                problem = setField(name, present, value.toDouble(), &point);
            if (!problem.isEmpty())
                addProblem(problems, QStringLiteral("%1: %2").arg(entryName, problem));
        }
        points.append(point);
    }
    return points;
}

} // namespace

PointFile::Format PointFile::detect(const QString &fileName, const QByteArray &text)
{
    if (fileName.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        return Format::Json;
    if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return Format::Csv;
    const QByteArray start = text.trimmed();
    return start.startsWith('[') || start.startsWith('{') ? Format::Json : Format::Csv;
}

QVector<MotionPoint> PointFile::parse(const QByteArray &text, Format format, QStringList *problems)
{
    problems->clear();
    QVector<MotionPoint> points = format == Format::Json ? parseJson(text, problems) : parseCsv(text, problems);
    if (problems->isEmpty() && points.isEmpty())
        problems->append(QStringLiteral("no points"));
    if (!problems->isEmpty())
        points.clear();
    return points;
}

QVector<MotionPoint> PointFile::load(const QString &fileName)
{
    const bool fromStdin = fileName == QLatin1String("-");
    const QString name = fromStdin ? QStringLiteral("standard input") : fileName;
    QFile file;
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly)
                                  : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw CommandError::usage(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
    const QByteArray text = file.readAll();

    QStringList problems;
    const QVector<MotionPoint> points = parse(text, detect(fromStdin ? QString() : fileName, text), &problems);
    if (!problems.isEmpty()) {
        QStringList shown = problems.mid(0, kProblemsShown);
        if (problems.size() > kProblemsShown)
            shown.append(QStringLiteral("%1 more problems").arg(problems.size() - kProblemsShown));
        throw CommandError::usage(QStringLiteral("%1: %2").arg(name, shown.join(QStringLiteral("; "))));
    }
    return points;
}

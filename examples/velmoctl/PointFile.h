#pragma once
// Point files of "velmoctl run": CSV with the header axis,position,speed,dwell
// (speed and dwell columns optional, empty cells allowed; # comments and blank
// lines skipped) or JSON (an array of objects with the same keys). No device
// I/O, so it is unit-tested on its own.

#include "MotionPoint.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

class PointFile
{
public:
    enum class Format { Csv, Json };

    // The longest dwell accepted, one day in milliseconds.
    static constexpr int kMaxDwellMs = 86400000;
    // A file is held whole while it is checked: more points than a scan's
    // pass are taken for a mistake, and the listing of problems stops here.
    static constexpr int kMaxPoints = 1000000;
    static constexpr int kMaxProblems = 100;

    // JSON for a name ending in .json, CSV for .csv; otherwise JSON when the
    // text starts with '[' or '{' (after blanks), else CSV.
    static Format detect(const QString &fileName, const QByteArray &text);

    // Parses the whole text. Returns the points and leaves *problems empty,
    // or returns nothing and lists every problem found, each naming its line
    // (CSV) or entry (JSON, counted from 1).
    static QVector<MotionPoint> parse(const QByteArray &text, Format format, QStringList *problems);

    // Reads `fileName` ("-" = standard input) and parses it. Throws
    // CommandError (usage) naming the file when it cannot be read, is broken
    // or holds no points.
    static QVector<MotionPoint> load(const QString &fileName);
};

#pragma once
// The motor parameter block of one axis as JSON: field names exactly as in
// MotorParams, texts as strings, everything else as numbers. No device I/O,
// so it is unit-tested on its own.

#include "velmoLibrary.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class MotorParamsJson
{
public:
    // The block's fields in record (and wire) order; step k of
    // setMotorParams / getMotorParams handles fieldNames().at(k - 1).
    static QStringList fieldNames();

    static QJsonObject toJson(const MotorParams &params);
    // Indented JSON text with the fields in record order, for files people edit.
    static QByteArray toText(const MotorParams &params);

    // Parses `text` as one JSON object. Returns an empty string on success,
    // otherwise what is wrong and where (line and column).
    static QString parseObject(const QByteArray &text, QJsonObject *object);

    // Overrides the fields of *params that `object` names. Returns every
    // problem found (unknown names, wrong types, values out of range); on any
    // problem *params is left as it was.
    static QStringList apply(const QJsonObject &object, MotorParams *params);

    // Where a failure code of setMotorParams / getMotorParams happened and
    // what went wrong, e.g. "at field 12 (unitType): no valid reply from the
    // controller (code -24)".
    static QString describeStepFailure(int code);
};

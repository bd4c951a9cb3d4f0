#include "MotorParamsJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace {

enum class Kind { Text, OptOrder, UInt32, Int16, Double };

struct Field
{
    const char *name;
    Kind kind;
    std::size_t offset;
};

// Bytes of optOrder the controller keeps; the rest of the field is never sent.
constexpr int kOptOrderBytes = 4;
constexpr int kTextBytes = 32;

#define VELMO_FIELD(name, kind) Field{#name, kind, offsetof(MotorParams, name)}
const Field kFields[] = {
    VELMO_FIELD(modelName, Kind::Text),
    VELMO_FIELD(serialNumber, Kind::Text),
    VELMO_FIELD(pulse, Kind::UInt32),
    VELMO_FIELD(helicalPitch, Kind::Double),
    VELMO_FIELD(restoreSpeed, Kind::Double),
    VELMO_FIELD(motorType, Kind::Int16),
    VELMO_FIELD(pLimitPolarity, Kind::Int16),
    VELMO_FIELD(nLimitPolarity, Kind::Int16),
    VELMO_FIELD(zeroPolarity, Kind::Int16),
    VELMO_FIELD(direction, Kind::Int16),
    VELMO_FIELD(limitDirection, Kind::Int16),
    VELMO_FIELD(unitType, Kind::Int16),
    VELMO_FIELD(optOrder, Kind::OptOrder),
    VELMO_FIELD(maxSpeed, Kind::Double),
    VELMO_FIELD(maxAcc, Kind::Double),
    VELMO_FIELD(minPos, Kind::Double),
    VELMO_FIELD(maxPos, Kind::Double),
    VELMO_FIELD(zoptWidth, Kind::Int16),
    VELMO_FIELD(optNum, Kind::Int16),
    VELMO_FIELD(returnTrip, Kind::Int16),
    VELMO_FIELD(motorPhase, Kind::Int16),
    VELMO_FIELD(modifyDate, Kind::UInt32),
    VELMO_FIELD(maxRockerSpeed, Kind::Double),
};
#undef VELMO_FIELD
constexpr int kFieldCount = int(sizeof kFields / sizeof kFields[0]);
static_assert(kFieldCount == 23, "the motor parameter block has 23 fields");

char *at(MotorParams *params, const Field &field)
{
    return reinterpret_cast<char *>(params) + field.offset;
}

const char *at(const MotorParams &params, const Field &field)
{
    return reinterpret_cast<const char *>(&params) + field.offset;
}

int textCapacity(Kind kind)
{
    return kind == Kind::OptOrder ? kOptOrderBytes : kTextBytes;
}

// Text fields are not terminated when full: take bytes up to the first zero.
QString readText(const char *bytes, int capacity)
{
    int length = 0;
    while (length < capacity && bytes[length] != '\0')
        ++length;
    return QString::fromUtf8(bytes, length);
}

QJsonValue readField(const MotorParams &params, const Field &field)
{
    const char *p = at(params, field);
    switch (field.kind) {
    case Kind::Text:
    case Kind::OptOrder:
        return readText(p, textCapacity(field.kind));
    case Kind::UInt32: {
        quint32 value;
        std::memcpy(&value, p, sizeof value);
        return double(value);
    }
    case Kind::Int16: {
        qint16 value;
        std::memcpy(&value, p, sizeof value);
        return int(value);
    }
    case Kind::Double: {
        double value;
        std::memcpy(&value, p, sizeof value);
        // JSON has no NaN or infinity (a blank chip reads as NaN): spell them
        // out so the output can be fed back unchanged.
        if (std::isnan(value))
            return QStringLiteral("nan");
        if (std::isinf(value))
            return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
        return value;
    }
    }
    return QJsonValue();
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("nothing");
}

QString valueText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Checks one value and stores it into the field; returns the problem, if any.
QString writeField(MotorParams *params, const Field &field, const QJsonValue &value)
{
    const QString name = QLatin1String(field.name);
    char *p = at(params, field);
    if (field.kind == Kind::Text || field.kind == Kind::OptOrder) {
        if (!value.isString())
            return QStringLiteral("%1: expected a string, got %2").arg(name, typeName(value));
        const int capacity = textCapacity(field.kind);
        // Unchanged text keeps the controller's bytes exactly, even when they
        // are not UTF-8 and could not survive a round trip through JSON.
        if (value.toString() == readText(p, capacity))
            return QString();
        const QByteArray bytes = value.toString().toUtf8();
        if (bytes.contains('\0'))
            return QStringLiteral("%1: the text must not contain a zero character").arg(name);
        if (bytes.size() > capacity)
            return QStringLiteral("%1: the text is %2 bytes long, at most %3 fit")
                .arg(name).arg(bytes.size()).arg(capacity);
        const std::size_t fieldSize = field.kind == Kind::OptOrder ? sizeof params->optOrder : std::size_t(kTextBytes);
        std::memset(p, 0, fieldSize);
        std::memcpy(p, bytes.constData(), std::size_t(bytes.size()));
        return QString();
    }

    if (field.kind == Kind::Double && value.isString()) {
        const QString text = value.toString();
        double special = 0;
        if (text == QLatin1String("nan"))
            special = std::numeric_limits<double>::quiet_NaN();
        else if (text == QLatin1String("inf"))
            special = std::numeric_limits<double>::infinity();
        else if (text == QLatin1String("-inf"))
            special = -std::numeric_limits<double>::infinity();
        else
            return QStringLiteral("%1: expected a number (or \"nan\", \"inf\", \"-inf\"), got %2")
                .arg(name, valueText(value));
        std::memcpy(p, &special, sizeof special);
        return QString();
    }
    if (!value.isDouble())
        return QStringLiteral("%1: expected a number, got %2").arg(name, typeName(value));
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return QStringLiteral("%1: the number must be finite").arg(name);
    switch (field.kind) {
    case Kind::Double:
        std::memcpy(p, &number, sizeof number);
        return QString();
    case Kind::UInt32: {
        if (number != std::floor(number) || number < 0 || number > double(std::numeric_limits<quint32>::max()))
            return QStringLiteral("%1: expected a whole number from 0 to 4294967295, got %2").arg(name, valueText(value));
        const quint32 stored = quint32(number);
        std::memcpy(p, &stored, sizeof stored);
        return QString();
    }
    case Kind::Int16: {
        if (number != std::floor(number) || number < -32768 || number > 32767)
            return QStringLiteral("%1: expected a whole number from -32768 to 32767, got %2").arg(name, valueText(value));
        const qint16 stored = qint16(number);
        std::memcpy(p, &stored, sizeof stored);
        return QString();
    }
    case Kind::Text:
    case Kind::OptOrder:
        break;
    }
    return QString();
}

} // namespace

QStringList MotorParamsJson::fieldNames()
{
    QStringList names;
    for (const Field &field : kFields)
        names.append(QLatin1String(field.name));
    return names;
}

QJsonObject MotorParamsJson::toJson(const MotorParams &params)
{
    QJsonObject object;
    for (const Field &field : kFields)
        object.insert(QLatin1String(field.name), readField(params, field));
    return object;
}

QByteArray MotorParamsJson::toText(const MotorParams &params)
{
    // QJsonObject sorts its keys; written by hand the file keeps record order.
    QByteArray text("{\n");
    for (int i = 0; i < kFieldCount; ++i) {
        const Field &field = kFields[i];
        text += "    \"";
        text += field.name;
        text += "\": ";
        text += valueText(readField(params, field)).toUtf8();
        text += i + 1 < kFieldCount ? ",\n" : "\n";
    }
    text += "}\n";
    return text;
}

QString MotorParamsJson::parseObject(const QByteArray &text, QJsonObject *object)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        // QJsonParseError gives a byte offset; people look for lines.
        const QByteArray before = text.left(error.offset);
        const int line = before.count('\n') + 1;
        const int column = error.offset - (before.lastIndexOf('\n') + 1) + 1;
        return QStringLiteral("invalid JSON at line %1, column %2: %3").arg(line).arg(column).arg(error.errorString());
    }
    if (!document.isObject())
        return QStringLiteral("expected a JSON object with motor parameter fields");
    *object = document.object();
    return QString();
}

QStringList MotorParamsJson::apply(const QJsonObject &object, MotorParams *params)
{
    QStringList problems;
    const QStringList known = fieldNames();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key()))
            problems.append(QStringLiteral("unknown field \"%1\"").arg(it.key()));
    }

    MotorParams updated = *params;
    for (const Field &field : kFields) {
        const auto it = object.constFind(QLatin1String(field.name));
        if (it == object.constEnd())
            continue;
        const QString problem = writeField(&updated, field, it.value());
        if (!problem.isEmpty())
            problems.append(problem);
    }
    if (problems.isEmpty())
        *params = updated;
    return problems;
}

QString MotorParamsJson::describeStepFailure(int code)
{
    const QString codeText = QStringLiteral(" (code %1)").arg(code);
    const QString notSent = QStringLiteral("the request was not sent");
    const QString noReply = QStringLiteral("no valid reply from the controller");
    if (code == -60)
        return QStringLiteral("at the closing step: ") + notSent + codeText;
    if (code == -61)
        return QStringLiteral("at the closing step: ") + noReply + codeText;
    if (code <= -1 && code >= -2 * kFieldCount) {
        // Field k fails with -(2k-1) when not sent and -2k without a reply.
        const int k = (1 - code) / 2;
        return QStringLiteral("at field %1 (%2): %3%4")
            .arg(k)
            .arg(QLatin1String(kFields[k - 1].name), code % 2 != 0 ? notSent : noReply, codeText);
    }
    if (code == -100)
        return QStringLiteral("no record given") + codeText;
    return QStringLiteral("unexpected result") + codeText;
}

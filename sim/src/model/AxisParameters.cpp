#include "AxisParameters.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

#include <cmath>
#include <limits>

AxisParameters::AxisParameters()
{
    for (int i = 0; i < P_Count; ++i)
        m_values[i].assign(ParameterCatalogue::info(static_cast<ParamId>(i)).size, 0);
    setReal(P_Speed, 5.0);
    setReal(P_Acceleration, 20.0);
    setReal(P_RelativeDisp, 1.0);
    setReal(P_JogStep, 1.0);
    setInteger(P_JogDelay, 100);
    setInteger(P_JogCount, 5);
    setReal(P_CircleDisp, 5.0);
    setInteger(P_CircleCount, 3);
    setInteger(P_CircleDelay, 200);
    setReal(P_TriggerStep, 1.0);
}

bool AxisParameters::setRaw(ParamId id, const Bytes &value)
{
    if (value.size() != ParameterCatalogue::info(id).size)
        return false;
    m_values[id] = value;
    return true;
}

double AxisParameters::real(ParamId id) const
{
    return FrameCodec::doubleAt(m_values[id].data());
}

std::int64_t AxisParameters::integer(ParamId id) const
{
    const Bytes &bytes = m_values[id];
    switch (ParameterCatalogue::info(id).type) {
    case ParamType::Int32:
        return static_cast<std::int32_t>(FrameCodec::u32At(bytes.data()));
    case ParamType::UInt32:
        return FrameCodec::u32At(bytes.data());
    case ParamType::UInt16:
        return FrameCodec::u16At(bytes.data());
    default:
        return 0;
    }
}

void AxisParameters::setReal(ParamId id, double value)
{
    Bytes bytes;
    FrameCodec::putDouble(bytes, value);
    m_values[id] = bytes;
}

void AxisParameters::setInteger(ParamId id, std::int64_t value)
{
    Bytes bytes;
    if (ParameterCatalogue::info(id).size == 2)
        FrameCodec::putU16(bytes, static_cast<std::uint16_t>(value));
    else
        FrameCodec::putU32(bytes, static_cast<std::uint32_t>(value));
    m_values[id] = bytes;
}

void AxisParameters::setText(ParamId id, const QByteArray &text)
{
    Bytes &bytes = m_values[id];
    std::fill(bytes.begin(), bytes.end(), 0);
    const std::size_t length = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(text.size()));
    std::copy(text.constBegin(), text.constBegin() + length, bytes.begin());
}

void AxisParameters::clearBlock()
{
    for (int i = 0; i < P_Count; ++i) {
        const ParamInfo &entry = ParameterCatalogue::info(static_cast<ParamId>(i));
        if (entry.inBlock)
            m_values[i].assign(entry.size, 0);
    }
}

// JSON has no NaN or infinity; they are kept as the strings "nan", "inf"
// and "-inf" so that whatever the host wrote survives the state file.
static QJsonValue realToJson(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
}

static bool realFromJson(const QJsonValue &value, double *out)
{
    if (value.isDouble()) {
        *out = value.toDouble();
        return true;
    }
    const QString text = value.toString();
    if (text == QLatin1String("nan"))
        *out = std::numeric_limits<double>::quiet_NaN();
    else if (text == QLatin1String("inf"))
        *out = std::numeric_limits<double>::infinity();
    else if (text == QLatin1String("-inf"))
        *out = -std::numeric_limits<double>::infinity();
    else
        return false;
    return true;
}

QJsonValue AxisParameters::toJson(ParamId id) const
{
    const ParamInfo &entry = ParameterCatalogue::info(id);
    const Bytes &bytes = m_values[id];
    switch (entry.type) {
    case ParamType::Real:
        return realToJson(real(id));
    case ParamType::Int32:
    case ParamType::UInt32:
    case ParamType::UInt16:
        return static_cast<double>(integer(id));
    case ParamType::Text: {
        std::size_t length = bytes.size();
        while (length > 0 && bytes[length - 1] == 0)
            --length;
        return QString::fromLatin1(reinterpret_cast<const char *>(bytes.data()), static_cast<int>(length));
    }
    case ParamType::Raw: {
        QJsonArray points;
        for (std::size_t i = 0; i < ParameterCatalogue::CompensationPoints; ++i) {
            const std::uint8_t *point = bytes.data() + 2 + i * 16;
            points.append(QJsonArray{realToJson(FrameCodec::doubleAt(point)), realToJson(FrameCodec::doubleAt(point + 8))});
        }
        return QJsonObject{{QStringLiteral("count"), FrameCodec::u16At(bytes.data())},
                           {QStringLiteral("points"), points}};
    }
    }
    return QJsonValue();
}

static bool integerInRange(const QJsonValue &value, double low, double high)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::floor(number) == number && number >= low && number <= high;
}

bool AxisParameters::fromJson(ParamId id, const QJsonValue &value, QString *error)
{
    const ParamInfo &entry = ParameterCatalogue::info(id);
    const QString name = QString::fromLatin1(entry.name);
    switch (entry.type) {
    case ParamType::Real: {
        double number = 0;
        if (!realFromJson(value, &number)) {
            *error = name + QStringLiteral(" must be a number (or \"nan\", \"inf\", \"-inf\")");
            return false;
        }
        setReal(id, number);
        return true;
    }
    case ParamType::Int32:
        if (!integerInRange(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())) {
            *error = name + QStringLiteral(" must be a 32-bit integer");
            return false;
        }
        setInteger(id, static_cast<std::int64_t>(value.toDouble()));
        return true;
    case ParamType::UInt32:
        if (!integerInRange(value, 0, std::numeric_limits<std::uint32_t>::max())) {
            *error = name + QStringLiteral(" must be an unsigned 32-bit integer");
            return false;
        }
        setInteger(id, static_cast<std::int64_t>(value.toDouble()));
        return true;
    case ParamType::UInt16:
        if (!integerInRange(value, 0, 0xFFFF)) {
            *error = name + QStringLiteral(" must be an integer from 0 to 65535");
            return false;
        }
        setInteger(id, static_cast<std::int64_t>(value.toDouble()));
        return true;
    case ParamType::Text:
        if (!value.isString()) {
            *error = name + QStringLiteral(" must be a string");
            return false;
        }
        setText(id, value.toString().toLatin1());
        return true;
    case ParamType::Raw: {
        const QJsonObject table = value.toObject();
        const QJsonValue count = table.value(QStringLiteral("count"));
        const QJsonArray points = table.value(QStringLiteral("points")).toArray();
        if (!value.isObject() || !integerInRange(count, 0, 0xFFFF)
            || points.size() > static_cast<int>(ParameterCatalogue::CompensationPoints)) {
            *error = name + QStringLiteral(" must be {\"count\": n, \"points\": [[expected, actual], ...]} with at most 10 points");
            return false;
        }
        Bytes bytes;
        FrameCodec::putU16(bytes, static_cast<std::uint16_t>(count.toInt()));
        for (std::size_t i = 0; i < ParameterCatalogue::CompensationPoints; ++i) {
            const QJsonArray point = i < static_cast<std::size_t>(points.size())
                ? points.at(static_cast<int>(i)).toArray() : QJsonArray();
            double expected = 0, actual = 0;
            realFromJson(point.at(0), &expected);
            realFromJson(point.at(1), &actual);
            FrameCodec::putDouble(bytes, expected);
            FrameCodec::putDouble(bytes, actual);
        }
        m_values[id] = bytes;
        return true;
    }
    }
    return false;
}

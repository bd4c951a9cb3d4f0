// The stored values of one axis, kept as their wire images so that whatever
// the host writes is returned byte for byte.
#ifndef VELMO_SIM_AXISPARAMETERS_H
#define VELMO_SIM_AXISPARAMETERS_H

#include "FrameCodec.h"
#include "ParameterCatalogue.h"

#include <QJsonValue>
#include <QString>

#include <array>

class AxisParameters
{
public:
    AxisParameters(); // motion defaults, an empty motor parameter block

    const Bytes &raw(ParamId id) const { return m_values[id]; }
    // Returns false when the size does not match the parameter's wire size.
    bool setRaw(ParamId id, const Bytes &value);

    double real(ParamId id) const;
    std::int64_t integer(ParamId id) const; // Int32, UInt32 and UInt16 values
    void setReal(ParamId id, double value);
    void setInteger(ParamId id, std::int64_t value);
    void setText(ParamId id, const QByteArray &text);

    void clearBlock();

    // JSON form used by scenario and state files: numbers, Latin-1 strings,
    // and {"count": n, "points": [[expected, actual], ...]} for the tables.
    QJsonValue toJson(ParamId id) const;
    bool fromJson(ParamId id, const QJsonValue &value, QString *error);

private:
    std::array<Bytes, P_Count> m_values;
};

#endif

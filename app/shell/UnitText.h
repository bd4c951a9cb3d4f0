#pragma once

#include <QString>

// Unit texts derived from a stage's position unit ("mm", "°").
namespace UnitText {

inline QString speed(const QString &unit)
{
    return unit + QStringLiteral("/s");
}

inline QString acceleration(const QString &unit)
{
    return unit + QStringLiteral("/s\u00B2");
}

} // namespace UnitText

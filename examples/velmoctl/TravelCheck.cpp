#include "TravelCheck.h"

#include "CommandError.h"
#include "ControllerSession.h"
#include "MotorParamsJson.h"
#include "Output.h"

#include <cmath>

namespace {

const QString kOverride = QStringLiteral("--no-travel-check moves it anyway");

} // namespace

bool TravelCheck::isPlausiblePosition(double position)
{
    return std::isfinite(position) && std::fabs(position) <= kLargestPosition;
}

TravelCheck::Travel TravelCheck::travelOf(const MotorParams &params)
{
    Travel travel{params.minPos, params.maxPos, QString()};
    if (!std::isfinite(travel.minimum) || !std::isfinite(travel.maximum))
        travel.unknownReason = QStringLiteral("its motor parameter block has a travel limit that is not a number");
    else if (travel.minimum == 0.0 && travel.maximum == 0.0)
        travel.unknownReason = QStringLiteral("its motor parameter block gives no travel (minPos = maxPos = 0; no stage "
                                              "identified?)");
    else if (travel.minimum > travel.maximum)
        travel.unknownReason = QStringLiteral("its motor parameter block gives minPos %1 above maxPos %2")
                                   .arg(travel.minimum)
                                   .arg(travel.maximum);
    return travel;
}

TravelCheck::TravelCheck(ControllerSession &session) : m_session(session) {}

const TravelCheck::Travel &TravelCheck::travel(int axis)
{
    auto found = m_travels.constFind(axis);
    if (found != m_travels.constEnd())
        return *found;

    MotorParams params{};
    const int result = getMotorParams(m_session.id(), axis, &params);
    if (result != 0)
        throw CommandError(CommandError::Failure,
                           QStringLiteral("cannot check the travel: %1 %2; %3")
                               .arg(m_session.failureText("getMotorParams", axis),
                                    MotorParamsJson::describeStepFailure(result), kOverride),
                           result);
    return *m_travels.insert(axis, travelOf(params));
}

void TravelCheck::require(int axis, double target, int unitType, const QString &label)
{
    const Travel &limits = travel(axis);
    const QString where = QStringLiteral("controller %1 axis %2").arg(m_session.id()).arg(axis);
    if (!limits.unknownReason.isEmpty())
        throw CommandError::usage(QStringLiteral("the travel of %1 is unknown: %2; nothing moved (%3)")
                                      .arg(where, limits.unknownReason, kOverride));
    if (target < limits.minimum || target > limits.maximum)
        throw CommandError::usage(QStringLiteral("%1: %2 is outside the travel of %3 (%4 to %5); nothing moved")
                                      .arg(label, Output::formatPosition(target, unitType), where,
                                           Output::formatPosition(limits.minimum, unitType),
                                           Output::formatPosition(limits.maximum, unitType)));
}

#include "ControllerSession.h"

#include "CommandError.h"
#include "ResultCodes.h"

#include "velmoLibrary.h"

#include <QStringList>

#include <vector>

namespace {

constexpr int kTextBytes = 32;

QString fromTextField(const char *buffer)
{
    return QString::fromUtf8(buffer, int(qstrnlen(buffer, kTextBytes)));
}

} // namespace

QList<int> ControllerSession::listIds()
{
    // The count may exceed the room given; ask again with enough room.
    std::vector<int> ids(16);
    int found = listKXMotorControlerDevices(ids.data(), int(ids.size()));
    if (found > int(ids.size())) {
        ids.resize(std::size_t(found));
        found = listKXMotorControlerDevices(ids.data(), int(ids.size()));
    }
    QList<int> result;
    for (int i = 0; i < found && i < int(ids.size()); ++i)
        result.append(ids[std::size_t(i)]);
    return result;
}

ControllerSession::ControllerSession(int id) : m_id(id)
{
    addDev(m_id);
    const int opened = openKXDevice(m_id);
    if (opened == 0)
        return;
    removeDev(m_id);

    QStringList present;
    const QList<int> ids = listIds();
    for (int listed : ids)
        present.append(QString::number(listed));
    const QString onBus = present.isEmpty() ? QStringLiteral("no controller on the bus")
                                            : QStringLiteral("controllers on the bus: %1").arg(present.join(QStringLiteral(", ")));
    throw CommandError(CommandError::Failure,
                       QStringLiteral("cannot open controller %1: %2; %3").arg(m_id).arg(ResultCodes::describeOpen(opened), onBus),
                       opened);
}

ControllerSession::~ControllerSession()
{
    closeKXDevice(m_id);
    removeDev(m_id);
}

QString ControllerSession::failureText(const char *call, std::optional<int> axis) const
{
    QString where = QStringLiteral("controller %1").arg(m_id);
    if (axis)
        where += QStringLiteral(" axis %1").arg(*axis);
    return QStringLiteral("%1 failed on %2").arg(QLatin1String(call), where);
}

int ControllerSession::check(int result, const char *call, std::optional<int> axis) const
{
    if (result < 0)
        throw CommandError(CommandError::Failure,
                           failureText(call, axis) + QStringLiteral(": ") + ResultCodes::describe(result), result);
    return result;
}

int ControllerSession::axisCount()
{
    if (!m_axisCount)
        m_axisCount = check(getDevAxisCount(m_id), "getDevAxisCount");
    return *m_axisCount;
}

void ControllerSession::requireAxis(int axis)
{
    const int count = axisCount();
    if (axis >= count) {
        const QString range = count > 0 ? QStringLiteral("axes 0 to %1").arg(count - 1) : QStringLiteral("no axes");
        throw CommandError::usage(QStringLiteral("controller %1 has no axis %2 (it has %3; axes are numbered from 0)")
                                      .arg(m_id).arg(axis).arg(range));
    }
}

QString ControllerSession::controllerText(int (*getter)(int, char *, int), const char *call) const
{
    char buffer[kTextBytes + 1] = {};
    check(getter(m_id, buffer, kTextBytes), call);
    return fromTextField(buffer);
}

QString ControllerSession::axisText(int (*getter)(int, int, char *, int), const char *call, int axis) const
{
    char buffer[kTextBytes + 1] = {};
    check(getter(m_id, axis, buffer, kTextBytes), call, axis);
    return fromTextField(buffer);
}

#pragma once
// One opened controller: registered and opened on construction, closed and
// unregistered on destruction, so every exit path (errors included) leaves
// the library clean.

#include <QList>
#include <QString>

#include <optional>

class ControllerSession
{
public:
    // Ids of the controllers on the bus.
    static QList<int> listIds();

    // Opens the controller; throws CommandError when it cannot.
    explicit ControllerSession(int id);
    ~ControllerSession();
    ControllerSession(const ControllerSession &) = delete;
    ControllerSession &operator=(const ControllerSession &) = delete;

    int id() const { return m_id; }

    // Throws CommandError naming the call, controller, axis and result when
    // `result` is negative; returns `result` otherwise.
    int check(int result, const char *call, std::optional<int> axis = std::nullopt) const;
    // The error message check() would use, for callers that add detail.
    QString failureText(const char *call, std::optional<int> axis) const;

    // Number of axes, read once.
    int axisCount();
    // Throws CommandError (usage) when the controller has no such axis.
    void requireAxis(int axis);

    // A 32-byte text of the controller or of an axis, up to its first zero.
    QString controllerText(int (*getter)(int, char *, int), const char *call) const;
    QString axisText(int (*getter)(int, int, char *, int), const char *call, int axis) const;

private:
    int m_id;
    std::optional<int> m_axisCount;
};

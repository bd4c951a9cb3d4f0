// Helpers shared by the example programs: an open controller that is closed
// and unregistered again when it goes out of scope, and the conversion of the
// library's 32-byte text fields.
#ifndef VELMO_EXAMPLES_CONTROLLER_SESSION_H
#define VELMO_EXAMPLES_CONTROLLER_SESSION_H

#include <velmoLibrary.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmo_example {

// Text fields are 32 bytes and carry no terminating zero when all are used.
template <std::size_t N>
std::string fieldText(const char (&field)[N])
{
    std::size_t length = 0;
    while (length < N && field[length] != '\0')
        ++length;
    return std::string(field, length);
}

// The device ids of the controllers on the bus.
inline std::vector<int> listControllers()
{
    const int found = listKXMotorControlerDevices(nullptr, 0);
    if (found <= 0)
        return {};
    std::vector<int> ids(static_cast<std::size_t>(found));
    const int listed = listKXMotorControlerDevices(ids.data(), found);
    // A controller plugged in between the two calls is picked up next time.
    ids.resize(static_cast<std::size_t>(listed < found ? listed : found));
    return ids;
}

// Registers and opens one controller for the lifetime of the object.
class ControllerSession {
public:
    explicit ControllerSession(int id)
        : m_id(id)
    {
        addDev(m_id);
        m_openResult = openKXDevice(m_id);
    }
    ~ControllerSession()
    {
        if (m_openResult == 0)
            closeKXDevice(m_id);
        removeDev(m_id);
    }
    ControllerSession(const ControllerSession &) = delete;
    ControllerSession &operator=(const ControllerSession &) = delete;

    bool isOpen() const { return m_openResult == 0; }
    int openResult() const { return m_openResult; }
    int id() const { return m_id; }

private:
    int m_id;
    int m_openResult = -1;
};

// The id given on the command line, or the first controller on the bus
// (-1 when there is none).
inline int controllerIdFromArguments(int argc, char **argv, int index)
{
    if (argc > index)
        return std::atoi(argv[index]);
    const std::vector<int> ids = listControllers();
    return ids.empty() ? -1 : ids.front();
}

} // namespace velmo_example

#endif

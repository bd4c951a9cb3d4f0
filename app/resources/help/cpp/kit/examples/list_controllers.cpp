// Lists the controllers on the USB bus, opens each one and prints its
// identity: model, serial number, firmware, number of axes and, per axis,
// the stage recorded on its ID chip.
//
//   list_controllers
#include "ControllerSession.h"

#include <cstdio>

using velmo_example::ControllerSession;
using velmo_example::fieldText;

namespace {

// Reads one of the controller's 32-byte texts; empty when the read fails.
std::string controllerText(int (*read)(int, char *, int), int id)
{
    char field[32] = {};
    return read(id, field, static_cast<int>(sizeof field)) == 0 ? fieldText(field) : std::string();
}

void printAxis(int id, int axis)
{
    char detected = 0;
    const int detectResult = getMotorAutoDetect(id, axis, &detected);
    if (detectResult != 0) {
        std::printf("  axis %d: auto-detect failed (%d)\n", axis, detectResult);
        return;
    }
    if (detected != 2) {
        std::printf("  axis %d: no programmed ID chip (code %d)\n", axis, detected);
        return;
    }
    char model[32] = {};
    char serial[32] = {};
    const int modelResult = getMotorModelName(id, axis, model, static_cast<int>(sizeof model));
    const int serialResult = getMotorSerialNumber(id, axis, serial, static_cast<int>(sizeof serial));
    if (modelResult != 0 || serialResult != 0) {
        std::printf("  axis %d: reading the stage's identity failed (%d, %d)\n", axis, modelResult, serialResult);
        return;
    }
    std::printf("  axis %d: stage %s, serial number %s\n", axis, fieldText(model).c_str(), fieldText(serial).c_str());
}

// Prints one controller; false when it could not be opened or read.
bool printController(int id)
{
    ControllerSession session(id);
    if (!session.isOpen()) {
        std::printf("controller %d: open failed (%d)\n", id, session.openResult());
        return false;
    }
    const int axisCount = getDevAxisCount(id);
    if (axisCount < 0) {
        std::printf("controller %d: no reply (%d)\n", id, axisCount);
        return false;
    }
    std::printf("controller %d\n", id);
    std::printf("  model:         %s\n", controllerText(getDevModelName, id).c_str());
    std::printf("  serial number: %s\n", controllerText(getDevSerialNumber, id).c_str());
    std::printf("  firmware:      %s\n", controllerText(getDevSoftVersion, id).c_str());
    std::printf("  axes:          %d\n", axisCount);
    for (int axis = 0; axis < axisCount; ++axis)
        printAxis(id, axis);
    return true;
}

} // namespace

int main()
{
    libraryInit();
    const std::vector<int> ids = velmo_example::listControllers();
    std::printf("controllers found: %zu\n", ids.size());
    bool allRead = !ids.empty();
    for (int id : ids)
        allRead = printController(id) && allRead;
    libraryDeInit();
    return allRead ? 0 : 1;
}

// Without a database there is nowhere to keep device properties, so the
// device names carry them: a controller device's member is its serial number
// (velmo/controller/VM-0001), an axis device's family is its controller's
// serial number and its member the axis index (velmo/VM-0001/0).
#pragma once

#include <string>

namespace velmotango {

class DeviceNames
{
public:
    // False when the name has no third field.
    static bool controllerSerial(const std::string &deviceName, std::string *serial);
    // False unless the name has three fields and the third is an axis index.
    static bool axisAddress(const std::string &deviceName, std::string *serial, int *axis);
};

} // namespace velmotango

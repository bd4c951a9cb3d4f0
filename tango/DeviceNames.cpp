#include "DeviceNames.h"

#include <cctype>
#include <vector>

namespace velmotango {

namespace {

// domain/family/member, optionally behind tango://host:port/ (dropped).
std::vector<std::string> fields(const std::string &deviceName)
{
    std::string name = deviceName;
    const std::string scheme = "tango://";
    if (name.compare(0, scheme.size(), scheme) == 0) {
        const std::size_t hostEnd = name.find('/', scheme.size());
        name = hostEnd == std::string::npos ? std::string() : name.substr(hostEnd + 1);
    }
    const std::size_t fragment = name.find('#');
    if (fragment != std::string::npos)
        name.resize(fragment);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        parts.push_back(name.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

} // namespace

bool DeviceNames::controllerSerial(const std::string &deviceName, std::string *serial)
{
    const std::vector<std::string> parts = fields(deviceName);
    if (parts.size() != 3 || parts[2].empty())
        return false;
    *serial = parts[2];
    return true;
}

bool DeviceNames::axisAddress(const std::string &deviceName, std::string *serial, int *axis)
{
    const std::vector<std::string> parts = fields(deviceName);
    if (parts.size() != 3 || parts[1].empty() || parts[2].empty() || parts[2].size() > 2)
        return false;
    for (char c : parts[2]) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    *serial = parts[1];
    *axis = std::stoi(parts[2]);
    return true;
}

} // namespace velmotango

#include "ControllerRegistry.h"

#include "ControllerLink.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace velmotango {

namespace {

std::string folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::mutex linksMutex;
std::map<std::string, std::shared_ptr<ControllerLink>> &links()
{
    static std::map<std::string, std::shared_ptr<ControllerLink>> table;
    return table;
}

std::set<int> &claimedIds()
{
    static std::set<int> ids;
    return ids;
}

} // namespace

std::shared_ptr<ControllerLink> ControllerRegistry::link(const std::string &serial)
{
    std::lock_guard<std::mutex> lock(linksMutex);
    std::shared_ptr<ControllerLink> &slot = links()[folded(serial)];
    if (!slot)
        slot = std::make_shared<ControllerLink>(serial);
    return slot;
}

void ControllerRegistry::shutdown()
{
    std::map<std::string, std::shared_ptr<ControllerLink>> all;
    {
        std::lock_guard<std::mutex> lock(linksMutex);
        all.swap(links());
    }
    for (auto &entry : all)
        entry.second->shutdown();
}

std::mutex &ControllerRegistry::busMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool ControllerRegistry::isClaimed(int deviceId)
{
    return claimedIds().count(deviceId) != 0;
}

void ControllerRegistry::setClaimed(int deviceId, bool claimed)
{
    if (claimed)
        claimedIds().insert(deviceId);
    else
        claimedIds().erase(deviceId);
}

} // namespace velmotango

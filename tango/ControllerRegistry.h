// The controllers this server has opened, one link per serial number, and the
// bus-wide lock that keeps listing, opening and closing in one order.
#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace velmotango {

class ControllerLink;

class ControllerRegistry
{
public:
    // The link for this serial number (case does not matter), created on first
    // use. Links live until shutdown(), so that a device's Init never ends the
    // poll thread that may be waiting to deliver to it.
    static std::shared_ptr<ControllerLink> link(const std::string &serial);
    // Stops every poll thread and closes every controller (server exit).
    static void shutdown();

    // Held while the bus is listed or a controller opened or closed.
    static std::mutex &busMutex();

    // Device ids opened by some link; a link never opens another's id.
    // Both need busMutex() held.
    static bool isClaimed(int deviceId);
    static void setClaimed(int deviceId, bool claimed);
};

} // namespace velmotango

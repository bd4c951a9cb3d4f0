// The virtual controller's scenario reader, and the bus it builds from what
// it read: any text either loads or is reported, and the bus then answers a
// first request on every controller it put on the bus.
#include "FuzzCheck.h"
#include "FrameCodec.h"
#include "QuietMessages.h"
#include "RepeatedJsonKeys.h"
#include "ScenarioLoader.h"
#include "VirtualBus.h"

#include <sanitizer/lsan_interface.h>

#include <cstdlib>
#include <optional>

namespace {

// Sends a request and takes whatever is readable at once (the scenario's
// latency may hold the reply back; nothing here waits for it).
void exchange(VirtualBus &bus, const VirtualBus::Session &session, std::uint16_t code, const Bytes &payload)
{
    const Bytes request = FrameCodec::buildRequest(code, payload);
    int transferred = 0;
    bus.bulkOut(session, 0x01, request.data(), int(request.size()), &transferred);
    std::uint8_t buffer[512];
    if (bus.pollIn(session, 0x81, buffer, int(sizeof buffer), &transferred) == VirtualBus::Result::Ok)
        FUZZ_CHECK(transferred >= 0 && transferred <= int(sizeof buffer));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QuietMessages::install();
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    ScenarioConfig config;
    QStringList problems;
    bool ok = false;
    {
        std::optional<__lsan::ScopedDisabler> qtParserLeaks;
        if (RepeatedJsonKeys::mayOccur(text))
            qtParserLeaks.emplace();
        ok = ScenarioLoader::parse(text, &config, &problems);
    }
    FUZZ_CHECK(ok == problems.isEmpty());

    // A state file would be written on every request: keep the bus in memory.
    config.stateFile.clear();
    VirtualBus bus;
    bus.loadConfig(config);
    int controllers = 0;
    for (const VirtualBus::DeviceEntry &device : bus.devices()) {
        if (!device.controller)
            continue;
        ++controllers;
        VirtualBus::Session session;
        if (bus.open(device.key, &session) != VirtualBus::Result::Ok)
            continue;
        if (bus.claimInterface(&session, 0) == VirtualBus::Result::Ok) {
            exchange(bus, session, 0x1006, Bytes{0, 0});         // axis count
            exchange(bus, session, 0x0024, Bytes{0, 0});         // state of axis 0
            exchange(bus, session, 0x1008, Bytes{1, 0});         // model name of axis 1
            exchange(bus, session, 0x1004, Bytes{});             // serial number
            bus.releaseInterface(&session, 0);
        }
        bus.close(&session);
    }
    int plugged = 0;
    for (const ControllerConfig &controller : config.controllers)
        plugged += controller.plugged ? 1 : 0;
    FUZZ_CHECK(controllers == plugged);
    return 0;
}

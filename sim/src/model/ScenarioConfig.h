// What a scenario describes: the controllers, other devices and hubs on the
// virtual bus, and the timing of the whole bus. Filled by ScenarioLoader.
#ifndef VELMO_SIM_SCENARIOCONFIG_H
#define VELMO_SIM_SCENARIOCONFIG_H

#include "AxisParameters.h"
#include "ReplyShaper.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct AxisConfig {
    AxisParameters parameters;
    bool chip = false; // a programmed ID chip (auto-detect 2)
    double position = 0.0;
    bool enabled = true;
    bool homed = false;
    bool negativeLimitFault = false;
    bool homeFault = false;
    bool positiveLimitFault = false;
};

struct ControllerConfig {
    std::vector<int> portPath{1, 4};
    int bus = 1;
    QByteArray serialNumber = QByteArrayLiteral("VM-0001");
    QByteArray firmware = QByteArrayLiteral("VM 1.0.0");
    QByteArray modelName = QByteArrayLiteral("VM-3A");
    std::vector<AxisConfig> axes;
    int deviceNameReplyBytes = 0;
    bool plugged = true;
    bool extraEndpoints = false;
    bool kernelDriverActive = false;
    double latencyMs = -1.0; // below 0: the bus-wide latency
    bool joystickPresent = true;
    bool joystickEnabled = false;
    int joystickSpeed = 3;
    int openFail = 0;        // failing opens to come, -1 = all
    bool claimFail = false;
    bool stallOnce = false;
    std::vector<ArmedFault> replyFaults;
};

struct PlainDeviceConfig {
    std::vector<int> portPath;
    int bus = 1;
    int vendorId = 0;
    int productId = 0;
    int deviceClass = 0;
};

struct ScenarioConfig {
    double latencyMs = 0.25;
    double timeScale = 1.0;
    QString stateFile;
    bool rootHubs = true; // one root hub per bus in use, as a real host lists them
    std::vector<ControllerConfig> controllers;
    std::vector<PlainDeviceConfig> otherDevices;
    std::vector<PlainDeviceConfig> hubs;
};

#endif

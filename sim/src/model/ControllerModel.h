// One virtual controller: answers request frames the way the firmware does,
// keeps the per-controller and per-axis storage, queues replies on its IN
// stream and records every frame the host wrote. Not thread-safe by itself;
// VirtualBus serialises all access.
#ifndef VELMO_SIM_CONTROLLERMODEL_H
#define VELMO_SIM_CONTROLLERMODEL_H

#include "AxisModel.h"
#include "InStream.h"
#include "ReplyShaper.h"
#include "ScenarioConfig.h"

#include <QJsonObject>

#include <deque>

// USB-side state of a controller that the libusb front end consults.
struct ControllerUsbState {
    bool plugged = true;
    std::uint64_t incarnation = 0; // bumped by every re-plug; older handles are dead
    bool removed = false;          // the bus was reloaded without it
    int openFailsLeft = 0;         // -1 = every open fails
    bool claimFail = false;
    bool inHalted = false;
    bool kernelDriverActive = false;
    bool extraEndpoints = false;
    int openCount = 0;
    int openHandles = 0;
};

class ControllerModel
{
public:
    static constexpr std::size_t WrittenFrameLimit = 10000;
    static constexpr int MaxAxes = 16;

    struct Reply {
        std::uint16_t status = 0;
        Bytes data;
        bool axisLevel = false;
        bool silent = false; // the firmware sends nothing back
    };

    ControllerModel(const ControllerConfig &config, SteadyTime epoch, double timeScale, double latencyMs);

    // One bulk OUT transfer: recorded, parsed, answered on the IN stream.
    // Returns true when it changed what the controller keeps in flash.
    bool receive(const std::uint8_t *bytes, std::size_t length, SteadyTime now);

    // Pure request handling, without faults or queueing.
    Reply execute(const RequestFrame &request, double modelNow);

    InStream &inStream() { return m_in; }
    ReplyShaper &faults() { return m_faults; }
    ControllerUsbState &usb() { return m_usb; }
    const ControllerUsbState &usb() const { return m_usb; }

    int deviceId() const;
    const std::vector<int> &portPath() const { return m_config.portPath; }
    int bus() const { return m_config.bus; }
    QString portPathText() const;

    int axisCount() const { return static_cast<int>(m_axes.size()); }
    AxisModel &axis(int index) { return m_axes.at(static_cast<std::size_t>(index)); }
    double modelTime(SteadyTime now) const;

    void setLatency(std::chrono::microseconds latency) { m_latency = latency; }
    std::chrono::microseconds latency() const { return m_latency; }

    const std::deque<Bytes> &writtenFrames() const { return m_written; }
    void clearWritten();
    // Requests that arrived while a reply to an earlier one was still owed
    // (queued, readable or not, and not yet read).
    int overlappingRequests() const { return m_overlappingRequests; }

    // Unplugging loses the motion state and the queued bytes, like a power cut.
    void unplug(SteadyTime now);
    void replug();

    QJsonObject saveState() const;
    void restoreState(const QJsonObject &state, QString *warnings);

private:
    Reply executeAxis(const RequestFrame &request, double modelNow, bool *changed);
    Reply executeController(const RequestFrame &request, bool *changed);
    Reply refusal(const RequestFrame &request, std::uint16_t status) const;
    int expectedReplyLength(std::uint16_t code) const;
    static bool isControllerCode(std::uint16_t code);
    void resizeAxes(int count);

    ControllerConfig m_config;
    std::vector<AxisModel> m_axes;
    QByteArray m_modelName;
    QByteArray m_serialNumber;
    std::uint16_t m_joystickEnable = 0;
    InStream m_in;
    ReplyShaper m_faults;
    ControllerUsbState m_usb;
    std::deque<Bytes> m_written;
    int m_overlappingRequests = 0;
    SteadyTime m_epoch;
    double m_timeScale;
    std::chrono::microseconds m_latency;
    bool m_lastChanged = false;
};

#endif

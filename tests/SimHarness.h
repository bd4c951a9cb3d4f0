#pragma once
// Helpers shared by the tests that drive velmoLibrary against the virtual
// controller.

#include "velmoLibrary.h"
#include "velmoSim.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace simharness {

// Device id of the default scenario's controller (port path 1-4).
constexpr int kDefaultId = 14;

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QList<QByteArray> writtenFrames(int id)
{
    QList<QByteArray> frames;
    const int count = vsim_written_count(id);
    for (int i = 0; i < count; ++i) {
        unsigned char buffer[512];
        const int length = vsim_written_frame(id, i, buffer, int(sizeof buffer));
        frames.append(QByteArray(reinterpret_cast<const char *>(buffer), qMin(length, int(sizeof buffer))));
    }
    return frames;
}

inline QByteArray lastWritten(int id)
{
    const QList<QByteArray> frames = writtenFrames(id);
    return frames.isEmpty() ? QByteArray() : frames.last();
}

// Function codes of the frames written since the last clear, in order.
inline QList<int> writtenCodes(int id)
{
    QList<int> codes;
    for (const QByteArray &frame : writtenFrames(id))
        codes.append(frame.size() >= 4 ? (quint8(frame.at(2)) | (quint8(frame.at(3)) << 8)) : -1);
    return codes;
}

// Reloads the default scenario, then registers and opens its controller
// with an empty record of written frames.
inline bool openFreshDefaultController()
{
    if (vsim_load_scenario(nullptr) != VSIM_OK)
        return false;
    addDev(kDefaultId);
    if (openKXDevice(kDefaultId) != 0)
        return false;
    vsim_clear_written(kDefaultId);
    return true;
}

// Registers and opens a controller; closes and unregisters it on scope exit.
class OpenController
{
public:
    explicit OpenController(int id = kDefaultId) : m_id(id)
    {
        addDev(m_id);
        m_result = openKXDevice(m_id);
        vsim_clear_written(m_id);
    }
    ~OpenController() { removeDev(m_id); }
    OpenController(const OpenController &) = delete;
    OpenController &operator=(const OpenController &) = delete;

    int id() const { return m_id; }
    int openResult() const { return m_result; }

private:
    int m_id;
    int m_result;
};

} // namespace simharness

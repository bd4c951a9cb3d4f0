#pragma once
// Helpers shared by the widget tests that run against the virtual
// controller through the device service, as the program does.

#include "SerialComDev.h"
#include "VelmoDevParam.h"
#include "velmoSim.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstring>

namespace panelharness {

// Device id of the default scenario's controller (port path 1-4).
constexpr int kId = 14;

// One frame the host wrote: its function code and the data after the
// 6-byte header (axis first for axis commands), checksum removed.
struct Written {
    int code = -1;
    QByteArray data;

    int axis() const { return data.size() >= 2 ? quint8(data[0]) | (quint8(data[1]) << 8) : -1; }
    double f64(int offset = 2) const
    {
        double value = 0;
        if (data.size() >= offset + 8)
            std::memcpy(&value, data.constData() + offset, 8);
        return value;
    }
    qint32 i32(int offset = 2) const
    {
        qint32 value = 0;
        if (data.size() >= offset + 4)
            std::memcpy(&value, data.constData() + offset, 4);
        return value;
    }
    int u16(int offset = 2) const
    {
        return data.size() >= offset + 2 ? quint8(data[offset]) | (quint8(data[offset + 1]) << 8) : -1;
    }
};

inline QList<Written> written()
{
    QList<Written> frames;
    const int count = vsim_written_count(kId);
    for (int i = 0; i < count; ++i) {
        unsigned char buffer[512];
        const int length = qMin(vsim_written_frame(kId, i, buffer, int(sizeof buffer)), int(sizeof buffer));
        if (length < 8)
            continue;
        Written w;
        w.code = buffer[2] | (buffer[3] << 8);
        w.data = QByteArray(reinterpret_cast<const char *>(buffer) + 6, length - 8);
        frames.append(w);
    }
    return frames;
}

// The frames with one function code, in order.
inline QList<Written> framesOf(int code)
{
    QList<Written> found;
    for (const Written &w : written()) {
        if (w.code == code)
            found << w;
    }
    return found;
}

// Frames other than the position and state polls (0x0023, 0x0024), in order.
inline QList<Written> commands()
{
    QList<Written> result;
    for (const Written &w : written()) {
        if (w.code != 0x0023 && w.code != 0x0024)
            result.append(w);
    }
    return result;
}

inline QList<int> commandCodes()
{
    QList<int> codes;
    for (const Written &w : commands())
        codes.append(w.code);
    return codes;
}

// The record of the virtual controller's 50 mm linear stage, as a panel
// gets it.
inline VelmoDevParam linearStage()
{
    VelmoDevParam param;
    param.name = QStringLiteral("VLS-50");
    param.unitString = QStringLiteral("mm");
    param.minPos = 0;
    param.maxPos = 50;
    param.maxSpeed = 10;
    param.maxAcc = 50;
    param.maxRockerSpeed = 20;
    return param;
}

// Loads the default scenario (or json), opens its controller through the
// service, fills the service's cache for every axis and forgets the frames
// written so far. False when any step fails.
inline bool openController(const char *json = nullptr)
{
    SerialComDev *service = SerialComDev::instance();
    service->closeDevice();
    if (vsim_load_scenario(json) != VSIM_OK)
        return false;
    if (service->openDevice(kId) != kId)
        return false;
    service->setConnected(true);
    const int axes = service->getDevAxisCount();
    for (int axis = 0; axis < axes; ++axis) {
        if (service->initAxis(axis) != 0)
            return false;
    }
    vsim_clear_written(kId);
    return true;
}

// Answers the next styled message box: records its text, then confirms or
// cancels it. Set up before the click that opens the box.
class MessageBoxAnswer : public QObject
{
public:
    explicit MessageBoxAnswer(bool confirm) : m_confirm(confirm)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    QString text() const { return m_text; }
    bool seen() const { return m_seen; }

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        m_timer.stop();
        m_seen = true;
        m_text = box->text();
        for (QAbstractButton *button : box->buttons()) {
            const QMessageBox::ButtonRole role = box->buttonRole(button);
            const bool accepts = role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
            if (accepts == m_confirm) {
                button->click();
                return;
            }
        }
    }

    QTimer m_timer;
    bool m_confirm;
    bool m_seen = false;
    QString m_text;
};

} // namespace panelharness

#pragma once

#include <QByteArray>

namespace velmo {

// Cuts the controller's IN byte stream into reply frames.
//
// Bytes that cannot start a reply are skipped up to the next 0xAA; a frame is
// cut once its header and N + 10 bytes are present. The pending buffer never
// holds more than one maximal frame (65545 bytes) plus the last chunk, so a
// hostile stream cannot grow memory without bound.
class FrameSplitter
{
public:
    void append(const char *bytes, int length);

    // Cuts the next complete frame off the front; false when none is complete.
    bool takeFrame(QByteArray &frame);

    void clear();
    int pendingBytes() const { return m_buffer.size() - m_start; }

private:
    void compact();

    QByteArray m_buffer;
    int m_start = 0; // bytes before this offset are consumed
};

} // namespace velmo

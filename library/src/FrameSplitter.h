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
    // Candidates up to this length whose checksum fails are treated as a
    // false start: junk that happens to end in AA 55 must not swallow the
    // genuine reply behind it. Longer ones are cut and dropped whole, which
    // bounds the cost of checking a hostile stream.
    static constexpr int kRescanLimit = 1024 + 10;

    enum class Cut {
        None,      // no complete frame yet
        Frame,     // `frame` is the next frame, cut off the buffer
        FalseStart // `frame` failed its checksum; only its first byte was consumed
    };

    void append(const char *bytes, int length);

    // Takes the next frame (or false start) off the front.
    Cut next(QByteArray &frame);

    void clear();
    int pendingBytes() const { return m_buffer.size() - m_start; }

private:
    void compact();

    QByteArray m_buffer;
    int m_start = 0; // bytes before this offset are consumed
};

} // namespace velmo

#pragma once

#include <QByteArray>

namespace velmo {

// Cuts the controller's IN byte stream into reply frames.
//
// Bytes that cannot start a reply are skipped up to the next 0xAA; a frame is
// cut once its header and N + 10 bytes are present. No reply of the protocol
// carries more than 164 data bytes, so a header announcing more than
// kMaxDataLength is noise and costs only its first byte; likewise a short
// candidate whose checksum fails. Junk that happens to contain AA 55 can thus
// neither swallow the genuine reply behind it nor hold the stream hostage
// while it waits for a length it made up. The pending buffer stays below one
// chunk plus one maximal frame.
class FrameSplitter
{
public:
    static constexpr int kMaxDataLength = 256;

    enum class Cut {
        None,        // no complete frame yet
        Frame,       // `frame` is the next frame, cut off the buffer
        BadChecksum, // `frame` failed its checksum; only its first byte was consumed
        BadHeader    // `frame` is a header announcing too much data; its first byte was consumed
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

#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace velmo {

// Binary frames exchanged with the controller.
//
// Request: 55 AA | code (LE) | N (LE) | N data bytes | checksum (BE)
// Reply:   AA 55 | code (LE) | status (LE) | N (LE) | N data bytes | checksum (BE)
class FrameCodec
{
public:
    static constexpr int kRequestOverhead = 8;
    static constexpr int kReplyOverhead = 10;
    static constexpr int kReplyHeader = 8;

    // Validation results of a copied reply, checked in this order.
    enum ReplyCheck {
        ReplyOk = 0,
        ReplyBadMagic = -1,  // also what a time-out leaves behind (zero buffer)
        ReplyRefused = -2,   // non-zero status word
        ReplyBadLength = -3, // data length differs from the expected one
        ReplyBadChecksum = -4
    };

    // XOR of the bytes taken as big-endian 16-bit words; an odd last byte is
    // paired with a zero low byte.
    static quint16 checksum(const quint8 *bytes, std::size_t length);

    static QByteArray buildRequest(quint16 code, const void *payload, int length);

    // True when the last two bytes match the checksum of the whole frame or
    // of the frame without its two magic bytes; the reader accepts both.
    static bool readerAccepts(const QByteArray &frame);

    static quint16 replyCode(const QByteArray &frame);

    // Validates a reply buffer of expectedLength + 10 bytes.
    static ReplyCheck validateReply(const QByteArray &reply, int expectedLength);
};

} // namespace velmo

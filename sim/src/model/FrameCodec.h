// Frame layout of the controller's bulk protocol: requests carry magic 55 AA,
// code, length, data and an XOR checksum; replies add a status word and use
// the magic AA 55.
#ifndef VELMO_SIM_FRAMECODEC_H
#define VELMO_SIM_FRAMECODEC_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct RequestFrame {
    std::uint16_t code = 0;
    Bytes payload;
};

class FrameCodec
{
public:
    static constexpr std::size_t RequestOverhead = 8;
    static constexpr std::size_t ReplyOverhead = 10;

    // XOR of big-endian 16-bit words; an odd last byte is the high byte of a word.
    static std::uint16_t checksum(const std::uint8_t *bytes, std::size_t length);

    // Empty when the bytes are not exactly one well-formed request frame.
    static std::optional<RequestFrame> parseRequest(const std::uint8_t *bytes, std::size_t length);

    static Bytes buildRequest(std::uint16_t code, const Bytes &payload);
    static Bytes buildReply(std::uint16_t code, std::uint16_t status, const Bytes &data);

    // Rewrites the trailing checksum of a reply after its content was changed.
    static void resealReply(Bytes &frame);

    static void putU16(Bytes &out, std::uint16_t value);
    static void putU32(Bytes &out, std::uint32_t value);
    static void putDouble(Bytes &out, double value);
    static std::uint16_t u16At(const std::uint8_t *bytes);
    static std::uint32_t u32At(const std::uint8_t *bytes);
    static double doubleAt(const std::uint8_t *bytes);
};

#endif

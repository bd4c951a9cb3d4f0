#include "FrameCodec.h"

#include <cstring>

std::uint16_t FrameCodec::checksum(const std::uint8_t *bytes, std::size_t length)
{
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < length; i += 2) {
        const std::uint16_t high = bytes[i];
        const std::uint16_t low = (i + 1 < length) ? bytes[i + 1] : 0;
        sum ^= static_cast<std::uint16_t>((high << 8) | low);
    }
    return sum;
}

std::optional<RequestFrame> FrameCodec::parseRequest(const std::uint8_t *bytes, std::size_t length)
{
    if (bytes == nullptr || length < RequestOverhead)
        return std::nullopt;
    if (bytes[0] != 0x55 || bytes[1] != 0xAA)
        return std::nullopt;
    const std::size_t dataLength = u16At(bytes + 4);
    if (length != dataLength + RequestOverhead)
        return std::nullopt;
    const std::size_t covered = 6 + dataLength;
    const std::uint16_t sent = static_cast<std::uint16_t>((bytes[covered] << 8) | bytes[covered + 1]);
    if (sent != checksum(bytes, covered))
        return std::nullopt;
    RequestFrame frame;
    frame.code = u16At(bytes + 2);
    frame.payload.assign(bytes + 6, bytes + covered);
    return frame;
}

static void appendChecksum(Bytes &frame)
{
    const std::uint16_t sum = FrameCodec::checksum(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
}

Bytes FrameCodec::buildRequest(std::uint16_t code, const Bytes &payload)
{
    Bytes frame{0x55, 0xAA};
    putU16(frame, code);
    putU16(frame, static_cast<std::uint16_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    appendChecksum(frame);
    return frame;
}

Bytes FrameCodec::buildReply(std::uint16_t code, std::uint16_t status, const Bytes &data)
{
    Bytes frame{0xAA, 0x55};
    putU16(frame, code);
    putU16(frame, status);
    putU16(frame, static_cast<std::uint16_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    appendChecksum(frame);
    return frame;
}

void FrameCodec::resealReply(Bytes &frame)
{
    if (frame.size() < ReplyOverhead)
        return;
    frame.resize(frame.size() - 2);
    appendChecksum(frame);
}

void FrameCodec::putU16(Bytes &out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void FrameCodec::putU32(Bytes &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void FrameCodec::putDouble(Bytes &out, double value)
{
    std::uint8_t raw[sizeof(double)];
    std::memcpy(raw, &value, sizeof raw); // the wire carries the host's IEEE 754 little-endian image
    out.insert(out.end(), raw, raw + sizeof raw);
}

std::uint16_t FrameCodec::u16At(const std::uint8_t *bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t FrameCodec::u32At(const std::uint8_t *bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8)
        | (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

double FrameCodec::doubleAt(const std::uint8_t *bytes)
{
    double value = 0.0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

#include "FrameCodec.h"

#include <cstring>

namespace velmo {

namespace {
quint16 readLe16(const QByteArray &bytes, int offset)
{
    return quint16(quint8(bytes.at(offset)) | (quint8(bytes.at(offset + 1)) << 8));
}

quint16 readBe16(const QByteArray &bytes, int offset)
{
    return quint16((quint8(bytes.at(offset)) << 8) | quint8(bytes.at(offset + 1)));
}
} // namespace

quint16 FrameCodec::checksum(const quint8 *bytes, std::size_t length)
{
    quint16 sum = 0;
    std::size_t i = 0;
    for (; i + 1 < length; i += 2)
        sum ^= quint16((bytes[i] << 8) | bytes[i + 1]);
    if (i < length)
        sum ^= quint16(bytes[i] << 8);
    return sum;
}

QByteArray FrameCodec::buildRequest(quint16 code, const void *payload, int length)
{
    if (payload == nullptr || length < 0)
        length = 0;
    QByteArray frame(kRequestOverhead + length, '\0');
    auto *out = reinterpret_cast<quint8 *>(frame.data());
    out[0] = 0x55;
    out[1] = 0xAA;
    out[2] = quint8(code & 0xFF);
    out[3] = quint8(code >> 8);
    out[4] = quint8(length & 0xFF);
    out[5] = quint8((length >> 8) & 0xFF);
    if (length > 0)
        std::memcpy(out + 6, payload, std::size_t(length));
    const quint16 sum = checksum(out, std::size_t(6 + length));
    out[6 + length] = quint8(sum >> 8);
    out[7 + length] = quint8(sum & 0xFF);
    return frame;
}

bool FrameCodec::readerAccepts(const QByteArray &frame)
{
    if (frame.size() < 4)
        return false;
    const auto *bytes = reinterpret_cast<const quint8 *>(frame.constData());
    const std::size_t body = std::size_t(frame.size() - 2);
    const quint16 received = readBe16(frame, frame.size() - 2);
    return received == checksum(bytes, body) || received == checksum(bytes + 2, body - 2);
}

quint16 FrameCodec::replyCode(const QByteArray &frame)
{
    return frame.size() >= 4 ? readLe16(frame, 2) : 0;
}

FrameCodec::ReplyCheck FrameCodec::validateReply(const QByteArray &reply, int expectedLength)
{
    if (reply.size() < kReplyOverhead || quint8(reply.at(0)) != 0xAA || quint8(reply.at(1)) != 0x55)
        return ReplyBadMagic;
    if (readLe16(reply, 4) != 0)
        return ReplyRefused;
    const int length = readLe16(reply, 6);
    if (length != expectedLength || reply.size() < length + kReplyOverhead)
        return ReplyBadLength;
    const auto *bytes = reinterpret_cast<const quint8 *>(reply.constData());
    if (readBe16(reply, kReplyHeader + length) != checksum(bytes, std::size_t(kReplyHeader + length)))
        return ReplyBadChecksum;
    return ReplyOk;
}

} // namespace velmo

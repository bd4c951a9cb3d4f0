#include "ReplyScript.h"

#include "FrameCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

namespace {
ReplyScript *activeScript = nullptr;
}

ReplyScript::ReplyScript(FuzzedDataProvider &provider) : m_provider(provider)
{
    activeScript = this;
}

ReplyScript::~ReplyScript()
{
    activeScript = nullptr;
}

ReplyScript *ReplyScript::current()
{
    return activeScript;
}

int ReplyScript::deliver(quint16 code, char *dest, int totalLength)
{
    if (m_provider.remaining_bytes() == 0 || totalLength < velmo::FrameCodec::kReplyOverhead)
        return 0;
    const int form = m_provider.ConsumeIntegral<quint8>() % 4;
    if (form == 0)
        return 0;
    if (form == 1) {
        const std::vector<quint8> raw = m_provider.ConsumeBytes<quint8>(std::size_t(totalLength));
        if (!raw.empty())
            std::memcpy(dest, raw.data(), raw.size());
        return int(raw.size());
    }
    const int dataLength = totalLength - velmo::FrameCodec::kReplyOverhead;
    const quint16 status = form == 3 ? m_provider.ConsumeIntegral<quint16>() : 0;
    auto *out = reinterpret_cast<quint8 *>(dest);
    out[0] = 0xAA;
    out[1] = 0x55;
    out[2] = quint8(code & 0xFF);
    out[3] = quint8(code >> 8);
    out[4] = quint8(status & 0xFF);
    out[5] = quint8(status >> 8);
    out[6] = quint8(dataLength & 0xFF);
    out[7] = quint8(dataLength >> 8);
    const std::vector<quint8> data = m_provider.ConsumeBytes<quint8>(std::size_t(dataLength));
    if (!data.empty())
        std::memcpy(out + velmo::FrameCodec::kReplyHeader, data.data(), data.size());
    const quint16 sum = velmo::FrameCodec::checksum(out, std::size_t(velmo::FrameCodec::kReplyHeader + dataLength));
    out[velmo::FrameCodec::kReplyHeader + dataLength] = quint8(sum >> 8);
    out[velmo::FrameCodec::kReplyHeader + dataLength + 1] = quint8(sum & 0xFF);
    return totalLength;
}

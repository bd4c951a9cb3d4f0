#include "CommandExchange.h"
#include "LogCategories.h"

#include "FrameCodec.h"
#include "LibusbTransfer.h"
#include "LogText.h"
#include "deviceMgr.h"

#include <cstring>

namespace velmo {

int CommandExchange::sendRequest(int id, quint16 code, const void *payload, int length)
{
    const QByteArray frame = FrameCodec::buildRequest(code, payload, length);
    const auto channel = deviceMgr::instance()->channel(id);
    if (!channel)
        return -1;
    return channel->send(code, frame);
}

int CommandExchange::receiveReply(int id, quint16 code, void *dest, int expectedLength)
{
    if (expectedLength < 0)
        expectedLength = 0;
    const int total = expectedLength + FrameCodec::kReplyOverhead;
    QByteArray reply(total, '\0');
    const auto channel = deviceMgr::instance()->channel(id);
    if (!channel)
        return -1;
    channel->readReply(code, reply.data(), total, kReplyTimeoutMs);
    const int result = FrameCodec::validateReply(reply, expectedLength);
    qCDebug(lcExchange).noquote() << 172 << result << LogText::hexPairs(reply);
    if (result == FrameCodec::ReplyOk && dest != nullptr && expectedLength > 0)
        std::memcpy(dest, reply.constData() + FrameCodec::kReplyHeader, std::size_t(expectedLength));
    return result;
}

CommandExchange::Outcome CommandExchange::exchange(int id, quint16 code, const QByteArray &payload, void *dest,
                                                   int expectedLength)
{
    if (sendRequest(id, code, payload.isEmpty() ? nullptr : payload.constData(), payload.size()) < 0)
        return NotSent;
    if (receiveReply(id, code, dest, expectedLength) < 0)
        return NoValidReply;
    return Done;
}

} // namespace velmo

#pragma once

#include <QByteArray>

namespace velmo {

// The request/reply exchange behind every device export.
class CommandExchange
{
public:
    static constexpr int kReplyTimeoutMs = 200;

    // Export-level outcome of one exchange.
    enum Outcome { Done = 0, NotSent = -1, NoValidReply = -2 };

    // Builds and writes the request: 0, -1 (no open channel), -2 (short write).
    static int sendRequest(int id, quint16 code, const void *payload, int length);

    // Waits for and validates the reply; on success copies its data bytes
    // to dest (when given). Returns 0 or the validation failure -1 .. -4.
    static int receiveReply(int id, quint16 code, void *dest, int expectedLength);

    // sendRequest followed by receiveReply, folded into an Outcome.
    static Outcome exchange(int id, quint16 code, const QByteArray &payload, void *dest, int expectedLength);
};

} // namespace velmo

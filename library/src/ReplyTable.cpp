#include "ReplyTable.h"
#include "LogCategories.h"

#include "LogText.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velmo {

void ReplyTable::forgetLostReplies(Owed &owed, Clock::time_point now)
{
    const auto limit = std::chrono::milliseconds(kLateReplyLimitMs);
    while (!owed.sentAt.empty() && now - owed.sentAt.front() >= limit)
        owed.sentAt.pop_front();
}

void ReplyTable::noteRequest(quint16 code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Owed &owed = m_owed[code];
    const auto now = Clock::now();
    forgetLostReplies(owed, now);
    owed.untrusted = !owed.sentAt.empty();
    if (owed.untrusted)
        qCDebug(lcExchange).noquote() << "request" << QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0'))
                                      << "sent while" << owed.sentAt.size()
                                      << "earlier reply(ies) are owed; its reply cannot be told apart";
    owed.sentAt.push_back(now);
}

void ReplyTable::withdrawRequest(quint16 code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_owed.find(code);
    if (it != m_owed.end() && !it->second.sentAt.empty())
        it->second.sentAt.pop_back();
}

bool ReplyTable::answer(quint16 code)
{
    auto it = m_owed.find(code);
    if (it == m_owed.end())
        return false; // nothing asked for this code: filed as it comes
    Owed &owed = it->second;
    const auto now = Clock::now();
    forgetLostReplies(owed, now);
    if (owed.sentAt.empty())
        return owed.untrusted;
    const auto sinceNewest = now - owed.sentAt.back();
    const auto prompt = std::max<Clock::duration>(std::chrono::milliseconds(kPromptReplyMs), 3 * m_usualReplyTime);
    if (owed.sentAt.size() > 1 && sinceNewest > prompt) {
        owed.sentAt.pop_front();
    } else {
        if (!owed.untrusted)
            m_usualReplyTime += (sinceNewest - m_usualReplyTime) / 8;
        owed.sentAt.pop_back();
    }
    return owed.untrusted;
}

void ReplyTable::noteBrokenReply(quint16 code)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        answer(code);
    }
    m_filed.notify_all();
}

bool ReplyTable::replyUntrusted(quint16 code) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_owed.find(code);
    return it != m_owed.end() && it->second.untrusted;
}

bool ReplyTable::store(quint16 code, const QByteArray &frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (answer(code)) {
            qCDebug(lcExchange).noquote() << "reply dropped: an earlier request of its code is still owed a reply"
                                          << LogText::hexPairs(frame.left(8));
            m_filed.notify_all();
            return true;
        }
        auto it = m_frames.find(code);
        const int replaced = it != m_frames.end() ? it->second.size() : 0;
        if (m_storedBytes - replaced + frame.size() > kMaxStoredBytes)
            return false;
        m_storedBytes += frame.size() - replaced;
        m_frames[code] = frame;
    }
    m_filed.notify_all();
    return true;
}

void ReplyTable::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
    m_storedBytes = 0;
}

int ReplyTable::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_frames.size());
}

int ReplyTable::waitFor(quint16 code, char *dest, int expectedLength, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    int reportedLength = -1; // log a wrong-length entry once, not on every wake-up
    for (;;) {
        const auto owed = m_owed.find(code);
        if (owed != m_owed.end() && owed->second.untrusted) {
            // Nothing that comes can be trusted; stop waiting once every
            // owed reply is in, so that the next request starts clean.
            forgetLostReplies(owed->second, Clock::now());
            if (owed->second.sentAt.empty()) {
                qCWarning(lcExchange).noquote() << "readFuncReplyData" << LogText::clockTime()
                                                << "reply not taken: it may answer an earlier request";
                return 0;
            }
        }
        auto it = m_frames.find(code);
        if (it != m_frames.end()) {
            const int length = it->second.size();
            if (length == expectedLength) {
                if (dest != nullptr)
                    std::memcpy(dest, it->second.constData(), std::size_t(length));
                m_storedBytes -= length;
                m_frames.erase(it);
                return length;
            }
            if (length != reportedLength) {
                reportedLength = length;
                qCWarning(lcExchange).noquote() << "readFuncReplyData" << length << expectedLength
                                   << "find func, but len error"
                                   << QStringLiteral("func: %1").arg(code, 2, 16, QLatin1Char(' '));
            }
        }
        if (m_filed.wait_until(lock, deadline) == std::cv_status::timeout && Clock::now() >= deadline) {
            // One last look: a frame filed exactly at the deadline still counts.
            auto last = m_frames.find(code);
            if (last != m_frames.end() && last->second.size() == expectedLength)
                continue;
            qCWarning(lcExchange).noquote() << "readFuncReplyData" << LogText::clockTime() << "未收到控制指令回复";
            return 0;
        }
    }
}

} // namespace velmo

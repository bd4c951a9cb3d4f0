#include "ReplyTable.h"
#include "LogCategories.h"

#include "LogText.h"

#include <chrono>
#include <cstring>

namespace velmo {

bool ReplyTable::store(quint16 code, const QByteArray &frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
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

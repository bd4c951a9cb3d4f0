#include "InStream.h"

#include <algorithm>
#include <cstring>

void InStream::push(Chunk chunk)
{
    if (chunk.bytes.empty())
        return;
    m_total += chunk.bytes.size();
    if (chunk.reply)
        ++m_replyChunks;
    // Stable insertion: a chunk ready later than its successors goes behind them.
    auto at = std::upper_bound(m_chunks.begin(), m_chunks.end(), chunk.readyAt,
                               [](SteadyTime time, const Chunk &c) { return time < c.readyAt; });
    m_chunks.insert(at, std::move(chunk));
    while (m_total > m_capacity && !m_chunks.empty()) {
        Chunk &oldest = m_chunks.front();
        const std::size_t excess = m_total - m_capacity;
        if (oldest.bytes.size() <= excess) {
            m_total -= oldest.bytes.size();
            if (oldest.reply)
                --m_replyChunks;
            m_chunks.pop_front();
        } else {
            oldest.bytes.erase(oldest.bytes.begin(), oldest.bytes.begin() + static_cast<std::ptrdiff_t>(excess));
            m_total -= excess;
        }
    }
}

std::size_t InStream::read(std::uint8_t *buffer, std::size_t capacity, SteadyTime now)
{
    std::size_t copied = 0;
    while (copied < capacity && !m_chunks.empty() && m_chunks.front().readyAt <= now) {
        Chunk &chunk = m_chunks.front();
        const std::size_t take = std::min(capacity - copied, chunk.bytes.size());
        std::memcpy(buffer + copied, chunk.bytes.data(), take);
        copied += take;
        m_total -= take;
        if (take < chunk.bytes.size()) {
            chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + static_cast<std::ptrdiff_t>(take));
            break;
        }
        const bool endsRead = chunk.endsRead;
        if (chunk.reply)
            --m_replyChunks;
        m_chunks.pop_front();
        if (endsRead)
            break;
    }
    return copied;
}

std::optional<SteadyTime> InStream::nextReadyAt() const
{
    if (m_chunks.empty())
        return std::nullopt;
    return m_chunks.front().readyAt;
}

void InStream::clear()
{
    m_chunks.clear();
    m_total = 0;
    m_replyChunks = 0;
}

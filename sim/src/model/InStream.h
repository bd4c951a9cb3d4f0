// The bytes waiting on a controller's bulk IN endpoint. Each chunk becomes
// readable at its own time; a read returns the readable bytes as one stream
// unless a chunk is marked to end the read (a reply split over several reads).
#ifndef VELMO_SIM_INSTREAM_H
#define VELMO_SIM_INSTREAM_H

#include "FrameCodec.h"

#include <chrono>
#include <deque>
#include <optional>

using SteadyTime = std::chrono::steady_clock::time_point;

class InStream
{
public:
    static constexpr std::size_t DefaultCapacity = 4u << 20;

    struct Chunk {
        SteadyTime readyAt;
        Bytes bytes;
        bool endsRead = false;
        bool reply = false; // part of an answer the host asked for, not raw pushed bytes
    };

    explicit InStream(std::size_t capacity = DefaultCapacity) : m_capacity(capacity) {}

    // Kept in order of readiness; beyond the capacity the oldest bytes are dropped.
    void push(Chunk chunk);

    // Copies readable bytes into buffer; returns how many.
    std::size_t read(std::uint8_t *buffer, std::size_t capacity, SteadyTime now);

    std::optional<SteadyTime> nextReadyAt() const;
    std::size_t pendingBytes() const { return m_total; }
    // True while any part of a reply is queued, readable or not.
    bool holdsReply() const { return m_replyChunks > 0; }
    void clear();

private:
    std::deque<Chunk> m_chunks;
    std::size_t m_total = 0;
    std::size_t m_replyChunks = 0;
    std::size_t m_capacity;
};

#endif

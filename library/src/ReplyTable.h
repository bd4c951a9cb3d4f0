#pragma once

#include <QByteArray>
#include <condition_variable>
#include <map>
#include <mutex>

namespace velmo {

// Replies filed by function code, one frame per code; a later frame with the
// same code replaces the stored one. The reader thread stores, the caller's
// thread waits, takes and clears. Waiters are woken as soon as a frame is filed.
class ReplyTable
{
public:
    // Upper bound of the bytes held; frames beyond it are dropped, so a
    // controller flooding distinct codes cannot exhaust memory.
    static constexpr int kMaxStoredBytes = 4 * 1024 * 1024;

    // Files a frame under its code; false when it was dropped for space.
    bool store(quint16 code, const QByteArray &frame);
    void clear();
    int size() const;

    // Waits up to timeoutMs for a frame of this code and exactly
    // expectedLength bytes; copies it to dest, removes it and returns its
    // length, or returns 0 on time-out with dest untouched. A frame of the
    // right code but another length is logged and left in place.
    int waitFor(quint16 code, char *dest, int expectedLength, int timeoutMs);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_filed;
    std::map<quint16, QByteArray> m_frames;
    int m_storedBytes = 0;
};

} // namespace velmo

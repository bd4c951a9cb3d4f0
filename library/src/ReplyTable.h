#pragma once

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace velmo {

// Replies filed by function code, one frame per code; a later frame with the
// same code replaces the stored one. The reader thread stores, the caller's
// thread waits, takes and clears. Waiters are woken as soon as a frame is filed.
//
// Replies carry no sequence number, only the request's code, so a reply that
// comes after its request gave up looks exactly like the reply to the next
// request of that code. The table therefore counts, per code, the requests
// still owed a reply (noteRequest). A request sent while an earlier one of
// its code is still owed cannot tell its reply from the late one: every frame
// of that code is dropped until the next request, and the wait fails as soon
// as all owed replies are in (or at its time-out) instead of handing over a
// value the controller may no longer hold. Each frame that comes pays one
// owed request: the newest when it comes about as fast as replies usually
// do (it is most likely that request's own), else the oldest (replies are
// running late). A reply not seen within kLateReplyLimitMs of the request it
// is counted against is taken as lost.
class ReplyTable
{
public:
    // Upper bound of the bytes held; frames beyond it are dropped, so a
    // controller flooding distinct codes cannot exhaust memory.
    static constexpr int kMaxStoredBytes = 4 * 1024 * 1024;
    static constexpr int kLateReplyLimitMs = 1000;
    // A frame later than this after the newest request (or three times the
    // usual reply time, if longer) is taken for an older request's reply.
    static constexpr int kPromptReplyMs = 20;

    // A request of this code is about to go out.
    void noteRequest(quint16 code);
    // The request noted last for this code did not go out after all.
    void withdrawRequest(quint16 code);
    // A frame of this code came in broken (bad checksum): it answered a
    // request all the same, though it cannot be filed.
    void noteBrokenReply(quint16 code);
    // Whether frames of this code are being dropped for the current request.
    bool replyUntrusted(quint16 code) const;

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
    using Clock = std::chrono::steady_clock;
    // Requests of one code not yet answered, oldest first, and whether the
    // newest of them went out while an older one was still owed.
    struct Owed
    {
        std::deque<Clock::time_point> sentAt;
        bool untrusted = false;
    };

    // Both run with m_mutex held. answer() takes the request a frame of
    // this code pays off the owed list and says whether the frame must be
    // dropped.
    void forgetLostReplies(Owed &owed, Clock::time_point now);
    bool answer(quint16 code);

    mutable std::mutex m_mutex;
    std::map<quint16, Owed> m_owed;
    Clock::duration m_usualReplyTime{}; // running average of trusted replies
    std::condition_variable m_filed;
    std::map<quint16, QByteArray> m_frames;
    int m_storedBytes = 0;
};

} // namespace velmo

#pragma once
// Aborts the process when one library call takes far longer than any
// exchange may: a hung call must fail the run, not stall it until the test
// runner gives up. Also keeps the longest call seen.

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class CallWatchdog
{
public:
    explicit CallWatchdog(int limitMs) : m_limitMs(limitMs), m_thread([this] { watch(); }) {}
    ~CallWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    CallWatchdog(const CallWatchdog &) = delete;
    CallWatchdog &operator=(const CallWatchdog &) = delete;

    void begin(const char *name)
    {
        m_name.store(name);
        m_startedNs.store(nowNs());
    }
    void end()
    {
        const qint64 took = nowNs() - m_startedNs.exchange(0);
        if (took > m_longestNs.load())
            m_longestNs.store(took);
    }
    qint64 longestMs() const { return m_longestNs.load() / 1000000; }

private:
    static qint64 nowNs()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch()).count();
    }

    void watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_stopping; })) {
            const qint64 started = m_startedNs.load();
            if (started != 0 && nowNs() - started > qint64(m_limitMs) * 1000000) {
                std::fprintf(stderr, "soak: %s hung for more than %d ms\n", m_name.load(), m_limitMs);
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    const int m_limitMs;
    std::atomic<const char *> m_name{""};
    std::atomic<qint64> m_startedNs{0};
    std::atomic<qint64> m_longestNs{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

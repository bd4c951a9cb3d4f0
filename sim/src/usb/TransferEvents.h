// libusb's asynchronous transfers on the virtual bus. Submitted transfers wait
// here; they complete, and their callbacks run, only inside the event
// handling call of whichever thread handles events, as with the real library:
// one thread at a time handles events, the others wait for it to finish a
// round. Event handling sleeps on a condition variable until a transfer can
// complete, its time-out passes, or it is interrupted.
#ifndef VELMO_SIM_TRANSFEREVENTS_H
#define VELMO_SIM_TRANSFEREVENTS_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

struct libusb_transfer;

class TransferEvents
{
public:
    using Clock = std::chrono::steady_clock;

    static TransferEvents &instance();

    TransferEvents();

    // libusb_submit_transfer / libusb_cancel_transfer: a libusb error code.
    int submit(libusb_transfer *transfer);
    int cancel(libusb_transfer *transfer);
    // Forgets a transfer that is freed while still submitted (a host error),
    // so that no later round touches freed memory.
    void forget(libusb_transfer *transfer);

    // One call of libusb_handle_events_timeout_completed: handles one round
    // of completions or waits for the thread that does, at most until the
    // deadline; returns at once when *completed is set (completed may be null).
    int handle(Clock::time_point deadline, int *completed);
    // libusb_interrupt_event_handler: the active (or next) round returns.
    void interrupt();

    // How many event handling calls have returned so far.
    std::uint64_t returns() const;

private:
    struct Pending {
        libusb_transfer *transfer = nullptr;
        Clock::time_point expiresAt; // max() without a time-out
        bool cancelled = false;
    };
    struct Finished {
        libusb_transfer *transfer = nullptr;
        int status = 0;
        int transferred = 0;
    };

    void runRound(Clock::time_point deadline);
    // Whether the transfer can end now; fills finished when it does.
    bool tryComplete(const Pending &pending, Clock::time_point now, Finished *finished);
    Clock::time_point nextWake(const std::vector<Pending> &pending, Clock::time_point deadline) const;
    void busActivity();

    // Guards the submitted transfers, the generation and the interrupt flag;
    // the handling thread sleeps on m_changed.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Pending> m_pending;
    std::uint64_t m_generation = 0; // bumped on every change that may end a wait
    bool m_interrupted = false;

    // libusb's event waiters lock: guards the handler role and is held while
    // callbacks run, so a waiter reads its completed flag race-free.
    mutable std::mutex m_waitersMutex;
    std::condition_variable m_roundDone;
    bool m_handlerActive = false;
    std::uint64_t m_returns = 0;
};

#endif

#include "TransferEvents.h"

#pragma GCC visibility push(default)
#include <libusb.h>
#pragma GCC visibility pop

#include "LibusbObjects.h"

#include <algorithm>

namespace {

// Set while this thread runs transfer callbacks: handling events from inside
// a callback would wait for itself.
thread_local bool inCallback = false;

int statusOf(VirtualBus::Result result)
{
    switch (result) {
    case VirtualBus::Result::Ok: return LIBUSB_TRANSFER_COMPLETED;
    case VirtualBus::Result::NoDevice: return LIBUSB_TRANSFER_NO_DEVICE;
    case VirtualBus::Result::Pipe: return LIBUSB_TRANSFER_STALL;
    default: return LIBUSB_TRANSFER_ERROR;
    }
}

} // namespace

TransferEvents &TransferEvents::instance()
{
    // Never destroyed, like the bus: reader threads may still handle events
    // while the process runs its exit handlers.
    static TransferEvents *events = new TransferEvents;
    return *events;
}

TransferEvents::TransferEvents()
{
    VirtualBus::instance().setActivityListener([this] { busActivity(); });
}

int TransferEvents::submit(libusb_transfer *transfer)
{
    if (transfer == nullptr || transfer->dev_handle == nullptr || transfer->length < 0
        || (transfer->length > 0 && transfer->buffer == nullptr))
        return LIBUSB_ERROR_INVALID_PARAM;
    if (transfer->type != LIBUSB_TRANSFER_TYPE_BULK)
        return LIBUSB_ERROR_NOT_SUPPORTED;
    Pending pending;
    pending.transfer = transfer;
    pending.expiresAt = transfer->timeout == 0 ? Clock::time_point::max()
                                               : Clock::now() + std::chrono::milliseconds(transfer->timeout);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Pending &other : m_pending) {
        if (other.transfer == transfer)
            return LIBUSB_ERROR_BUSY;
    }
    m_pending.push_back(pending);
    ++m_generation;
    m_changed.notify_all();
    return LIBUSB_SUCCESS;
}

int TransferEvents::cancel(libusb_transfer *transfer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Pending &pending : m_pending) {
        if (pending.transfer != transfer)
            continue;
        if (pending.cancelled)
            return LIBUSB_ERROR_NOT_FOUND;
        pending.cancelled = true;
        ++m_generation;
        m_changed.notify_all();
        return LIBUSB_SUCCESS;
    }
    return LIBUSB_ERROR_NOT_FOUND;
}

void TransferEvents::forget(libusb_transfer *transfer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [transfer](const Pending &pending) { return pending.transfer == transfer; }),
                    m_pending.end());
}

void TransferEvents::interrupt()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_interrupted = true;
    ++m_generation;
    m_changed.notify_all();
}

void TransferEvents::busActivity()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_generation;
    m_changed.notify_all();
}

std::uint64_t TransferEvents::returns() const
{
    std::lock_guard<std::mutex> lock(m_waitersMutex);
    return m_returns;
}

int TransferEvents::handle(Clock::time_point deadline, int *completed)
{
    if (inCallback)
        return LIBUSB_ERROR_BUSY;
    std::unique_lock<std::mutex> waiters(m_waitersMutex);
    if (m_handlerActive) {
        // Another thread handles events; its round may complete our transfer.
        m_roundDone.wait_until(waiters, deadline,
                               [&] { return !m_handlerActive || (completed != nullptr && *completed); });
        ++m_returns;
        return LIBUSB_SUCCESS;
    }
    if (completed != nullptr && *completed) {
        ++m_returns;
        return LIBUSB_SUCCESS;
    }
    m_handlerActive = true;
    waiters.unlock();
    runRound(deadline);
    waiters.lock();
    m_handlerActive = false;
    ++m_returns;
    m_roundDone.notify_all();
    return LIBUSB_SUCCESS;
}

void TransferEvents::runRound(Clock::time_point deadline)
{
    for (;;) {
        std::vector<Pending> snapshot;
        std::uint64_t generation = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_interrupted) {
                m_interrupted = false;
                return;
            }
            snapshot = m_pending;
            generation = m_generation;
        }
        // The bus is asked without m_mutex: it calls busActivity() under its own lock.
        const Clock::time_point now = Clock::now();
        std::vector<Finished> finished;
        for (const Pending &pending : snapshot) {
            Finished done;
            if (tryComplete(pending, now, &done))
                finished.push_back(done);
        }
        if (!finished.empty()) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                // A transfer freed meanwhile (a host error) is dropped, not called back.
                finished.erase(std::remove_if(finished.begin(), finished.end(),
                                              [this](const Finished &done) {
                                                  auto at = std::find_if(m_pending.begin(), m_pending.end(),
                                                                         [&](const Pending &pending) {
                                                                             return pending.transfer == done.transfer;
                                                                         });
                                                  if (at == m_pending.end())
                                                      return true;
                                                  m_pending.erase(at);
                                                  return false;
                                              }),
                               finished.end());
            }
            std::lock_guard<std::mutex> waiters(m_waitersMutex);
            inCallback = true;
            for (const Finished &done : finished) {
                libusb_transfer *transfer = done.transfer;
                transfer->status = static_cast<libusb_transfer_status>(done.status);
                transfer->actual_length = done.transferred;
                const bool freeAfter = transfer->flags & LIBUSB_TRANSFER_FREE_TRANSFER;
                if (transfer->callback != nullptr)
                    transfer->callback(transfer); // may free or resubmit the transfer
                if (freeAfter)
                    libusb_free_transfer(transfer);
            }
            inCallback = false;
            m_roundDone.notify_all();
            return;
        }
        if (now >= deadline)
            return;
        const Clock::time_point wake = nextWake(snapshot, deadline);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_generation == generation && !m_interrupted)
            m_changed.wait_until(lock, wake);
    }
}

bool TransferEvents::tryComplete(const Pending &pending, Clock::time_point now, Finished *finished)
{
    libusb_transfer *transfer = pending.transfer;
    finished->transfer = transfer;
    if (pending.cancelled) {
        finished->status = LIBUSB_TRANSFER_CANCELLED;
        return true;
    }
    const VirtualBus::Session &session = transfer->dev_handle->session;
    const bool in = transfer->endpoint & LIBUSB_ENDPOINT_IN;
    int transferred = 0;
    const VirtualBus::Result result =
        in ? VirtualBus::instance().pollIn(session, transfer->endpoint, transfer->buffer, transfer->length,
                                           &transferred)
           : VirtualBus::instance().bulkOut(session, transfer->endpoint, transfer->buffer, transfer->length,
                                            &transferred);
    if (result == VirtualBus::Result::Timeout) {
        if (now < pending.expiresAt)
            return false;
        finished->status = LIBUSB_TRANSFER_TIMED_OUT;
        return true;
    }
    finished->transferred = transferred;
    finished->status = statusOf(result);
    if (finished->status == LIBUSB_TRANSFER_COMPLETED && in && (transfer->flags & LIBUSB_TRANSFER_SHORT_NOT_OK)
        && transferred < transfer->length)
        finished->status = LIBUSB_TRANSFER_ERROR;
    return true;
}

TransferEvents::Clock::time_point TransferEvents::nextWake(const std::vector<Pending> &pending,
                                                           Clock::time_point deadline) const
{
    Clock::time_point wake = deadline;
    for (const Pending &each : pending) {
        wake = std::min(wake, each.expiresAt);
        if (each.transfer->endpoint & LIBUSB_ENDPOINT_IN) {
            if (const auto ready = VirtualBus::instance().nextInReadyAt(each.transfer->dev_handle->session))
                wake = std::min(wake, *ready);
        }
    }
    return wake;
}

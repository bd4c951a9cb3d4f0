#include "InterruptGuard.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
int g_guardsAlive = 0; // guards nest: a scan holds one around each point's wait

extern "C" void raiseInterruptFlag(int)
{
    g_interrupted = 1;
}

} // namespace

InterruptGuard::InterruptGuard()
{
    // Only the outermost guard starts afresh; an inner one must not lose a
    // Ctrl-C that came between two waits.
    if (g_guardsAlive++ == 0)
        g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = raiseInterruptFlag;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

InterruptGuard::~InterruptGuard()
{
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
    --g_guardsAlive;
}

bool InterruptGuard::interrupted() const
{
    return g_interrupted != 0;
}

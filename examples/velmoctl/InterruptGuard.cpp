#include "InterruptGuard.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void raiseInterruptFlag(int)
{
    g_interrupted = 1;
}

} // namespace

InterruptGuard::InterruptGuard()
{
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
}

bool InterruptGuard::interrupted() const
{
    return g_interrupted != 0;
}

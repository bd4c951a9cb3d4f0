#pragma once
// While alive, Ctrl-C (SIGINT) and SIGTERM only raise a flag instead of
// ending the process, so a wait loop can stop the axis and close the
// controller properly. The previous handlers come back on destruction.
// Guards nest; the flag is cleared only when the outermost one is created.

#include <csignal>

class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

    bool interrupted() const;

private:
    struct sigaction m_previousInt;
    struct sigaction m_previousTerm;
};

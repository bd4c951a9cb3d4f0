// Armed reply faults of one controller and how they bend a reply on its way
// to the IN endpoint: dropped, delayed, corrupted, wrapped in junk or split.
#ifndef VELMO_SIM_REPLYSHAPER_H
#define VELMO_SIM_REPLYSHAPER_H

#include "InStream.h"
#include "velmoSim.h"

#include <QString>

#include <vector>

struct ArmedFault {
    vsim_fault kind = VSIM_FAULT_NONE;
    int code = 0;   // function code, 0 = any
    int count = -1; // replies left, -1 = until cleared
};

class ReplyShaper
{
public:
    static constexpr std::chrono::milliseconds LateReplyDelay{250};

    // VSIM_FAULT_NONE clears every fault; count 0 disarms that kind for that code.
    void arm(vsim_fault kind, int code, int count);
    void clear() { m_faults.clear(); }
    const std::vector<ArmedFault> &armed() const { return m_faults; }

    // Turns one reply into the chunks that reach the IN endpoint, using up the
    // first armed fault that applies. axisLevel tells whether data starts with
    // an axis echo.
    std::vector<InStream::Chunk> shape(std::uint16_t code, std::uint16_t status, Bytes data, bool axisLevel,
                                       SteadyTime readyAt);

    static bool kindFromName(const QString &name, vsim_fault *kind);
    static bool isValidKind(int kind);

private:
    vsim_fault takeFault(std::uint16_t code);

    std::vector<ArmedFault> m_faults;
};

#endif

#include "ReplyShaper.h"

#include "RefusalStatus.h"

#include <algorithm>

namespace {

struct KindName {
    vsim_fault kind;
    const char *name;
};

const KindName KindNames[] = {
    {VSIM_FAULT_NO_REPLY, "noReply"},
    {VSIM_FAULT_LATE_REPLY, "lateReply"},
    {VSIM_FAULT_WRONG_LENGTH, "wrongLength"},
    {VSIM_FAULT_BAD_CHECKSUM, "badChecksum"},
    {VSIM_FAULT_CHECKSUM_NO_MAGIC, "checksumNoMagic"},
    {VSIM_FAULT_STATUS, "status"},
    {VSIM_FAULT_GARBAGE_BEFORE, "garbageBefore"},
    {VSIM_FAULT_GARBAGE_BETWEEN, "garbageBetween"},
    {VSIM_FAULT_SPLIT, "split"},
    {VSIM_FAULT_TWO_IN_ONE_READ, "twoInOneRead"},
    {VSIM_FAULT_OTHER_AXIS, "otherAxis"},
};

// Junk with stray 0xAA bytes that a receiver has to skip before the real frame.
const Bytes Junk{0x13, 0xAA, 0x00, 0xAA, 0x12, 0x34, 0xAA};

// A well-formed reply under a code no request uses, standing for traffic that
// belongs to nobody.
Bytes unrelatedFrame(std::uint16_t requestCode)
{
    const std::uint16_t code = requestCode == 0x0FFF ? 0x0FFE : 0x0FFF;
    return FrameCodec::buildReply(code, 0, Bytes{0x00, 0x00});
}

void setChecksum(Bytes &frame, std::uint16_t sum)
{
    frame[frame.size() - 2] = static_cast<std::uint8_t>(sum >> 8);
    frame[frame.size() - 1] = static_cast<std::uint8_t>(sum & 0xFF);
}

} // namespace

bool ReplyShaper::isValidKind(int kind)
{
    return kind >= VSIM_FAULT_NONE && kind <= VSIM_FAULT_OTHER_AXIS;
}

bool ReplyShaper::kindFromName(const QString &name, vsim_fault *kind)
{
    for (const KindName &entry : KindNames) {
        if (name == QLatin1String(entry.name)) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

void ReplyShaper::arm(vsim_fault kind, int code, int count)
{
    if (kind == VSIM_FAULT_NONE) {
        m_faults.clear();
        return;
    }
    m_faults.erase(std::remove_if(m_faults.begin(), m_faults.end(),
                                  [&](const ArmedFault &f) { return f.kind == kind && f.code == code; }),
                   m_faults.end());
    if (count != 0)
        m_faults.push_back(ArmedFault{kind, code, count < 0 ? -1 : count});
}

vsim_fault ReplyShaper::takeFault(std::uint16_t code)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->code != 0 && it->code != code)
            continue;
        const vsim_fault kind = it->kind;
        if (it->count > 0 && --it->count == 0)
            m_faults.erase(it);
        return kind;
    }
    return VSIM_FAULT_NONE;
}

std::vector<InStream::Chunk> ReplyShaper::shape(std::uint16_t code, std::uint16_t status, Bytes data, bool axisLevel,
                                                SteadyTime readyAt)
{
    const vsim_fault fault = takeFault(code);
    if (fault == VSIM_FAULT_NO_REPLY)
        return {};
    if (fault == VSIM_FAULT_STATUS)
        status = RefusalStatus::Injected;
    if (fault == VSIM_FAULT_WRONG_LENGTH)
        data.insert(data.end(), {0x00, 0x00});
    if (fault == VSIM_FAULT_OTHER_AXIS && axisLevel && data.size() >= 2) {
        const std::uint16_t axis = static_cast<std::uint16_t>(FrameCodec::u16At(data.data()) + 1);
        data[0] = static_cast<std::uint8_t>(axis & 0xFF);
        data[1] = static_cast<std::uint8_t>(axis >> 8);
    }

    Bytes frame = FrameCodec::buildReply(code, status, data);
    const std::uint16_t fullSum = FrameCodec::checksum(frame.data(), frame.size() - 2);
    // The magic AA 55 is one big-endian word of the checksum; leaving it out flips those bits.
    const std::uint16_t noMagicSum = static_cast<std::uint16_t>(fullSum ^ 0xAA55);
    if (fault == VSIM_FAULT_CHECKSUM_NO_MAGIC)
        setChecksum(frame, noMagicSum);
    if (fault == VSIM_FAULT_BAD_CHECKSUM)
        setChecksum(frame, static_cast<std::uint16_t>(fullSum ^ 0x0101));

    std::vector<InStream::Chunk> chunks;
    switch (fault) {
    case VSIM_FAULT_LATE_REPLY:
        chunks.push_back({readyAt + LateReplyDelay, frame, false});
        break;
    case VSIM_FAULT_GARBAGE_BEFORE: {
        Bytes bytes = Junk;
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        chunks.push_back({readyAt, bytes, true});
        break;
    }
    case VSIM_FAULT_GARBAGE_BETWEEN: {
        Bytes bytes = unrelatedFrame(code);
        bytes.insert(bytes.end(), Junk.begin(), Junk.end());
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        chunks.push_back({readyAt, bytes, true});
        break;
    }
    case VSIM_FAULT_TWO_IN_ONE_READ: {
        Bytes bytes = unrelatedFrame(code);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        chunks.push_back({readyAt, bytes, true});
        break;
    }
    case VSIM_FAULT_SPLIT: {
        // Three pieces, each ending its own read, the middle one cutting through the header.
        const std::size_t first = 3;
        const std::size_t second = std::max<std::size_t>(first + 1, frame.size() / 2);
        chunks.push_back({readyAt, Bytes(frame.begin(), frame.begin() + first), true});
        chunks.push_back({readyAt, Bytes(frame.begin() + first, frame.begin() + static_cast<std::ptrdiff_t>(second)), true});
        chunks.push_back({readyAt, Bytes(frame.begin() + static_cast<std::ptrdiff_t>(second), frame.end()), true});
        break;
    }
    default:
        chunks.push_back({readyAt, frame, false});
        break;
    }
    return chunks;
}

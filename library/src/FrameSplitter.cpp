#include "FrameSplitter.h"

#include "FrameCodec.h"

#include <cstring>

namespace velmo {

void FrameSplitter::append(const char *bytes, int length)
{
    if (bytes == nullptr || length <= 0)
        return;
    compact();
    m_buffer.append(bytes, length);
}

FrameSplitter::Cut FrameSplitter::next(QByteArray &frame)
{
    for (;;) {
        const int available = m_buffer.size() - m_start;
        if (available < 2)
            return Cut::None;
        const auto *head = reinterpret_cast<const quint8 *>(m_buffer.constData()) + m_start;
        if (head[0] != 0xAA || head[1] != 0x55) {
            // Resynchronise: a stray 0xAA costs one byte, otherwise skip to the next 0xAA.
            if (head[0] == 0xAA) {
                ++m_start;
                continue;
            }
            const void *next = std::memchr(head, 0xAA, std::size_t(available));
            m_start = next ? m_start + int(static_cast<const quint8 *>(next) - head) : m_buffer.size();
            continue;
        }
        if (available < 8)
            return Cut::None;
        const int length = head[6] | (head[7] << 8);
        if (length > kMaxDataLength) {
            frame = QByteArray(reinterpret_cast<const char *>(head), 8);
            ++m_start;
            return Cut::BadHeader;
        }
        if (available < length + 10)
            return Cut::None;
        frame = QByteArray(reinterpret_cast<const char *>(head), length + 10);
        if (!FrameCodec::readerAccepts(frame)) {
            ++m_start;
            return Cut::BadChecksum;
        }
        m_start += length + 10;
        return Cut::Frame;
    }
}

void FrameSplitter::clear()
{
    m_buffer.clear();
    m_start = 0;
}

void FrameSplitter::compact()
{
    if (m_start == 0)
        return;
    m_buffer.remove(0, m_start);
    m_start = 0;
}

} // namespace velmo

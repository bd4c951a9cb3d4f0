#pragma once

#include <QByteArray>
#include <QtEndian>
#include <cstring>

namespace velmo {

// Little-endian request payload, built field by field without padding.
class WirePayload
{
public:
    static constexpr int kTextSize = 32;

    WirePayload &u16(int value)
    {
        return put(qToLittleEndian(quint16(value & 0xFFFF)));
    }
    WirePayload &i32(qint32 value) { return put(qToLittleEndian(value)); }
    WirePayload &u32(quint32 value) { return put(qToLittleEndian(value)); }
    WirePayload &f64(double value)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return put(qToLittleEndian(bits));
    }
    // A zero-filled 32-byte field holding the first min(length, 32) bytes.
    WirePayload &text(const char *bytes, int length)
    {
        return bytesField(bytes, length, kTextSize);
    }
    // A zero-filled field of `size` bytes holding the first min(length, size) bytes.
    WirePayload &bytesField(const char *bytes, int length, int size)
    {
        QByteArray field(size, '\0');
        if (bytes != nullptr && length > 0)
            std::memcpy(field.data(), bytes, std::size_t(qMin(length, size)));
        m_bytes.append(field);
        return *this;
    }

    const QByteArray &bytes() const { return m_bytes; }

private:
    template <typename T> WirePayload &put(T value)
    {
        m_bytes.append(reinterpret_cast<const char *>(&value), int(sizeof value));
        return *this;
    }

    QByteArray m_bytes;
};

// Reads little-endian values out of a reply's data bytes.
class WireReader
{
public:
    explicit WireReader(const char *data) : m_data(reinterpret_cast<const uchar *>(data)) {}

    quint16 u16(int offset) const { return qFromLittleEndian<quint16>(m_data + offset); }
    qint32 i32(int offset) const { return qFromLittleEndian<qint32>(m_data + offset); }
    quint32 u32(int offset) const { return qFromLittleEndian<quint32>(m_data + offset); }
    double f64(int offset) const
    {
        const quint64 bits = qFromLittleEndian<quint64>(m_data + offset);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const uchar *m_data;
};

} // namespace velmo

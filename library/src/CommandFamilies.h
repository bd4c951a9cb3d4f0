#pragma once

#include <QByteArray>

namespace velmo {

// The exchange shapes shared by the device exports: a command acknowledged
// with 2 data bytes, an axis value read back after its echoed axis, and the
// 32-byte text fields.
class CommandFamilies
{
public:
    static QByteArray axisOnly(int axis);

    // Request with `payload`, reply of `replyLength` data bytes whose content
    // is ignored: 0 / -1 / -2.
    static int command(int id, quint16 code, const QByteArray &payload, int replyLength = 2);
    static int axisCommand(int id, int axis, quint16 code);

    static int writeF64(int id, int axis, quint16 code, double value);
    static int writeI32(int id, int axis, quint16 code, int value);
    static int writeU16(int id, int axis, quint16 code, int value);

    // Getters: the value, or -1 / -2 in the value's type.
    static double readF64(int id, int axis, quint16 code);
    static int readI32(int id, int axis, quint16 code);
    static int readU16(int id, int axis, quint16 code);

    // Reads a reply of `replyLength` bytes into data (room for replyLength):
    // 0 / -1 / -2.
    static int read(int id, quint16 code, const QByteArray &request, char *data, int replyLength);

    // Text getter: sends the request, then refuses a buffer of fewer than 32
    // bytes (-3, reply not awaited); otherwise copies the 32 text bytes that
    // follow `textOffset` bytes of the reply. A null buffer is refused before
    // anything is sent.
    static int readText(int id, quint16 code, const QByteArray &request, int textOffset, char *buffer, int size);
};

} // namespace velmo

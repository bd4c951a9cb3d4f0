#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The motor parameter block's fields as text and back, for the pages that
// edit the block. Every parse fails rather than guess: a field written as 0
// because its text did not parse would corrupt the stage's ID chip.
class MotorBlockText
{
public:
    // A fixed-size text field up to its first zero byte. Latin-1 maps every
    // byte to one character, so any stored bytes can be shown and written back.
    static QString fieldText(const char *field, int size);

    // The text's Latin-1 bytes; false when a character lies outside Latin-1.
    static bool latin1Bytes(const QString &text, QByteArray &bytes);
    // A text field: Latin-1, at most size bytes, zero-padded.
    static bool toTextField(const QString &text, char *field, int size);
    // A number that parses and is finite.
    static bool toFiniteDouble(const QString &text, double &value);
    // A decimal that fits the block's int16_t fields.
    static bool toInt16(const QString &text, int16_t &value);
    // An unsigned 32-bit decimal (pulses per revolution, modification date).
    static bool toUInt32(const QString &text, uint32_t &value);
};

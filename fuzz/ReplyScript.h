#pragma once

#include <QtGlobal>

class FuzzedDataProvider;

// The controller's side of the exchanges, read from fuzz data: every reply
// the exports wait for is the next record of the script. A record starts
// with a control byte choosing its form:
//   0  nothing arrives (time-out; the reply buffer stays zero)
//   1  raw bytes, as many as the reply has (fewer when the data runs out)
//   2  a well-formed frame of the awaited code and length around fuzz data
//   3  as 2, with a fuzz status word (usually a refusal)
// and an exhausted script answers nothing, so every call returns at once.
class ReplyScript
{
public:
    explicit ReplyScript(FuzzedDataProvider &provider);
    ~ReplyScript();

    // The script the stand-in channel reads from, or null.
    static ReplyScript *current();

    // Fills dest (totalLength bytes, zeroed by the caller) with the next
    // reply to `code`; returns the bytes delivered, 0 on time-out.
    int deliver(quint16 code, char *dest, int totalLength);

private:
    FuzzedDataProvider &m_provider;
};

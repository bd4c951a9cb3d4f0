#pragma once
// Words for the library's result codes.

#include <QString>

class ResultCodes
{
public:
    // "no valid reply from the controller (code -2)" and the like.
    static QString describe(int code);
    // Same for openKXDevice, whose -1 and -2 mean something else.
    static QString describeOpen(int code);
};

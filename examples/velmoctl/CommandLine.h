#pragma once
// Turns velmoctl's arguments into a CommandRequest, checking every option and
// argument so that the commands only ever see valid values.

#include "CommandRequest.h"

#include <QStringList>

class CommandLine
{
public:
    // `arguments` without the program name. Throws CommandError (usage) on
    // unknown commands or options, missing or malformed values.
    static CommandRequest parse(const QStringList &arguments);
};

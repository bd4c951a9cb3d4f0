#pragma once

#include "velmoLibrary.h"

#include <QtGlobal>

namespace velmo {

// The controller's 16-bit axis status word and the record it fills. Note the
// order: isCanRun is bit 3, and the last two flags take bits 8 and 7.
class StateWord
{
public:
    static MotorStageState decode(quint16 word, qint32 currentJog);
};

} // namespace velmo

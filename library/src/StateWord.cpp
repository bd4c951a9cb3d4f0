#include "StateWord.h"

namespace velmo {

namespace {
uint16_t bit(quint16 word, int index)
{
    return uint16_t((word >> index) & 1);
}
} // namespace

MotorStageState StateWord::decode(quint16 word, qint32 currentJog)
{
    MotorStageState state;
    state.isCanRun = bit(word, 3);
    state.isStop = bit(word, 0);
    state.isEnable = bit(word, 1);
    state.isHome = bit(word, 2);
    state.isLeftLimit = bit(word, 4);
    state.isRightLimit = bit(word, 5);
    state.isNegLimitFault = bit(word, 6);
    state.isPosLimitFault = bit(word, 8);
    state.isHomeFault = bit(word, 7);
    state.currentJog = currentJog;
    return state;
}

} // namespace velmo

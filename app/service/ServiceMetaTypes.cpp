#include "ServiceMetaTypes.h"

void registerServiceMetaTypes()
{
    qRegisterMetaType<MotorStageState>("MotorStageState");
    qRegisterMetaType<CONTROLER_STATE>("CONTROLER_STATE");
}

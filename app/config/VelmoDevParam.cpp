#include "VelmoDevParam.h"

int registerVelmoDevParamMetaType()
{
    return qRegisterMetaType<VelmoDevParam>("VelmoDevParam");
}

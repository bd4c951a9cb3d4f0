#pragma once

#include "StyledStandIn.h"

// Stand-in for the program's MoveParamWidget window.
class MoveParamWidget : public StyledStandIn
{
    Q_OBJECT

public:
    using StyledStandIn::StyledStandIn;
};

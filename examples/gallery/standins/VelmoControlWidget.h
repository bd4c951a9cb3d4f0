#pragma once

#include "StyledStandIn.h"

// Stand-in for the program's VelmoControlWidget window.
class VelmoControlWidget : public StyledStandIn
{
    Q_OBJECT

public:
    using StyledStandIn::StyledStandIn;
};

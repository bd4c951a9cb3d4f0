#pragma once

#include "StyledStandIn.h"

// Stand-in for the program's VelmoWidget window.
class VelmoWidget : public StyledStandIn
{
    Q_OBJECT

public:
    using StyledStandIn::StyledStandIn;
};

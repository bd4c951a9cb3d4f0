#pragma once

#include "StyledStandIn.h"

// Stand-in for the program's AddControlsWidget window.
class AddControlsWidget : public StyledStandIn
{
    Q_OBJECT

public:
    using StyledStandIn::StyledStandIn;
};

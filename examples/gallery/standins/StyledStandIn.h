#pragma once

#include "StyledWidget.h"

// Base of the gallery's stand-ins: each carries the class name of one of the
// program's windows that does not exist yet, so that the style sheet's rules
// for that window reach the gallery's samples.
class StyledStandIn : public StyledWidget
{
    Q_OBJECT

public:
    explicit StyledStandIn(QWidget *parent = nullptr) : StyledWidget(parent) {}
};

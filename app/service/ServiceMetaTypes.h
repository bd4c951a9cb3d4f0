#pragma once

#include "velmoLibrary.h"

#include <QMetaType>

Q_DECLARE_METATYPE(MotorStageState)
Q_DECLARE_METATYPE(CONTROLER_STATE)

// Registers the library records that travel by value in queued signals,
// under the names "MotorStageState" and "CONTROLER_STATE". Safe to call
// more than once.
void registerServiceMetaTypes();

// The standard document objects of the library and their registration.
#pragma once

#include "KestControlsBasic.h"
#include "KestControlsCurve.h"
#include "KestControlsText.h"

namespace kest {

// Registers the shape classes with the control class registry, once.
void RegisterShapeClasses();

} // namespace kest

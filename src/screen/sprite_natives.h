// The natives of classes.scr.Sprite (recording sprites for the drawing frame,
// fonts, polygon points, text and pattern measures) and the drawing natives of
// the root class (setAdjust, setMapPat, pset).
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& spriteNatives();
const std::vector<TNativeBinding>& objectDrawingNatives();

} // namespace ravok

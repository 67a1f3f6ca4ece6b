// Rectangles in dialog units, the coordinates that dialog code centres with.
#pragma once

#include "resources/DialogTemplates.h"

namespace Dravo::UI {

/// x, y, width, height in dialog units. Screen positions are in the same
/// units: a terminal cell is 4 units across and 8 down.
using Rect = Resources::DialogUnitRect;

} // namespace Dravo::UI

// Number boxes: edit boxes that show and take unsigned decimal numbers, read
// the way native dialogs read them (settings/NumberReading).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/NumberReading.h"
#include "support/WideString.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

/// The number in a number box; 0 for an empty box or one without a number.
[[nodiscard]] uint32_t ReadNumberBox(const UI::DialogHost& host, int32_t controlId);

/// Shows a number in decimal.
void ShowNumber(UI::DialogHost& host, int32_t controlId, uint32_t value);

/// The decimal text of a number, as the settings store it.
[[nodiscard]] Support::WideString NumberText(uint32_t value);

} // namespace Dravo::VezurAVUZ

// The 120 encodings that narrow text may be in, addressed by index. The index
// is what callers pass around; the name is what ICU is given.
#pragma once

#include <cstdint>

#include "support/WideString.h"

namespace Dravo::Support {

inline constexpr int32_t ENCODING_COUNT = 120;

/// The ICU name of an encoding index, or nullptr outside 0..119.
const char* GetEncodingName(EncodingType encoding);

} // namespace Dravo::Support

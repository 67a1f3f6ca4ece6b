// The system's message text for a Windows error code, for messages and logs.
#pragma once

#include <cstdint>

#include "support/WideString.h"

namespace Dravo::Support {

/// The text as the system words it, with its "\r\n" line end; "Unknown error"
/// for a code the system has no text for.
WideString FormatSystemError(uint32_t code);

} // namespace Dravo::Support

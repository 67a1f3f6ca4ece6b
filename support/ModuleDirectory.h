// The directory of the running program, ending with a path separator.
#pragma once

#include "support/WideString.h"

namespace Dravo::Support {

/// Computed on the first call that succeeds and kept until the process state
/// is forgotten; an empty text (retried next time) when the program's path
/// cannot be read.
WideString GetModuleDirectory();

} // namespace Dravo::Support

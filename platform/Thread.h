// Identity of the calling thread, as log lines show it.
#pragma once

#include <cstdint>

namespace Dravo::OS {

/// The system's id of the calling thread (the number tools such as ps show).
uint64_t GetCurrentThreadId();

} // namespace Dravo::OS

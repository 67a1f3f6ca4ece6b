// Thread identity on Windows.
#include "platform/Thread.h"

#include <windows.h>

namespace Dravo::OS {

uint64_t GetCurrentThreadId()
{
    return static_cast<uint64_t>(::GetCurrentThreadId());
}

} // namespace Dravo::OS

// Thread identity on POSIX systems.
#include "platform/Thread.h"

#include <unistd.h>

namespace Dravo::OS {

uint64_t GetCurrentThreadId()
{
    // The kernel's id, not pthread_self(): it is small, stable for the
    // thread's life and matches what the system's tools show.
    thread_local const uint64_t id = static_cast<uint64_t>(::gettid());
    return id;
}

} // namespace Dravo::OS

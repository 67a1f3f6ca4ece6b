#include "platform/LockWait.h"

namespace Dravo::OS {

void SetLockWaitNotice(LockWaitNotice notice)
{
    // The registry takes no lock a save waits for.
    (void)notice;
}

} // namespace Dravo::OS

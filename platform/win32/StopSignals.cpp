#include "platform/StopSignals.h"

namespace Dravo::OS {

// Windows asks a program to stop through its windows and console, not by
// signals that could cut a save short.
struct HeldStopSignals::State {};

HeldStopSignals::HeldStopSignals() = default;

HeldStopSignals::~HeldStopSignals() = default;

int HeldStopSignals::Take()
{
    return 0;
}

} // namespace Dravo::OS

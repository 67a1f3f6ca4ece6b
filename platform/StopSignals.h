// The signals that ask a program to stop (INT, TERM, HUP, QUIT), held back
// while something that has begun must be finished: a save goes on to its end,
// and the program then says what happened, rather than end with "stopped,
// nothing written" when the new file is in place.
#pragma once

#include <memory>

namespace Dravo::OS {

class HeldStopSignals {
public:
    /// Holds the stop signals from now on (those the process does not hold
    /// already). Windows has no such signals: nothing is held there.
    HeldStopSignals();
    HeldStopSignals(const HeldStopSignals&) = delete;
    HeldStopSignals& operator=(const HeldStopSignals&) = delete;
    /// Lets the signals act again; one still held acts now.
    ~HeldStopSignals();

    /// Takes the stop signals that arrived while held, so that they no longer
    /// act: the first of them, or 0 when none came.
    [[nodiscard]] int Take();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace Dravo::OS

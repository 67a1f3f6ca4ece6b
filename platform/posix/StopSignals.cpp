#include "platform/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <ctime>

#include <pthread.h>

namespace Dravo::OS {

struct HeldStopSignals::State {
    sigset_t held{};
    sigset_t previous{};
};

HeldStopSignals::HeldStopSignals() : m_state(std::make_unique<State>())
{
    sigemptyset(&m_state->held);
    sigset_t stop;
    sigemptyset(&stop);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&stop, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stop, &m_state->previous);
    // Signals the process held before stay its own business.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        if (sigismember(&m_state->previous, signal) == 0) {
            sigaddset(&m_state->held, signal);
        }
    }
}

HeldStopSignals::~HeldStopSignals()
{
    pthread_sigmask(SIG_SETMASK, &m_state->previous, nullptr);
}

int HeldStopSignals::Take()
{
    int first = 0;
    const timespec now{0, 0};
    for (;;) {
        const int taken = sigtimedwait(&m_state->held, nullptr, &now);
        if (taken > 0) {
            first = first != 0 ? first : taken;
        } else if (errno != EINTR) {
            return first;
        }
    }
}

} // namespace Dravo::OS

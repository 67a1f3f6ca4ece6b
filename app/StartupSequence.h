// The start-up that the program and the setup library share: the module
// handle, the product identity, the platform and the tool's logger, torn down
// in reverse order. The program runs it once; the setup library runs it
// around each call and then forgets the process state, so that it keeps
// nothing between calls and leaves nothing behind when unloaded.
#pragma once

#include <memory>
#include <string>

#include "identity/ModuleInstance.h"

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

class StartupSequence {
public:
    enum class Lifetime {
        /// The program: what the run cached lives until the process ends.
        Process,
        /// One call into the setup library: forgotten when the run ends.
        Call,
    };

    /// module: the handle this module's resources are loaded through.
    StartupSequence(ModuleHandle module, Lifetime lifetime);
    StartupSequence(const StartupSequence&) = delete;
    StartupSequence& operator=(const StartupSequence&) = delete;
    ~StartupSequence();

    /// The tool's logger; one that logs nothing when the log file could not
    /// be set up: logging never keeps anything from starting.
    [[nodiscard]] Support::DSIFileLogger& GetLogger() { return *m_logger; }
    /// Why the log could not be set up; empty when it could.
    [[nodiscard]] const std::string& GetLogFailure() const { return m_logFailure; }

private:
    /// The platform's start and stop as one member.
    class PlatformStart {
    public:
        PlatformStart();
        PlatformStart(const PlatformStart&) = delete;
        PlatformStart& operator=(const PlatformStart&) = delete;
        ~PlatformStart();
    };

    /// Runs last: the forgetting happens after everything else is gone.
    class CallEnd {
    public:
        explicit CallEnd(Lifetime lifetime) : m_lifetime(lifetime) {}
        CallEnd(const CallEnd&) = delete;
        CallEnd& operator=(const CallEnd&) = delete;
        ~CallEnd();

    private:
        Lifetime m_lifetime;
    };

    CallEnd m_callEnd;
    std::unique_ptr<PlatformStart> m_platform;
    std::unique_ptr<Support::DSIFileLogger> m_logger;
    std::string m_logFailure;
};

} // namespace Dravo::VezurAVUZ

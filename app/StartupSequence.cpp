#include "app/StartupSequence.h"

#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/ProcessState.h"
#include "support/AesCbcCipher.h"
#include "support/DSIFileLogger.h"
#include "support/Platform.h"

namespace Dravo::VezurAVUZ {

StartupSequence::PlatformStart::PlatformStart()
{
    Support::InitializePlatform(false);
}

StartupSequence::PlatformStart::~PlatformStart()
{
    Support::UninitializePlatform();
}

StartupSequence::CallEnd::~CallEnd()
{
    if (m_lifetime == Lifetime::Call) {
        OS::ProcessStatePiece::ForgetAll();
    }
}

StartupSequence::StartupSequence(ModuleHandle module, Lifetime lifetime) : m_callEnd(lifetime)
{
    DriverSupport::AesCbcCipher::StartCryptoLibrary();
    SetModuleInstance(module);
    SetProductIdentity();
    m_platform = std::make_unique<PlatformStart>();
    m_logger = Support::DSIFileLogger::CreateOrLogNothing(GetToolLogFileName(), m_logFailure);
    if (lifetime == Lifetime::Call) {
        // The host's standard streams are its own: lines the log cannot take
        // are counted and dropped, never printed there.
        m_logger->HoldFallbackLines();
    }
}

StartupSequence::~StartupSequence()
{
    m_logger.reset();
    m_platform.reset();
}

} // namespace Dravo::VezurAVUZ

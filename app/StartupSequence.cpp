#include "app/StartupSequence.h"

#include "identity/CachedValue.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/OdbcDriverManager.h"
#include "platform/OdbcInstaller.h"
#include "platform/Registry.h"
#include "settings/DriverKeySnapshot.h"
#include "support/DSIFileLogger.h"
#include "support/DSISettings.h"
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
        ForgetProcessState();
    }
}

StartupSequence::StartupSequence(ModuleHandle module, Lifetime lifetime) : m_callEnd(lifetime)
{
    SetModuleInstance(module);
    SetProductIdentity();
    m_platform = std::make_unique<PlatformStart>();
    m_logger = Support::DSIFileLogger::CreateOrLogNothing(GetToolLogFileName(), m_logFailure);
}

StartupSequence::~StartupSequence()
{
    m_logger.reset();
    m_platform.reset();
}

void ForgetProcessState()
{
    DriverKeySnapshot::Release();
    Support::DSISettings::Destroy();
    ForgetCachedValues();
    ForgetProductIdentity();
    ForgetModuleInstance();
    OS::OdbcDriverManager::Release();
    OS::OdbcInstaller::Release();
    OS::ReleaseRegistryState();
}

} // namespace Dravo::VezurAVUZ

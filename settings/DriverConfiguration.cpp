#include "settings/DriverConfiguration.h"

#include "platform/RegistryTransaction.h"

namespace Dravo::VezurAVUZ {

DriverConfiguration::DriverConfiguration(Support::DSIFileLogger& logger)
    : m_serverSideProperties(true, m_registryKey), m_httpProperties(m_registryKey),
      m_settings(m_registryKey, m_serverSideProperties, m_httpProperties, &logger)
{
}

void DriverConfiguration::Save()
{
    SaveAsOneRegistryChange([this] { m_settings.Save(); });
}

void SaveAsOneRegistryChange(const std::function<void()>& save)
{
    OS::RegistryTransaction transaction;
    save();
    if (const OS::ErrorCode committed = transaction.Commit(); committed != OS::ERROR_SUCCESS_CODE) {
        SODriverRegistryKey::RaiseRegistryError(committed);
    }
}

} // namespace Dravo::VezurAVUZ

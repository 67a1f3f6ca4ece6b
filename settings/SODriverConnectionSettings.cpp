#include "settings/SODriverConnectionSettings.h"

#include <array>
#include <string_view>

#include "driversupport/DSKeys.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/ProductSwitches.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"
#include "settings/SettingsCatalogue.h"
#include "support/DSIFileLogger.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// Keys of a single data source: meaningless for the driver as a whole.
constexpr std::array<std::u16string_view, 8> DATA_SOURCE_ONLY_KEYS = {DriverSupport::KEY_DRIVER, DriverSupport::KEY_DSN,
    KEY_SERVICE_DISCOVERY_MODE, KEY_DELEGATION_UID, KEY_DESCRIPTION, KEY_HOST, KEY_PORT, KEY_SCHEMA};

bool IsKey(const WideString& key, std::u16string_view name)
{
    return key.IsEqual(WideString(name), false);
}

} // namespace

SODriverConnectionSettings::SODriverConnectionSettings(SODriverRegistryKey& registryKey,
    SODriverServerSideProperties& serverSideProperties, SODriverHttpProperties& httpProperties,
    Support::DSIFileLogger* logger)
    : SOConnectionSettings(logger, &serverSideProperties, &httpProperties), m_registryKey(&registryKey),
      m_driverServerSideProperties(&serverSideProperties), m_driverHttpProperties(&httpProperties)
{
}

SODriverConnectionSettings::~SODriverConnectionSettings() = default;

void SODriverConnectionSettings::Load()
{
    if (Support::DSIFileLogger* logger = GetLogger()) {
        logger->LogFunctionEntrance("Dravo::VezurAVUZ", "SODriverConnectionSettings", "Load");
    }
    const auto snapshot = DriverKeySnapshot::Get();
    if (snapshot->GetReadError() != OS::ERROR_SUCCESS_CODE) {
        SODriverRegistryKey::RaiseRegistryError(snapshot->GetReadError(), snapshot->GetReadDiagnostic());
    }
    LoadSettings([&snapshot](const WideString& key) { return snapshot->Find(key); });
    m_driverServerSideProperties->Load();
    m_driverHttpProperties->Load();
    GetConfigurationStore().LoadLoggingProperties();
}

bool SODriverConnectionSettings::LookupDriverValue(const WideString& key, WideString& target)
{
    const auto snapshot = DriverKeySnapshot::Get();
    const WideString* stored = snapshot->Find(key);
    if (!stored) {
        return false;
    }
    target = *stored;
    return true;
}

bool SODriverConnectionSettings::IsFilteredKey(const WideString& key)
{
    if (IsServiceDiscoverySuppressed() && (IsKey(key, KEY_SERVICE_DISCOVERY_MODE) || IsKey(key, KEY_ZK_NAMESPACE))) {
        return true;
    }
    for (const std::u16string_view name : DATA_SOURCE_ONLY_KEYS) {
        if (IsKey(key, name)) {
            return true;
        }
    }
    return false;
}

void SODriverConnectionSettings::RemoveSetting(const WideString& key)
{
    m_registryKey->RemoveValue(key);
}

void SODriverConnectionSettings::PrepareSave() {}

void SODriverConnectionSettings::WriteSetting(const WideString& key, const WideString& value)
{
    if (IsFilteredKey(key)) {
        return;
    }
    m_registryKey->WriteValue(key, value);
}

void SODriverConnectionSettings::CompleteSave()
{
    m_registryKey->Flush();
}

void SODriverConnectionSettings::SaveLoggingOptions()
{
    if (!m_registryKey->IsRecording()) {
        SOConnectionSettings::SaveLoggingOptions();
        return;
    }
    for (const auto& [name, value] : GetConfigurationStore().GetLoggingPropertiesToSave()) {
        m_registryKey->WriteValue(WideString(name), value);
    }
}

} // namespace Dravo::VezurAVUZ

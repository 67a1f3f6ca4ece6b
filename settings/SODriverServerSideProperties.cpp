#include "settings/SODriverServerSideProperties.h"

#include "settings/DriverKeySnapshot.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

SODriverServerSideProperties::SODriverServerSideProperties(bool manageApply, SODriverRegistryKey& registryKey)
    : SOServerSideProperties(manageApply), m_registryKey(&registryKey)
{
}

SODriverServerSideProperties::~SODriverServerSideProperties() = default;

void SODriverServerSideProperties::Load()
{
    const auto snapshot = DriverKeySnapshot::Get();
    if (const WideString* apply = snapshot->Find(WideString(KEY_APPLY_SSP_WITH_QUERIES))) {
        m_applySSPWithQueries = *apply;
    }
    if (const WideString* lowerCase = snapshot->Find(WideString(KEY_LCASE_SSP_KEY_NAME))) {
        m_lcaseSspKeyName = *lowerCase;
    }
    TakeProperties(snapshot->GetValues());
}

std::optional<std::string> SODriverServerSideProperties::WhyKeyCannotBeStored(const WideString& key) const
{
    return SODriverRegistryKey::WhyValueNameCannotBeStored(key);
}

void SODriverServerSideProperties::RemoveKey(const WideString& key)
{
    m_registryKey->RemoveValue(key);
}

void SODriverServerSideProperties::WriteKey(const WideString& key, const WideString& value)
{
    m_registryKey->WriteValue(key, value);
}

} // namespace Dravo::VezurAVUZ

#include "settings/SODriverHttpProperties.h"

#include "settings/DriverKeySnapshot.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

SODriverHttpProperties::SODriverHttpProperties(SODriverRegistryKey& registryKey) : m_registryKey(&registryKey) {}

SODriverHttpProperties::~SODriverHttpProperties() = default;

void SODriverHttpProperties::Load()
{
    const auto snapshot = DriverKeySnapshot::Get();
    if (const WideString* path = snapshot->Find(WideString(KEY_HTTP_PATH))) {
        m_httpPath = *path;
    }
    TakeProperties(snapshot->GetValues());
}

std::optional<std::string> SODriverHttpProperties::WhyKeyCannotBeStored(const WideString& key) const
{
    return SODriverRegistryKey::WhyValueNameCannotBeStored(key);
}

void SODriverHttpProperties::RemoveKey(const WideString& key)
{
    m_registryKey->RemoveValue(key);
}

void SODriverHttpProperties::WriteKey(const WideString& key, const WideString& value)
{
    m_registryKey->WriteValue(key, value);
}

} // namespace Dravo::VezurAVUZ

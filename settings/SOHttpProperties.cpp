#include "settings/SOHttpProperties.h"

#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

SOHttpProperties::SOHttpProperties() : SOPropertySet(std::string(HTTP_HEADER_PREFIX)) {}

SOHttpProperties::~SOHttpProperties() = default;

void SOHttpProperties::LoadFromMap(const DriverSupport::DSSettingsMap& settings)
{
    if (const auto path = settings.find(WideString(KEY_HTTP_PATH)); path != settings.end()) {
        m_httpPath = path->second;
    }
    m_current.clear();
    TakeProperties(settings);
}

void SOHttpProperties::Load()
{
    const auto entries = ReadSectionEntries();
    m_httpPath = FindSectionValue(entries, KEY_HTTP_PATH, WideString(u""));
    TakeProperties(entries);
}

void SOHttpProperties::SaveToMap(DriverSupport::DSSettingsMap& settings)
{
    settings.insert_or_assign(WideString(KEY_HTTP_PATH), m_httpPath);
    EraseDeletedProperties(settings);
}

void SOHttpProperties::Save()
{
    WriteKey(WideString(KEY_HTTP_PATH), m_httpPath);
    SaveProperties();
}

void SOHttpProperties::RemoveKey(const WideString& key)
{
    RemoveSectionKey(key);
}

void SOHttpProperties::WriteKey(const WideString& key, const WideString& value)
{
    WriteSectionKey(key, value);
}

} // namespace Dravo::VezurAVUZ

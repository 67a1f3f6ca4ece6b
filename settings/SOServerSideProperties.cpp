#include "settings/SOServerSideProperties.h"

#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

SOServerSideProperties::SOServerSideProperties(bool manageApply)
    : SOPropertySet(std::string(SERVER_SIDE_PROPERTY_PREFIX)), m_manageApply(manageApply)
{
}

SOServerSideProperties::~SOServerSideProperties() = default;

void SOServerSideProperties::LoadFromMap(const DriverSupport::DSSettingsMap& settings)
{
    const auto apply = settings.find(WideString(KEY_APPLY_SSP_WITH_QUERIES));
    m_applySSPWithQueries = apply == settings.end() ? WideString(SWITCH_ON) : apply->second;
    if (const auto lowerCase = settings.find(WideString(KEY_LCASE_SSP_KEY_NAME)); lowerCase != settings.end()) {
        m_lcaseSspKeyName = lowerCase->second;
    }
    m_current.clear();
    TakeProperties(settings);
}

void SOServerSideProperties::Load()
{
    const auto entries = ReadSectionEntries();
    m_applySSPWithQueries = FindSectionValue(entries, KEY_APPLY_SSP_WITH_QUERIES, WideString(SWITCH_ON));
    m_lcaseSspKeyName = FindSectionValue(entries, KEY_LCASE_SSP_KEY_NAME, WideString(SWITCH_ON));
    TakeProperties(entries);
}

void SOServerSideProperties::SaveToMap(DriverSupport::DSSettingsMap& settings)
{
    if (m_manageApply) {
        settings.insert_or_assign(WideString(KEY_APPLY_SSP_WITH_QUERIES), m_applySSPWithQueries);
    }
    settings.insert_or_assign(WideString(KEY_LCASE_SSP_KEY_NAME), m_lcaseSspKeyName);
    EraseDeletedProperties(settings);
}

void SOServerSideProperties::Save()
{
    WriteKey(WideString(KEY_LCASE_SSP_KEY_NAME), m_lcaseSspKeyName);
    if (m_manageApply) {
        WriteKey(WideString(KEY_APPLY_SSP_WITH_QUERIES), m_applySSPWithQueries);
    }
    SaveProperties();
}

void SOServerSideProperties::RemoveKey(const WideString& key)
{
    RemoveSectionKey(key);
}

void SOServerSideProperties::WriteKey(const WideString& key, const WideString& value)
{
    WriteSectionKey(key, value);
}

} // namespace Dravo::VezurAVUZ

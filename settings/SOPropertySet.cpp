#include "settings/SOPropertySet.h"

#include "settings/DataSourceSection.h"
#include "settings/SettingChecks.h"
#include "support/ErrorException.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

SOPropertySet::SOPropertySet(std::string prefix) : m_prefix(std::move(prefix)), m_widePrefix(m_prefix) {}

SOPropertySet::~SOPropertySet() = default;

void SOPropertySet::TakeProperty(const WideString& key, const WideString& value)
{
    if (key.StartsWith(m_widePrefix, true)) {
        m_current.insert_or_assign(key.Substr(m_widePrefix.GetLength()), value);
    }
}

void SOPropertySet::SaveProperties()
{
    for (const auto& [name, value] : m_loaded) {
        if (!m_current.contains(name)) {
            RemoveKey(MakeKey(name));
        }
    }
    for (const auto& [name, value] : m_current) {
        WriteKey(MakeKey(name), value);
    }
}

void SOPropertySet::EraseDeletedProperties(DriverSupport::DSSettingsMap& settings) const
{
    for (const auto& [name, value] : m_loaded) {
        if (!m_current.contains(name)) {
            settings.erase(MakeKey(name));
        }
    }
}

std::optional<std::string> SOPropertySet::WhyNameCannotBeStored(const WideString& name) const
{
    if (auto why = WhyKeyCannotBeStored(MakeKey(name))) {
        return why;
    }
    // A name the command line refuses could not be given back to it, nor
    // read back from a line of a configuration: the rules refuse it here too.
    const std::u16string prefix = m_widePrefix.GetAsU16String();
    const std::u16string units = name.GetAsU16String();
    return WhyNotAPropertyName(prefix, units);
}

std::optional<std::string> SOPropertySet::WhyKeyCannotBeStored(const WideString& key) const
{
    (void)key;
    return std::nullopt;
}

WideString SOPropertySet::MakeKey(const WideString& name) const
{
    return m_widePrefix + name;
}

std::vector<std::pair<WideString, WideString>> SOPropertySet::ReadSectionEntries() const
{
    if (!DataSourceSection::IsValidName(m_dataSourceName)) {
        throw DriverSupport::DSSetupException(DriverSupport::DS_ERROR_INVALID_KEYWORD_VALUE);
    }
    return DataSourceSection(m_dataSourceName).ReadEntries();
}

WideString SOPropertySet::FindSectionValue(const std::vector<std::pair<WideString, WideString>>& entries,
    std::u16string_view key, const WideString& defaultValue)
{
    const WideString wanted(key);
    for (const auto& [name, value] : entries) {
        if (name.IsEqual(wanted, false)) {
            return value;
        }
    }
    return defaultValue;
}

void SOPropertySet::RemoveSectionKey(const WideString& key) const
{
    DataSourceSection(m_dataSourceName).Remove(key);
}

void SOPropertySet::WriteSectionKey(const WideString& key, const WideString& value) const
{
    DataSourceSection(m_dataSourceName).Write(key, value);
}

} // namespace Dravo::VezurAVUZ

// A set of free-form name/value properties stored beside the fixed settings,
// each under its name with the set's prefix ("SSP_" or "http.header."). The
// set remembers how it looked when loaded, so that a save can remove the
// properties the user deleted or renamed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driversupport/DSDSNConfiguration.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

class SOPropertySet {
public:
    /// Property name (without prefix) -> value, in code-unit order, case-sensitive.
    using PropertyMap = std::map<Support::WideString, Support::WideString, Support::WideStringLess>;

    explicit SOPropertySet(std::string prefix);
    SOPropertySet(const SOPropertySet&) = delete;
    SOPropertySet& operator=(const SOPropertySet&) = delete;
    virtual ~SOPropertySet();

    /// Takes the set's extra keys and its prefixed entries from a map (such as
    /// a configuration store's); the loaded state becomes a copy.
    virtual void LoadFromMap(const DriverSupport::DSSettingsMap& settings) = 0;
    /// Loads from storage.
    virtual void Load() = 0;
    /// Stores the extra keys into the map and erases the deleted properties
    /// from it; adding the current properties is the caller's business.
    virtual void SaveToMap(DriverSupport::DSSettingsMap& settings) = 0;
    /// Writes the extra keys, removes the properties deleted since the load,
    /// then writes every current property in name order. A failure stops the
    /// save; what was written stays written. The loaded state is not updated.
    virtual void Save() = 0;

    /// The properties as edited.
    [[nodiscard]] PropertyMap& GetProperties() { return m_current; }
    [[nodiscard]] const PropertyMap& GetProperties() const { return m_current; }
    /// The properties as last loaded.
    [[nodiscard]] const PropertyMap& GetLoadedProperties() const { return m_loaded; }

    [[nodiscard]] const Support::WideString& GetDataSourceName() const { return m_dataSourceName; }
    void SetDataSourceName(const Support::WideString& name) { m_dataSourceName = name; }
    [[nodiscard]] const std::string& GetPrefix() const { return m_prefix; }

    /// Why a property of this name (without the prefix) is refused: by the
    /// setting rules, or because it could not be stored where the set keeps
    /// it so that it reads back as given; nothing when it can be. Asked where
    /// a name is entered, so that a save never meets it.
    [[nodiscard]] std::optional<std::string> WhyNameCannotBeStored(const Support::WideString& name) const;
    /// True for the driver-wide sets, kept in the driver key.
    [[nodiscard]] virtual bool IsDriverWide() const { return false; }

protected:
    /// Why the store could not keep a value of this (prefixed) name. The
    /// data-source sets: nothing, the ODBC installer keeps what it is given.
    [[nodiscard]] virtual std::optional<std::string> WhyKeyCannotBeStored(const Support::WideString& key) const;
    virtual void RemoveKey(const Support::WideString& key) = 0;
    virtual void WriteKey(const Support::WideString& key, const Support::WideString& value) = 0;

    /// The prefixed entries' properties into the current set (nothing is
    /// cleared first), then the loaded state as a copy of it.
    template <class Entries> void TakeProperties(const Entries& entries)
    {
        for (const auto& [key, value] : entries) {
            TakeProperty(key, value);
        }
        m_loaded = m_current;
    }
    void TakeProperty(const Support::WideString& key, const Support::WideString& value);
    /// Removes the deleted properties and writes the current ones.
    void SaveProperties();
    /// Erases the deleted properties' keys from a map.
    void EraseDeletedProperties(DriverSupport::DSSettingsMap& settings) const;
    [[nodiscard]] Support::WideString MakeKey(const Support::WideString& name) const;

    // The data-source storage, shared by the data-source variants.
    /// The section's entries; DSSetupException 1 for a name the installer rejects.
    [[nodiscard]] std::vector<std::pair<Support::WideString, Support::WideString>> ReadSectionEntries() const;
    /// The value of an entry (names compared without regard to case, as the
    /// installer does), or the default when the section has no such entry.
    [[nodiscard]] static Support::WideString FindSectionValue(
        const std::vector<std::pair<Support::WideString, Support::WideString>>& entries, std::u16string_view key,
        const Support::WideString& defaultValue);
    void RemoveSectionKey(const Support::WideString& key) const;
    void WriteSectionKey(const Support::WideString& key, const Support::WideString& value) const;

    PropertyMap m_current;
    PropertyMap m_loaded;

private:
    Support::WideString m_dataSourceName;
    std::string m_prefix;
    Support::WideString m_widePrefix;
};

} // namespace Dravo::VezurAVUZ

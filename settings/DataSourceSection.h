// One data source's section of the installer's "ODBC.INI": where the
// data-source variants of the settings model and the property sets keep their
// values. Where the installer stores the section is its own business.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

class DataSourceSection {
public:
    static constexpr std::u16string_view FILE_NAME = u"ODBC.INI";

    explicit DataSourceSection(Support::WideString dataSourceName);

    /// The installer's check of a data source name (false when it is not available).
    [[nodiscard]] static bool IsValidName(const Support::WideString& dataSourceName);

    [[nodiscard]] const Support::WideString& GetName() const { return m_name; }
    /// The names of the section's entries, in the installer's order.
    [[nodiscard]] std::vector<Support::WideString> ReadEntryNames() const;
    /// Every entry with its value, in the installer's order.
    [[nodiscard]] std::vector<std::pair<Support::WideString, Support::WideString>> ReadEntries() const;
    /// One entry's value, or the default when it is absent or empty.
    [[nodiscard]] Support::WideString Read(
        const Support::WideString& entry, const Support::WideString& defaultValue = Support::WideString(u"")) const;
    /// Raises DSSetupException 4 ("Request failed.") when the installer refuses.
    void Write(const Support::WideString& entry, const Support::WideString& value) const;
    /// Raises DSSetupException 4 when the installer refuses.
    void Remove(const Support::WideString& entry) const;
    /// Registers the data source for a driver; false when the installer refuses.
    [[nodiscard]] bool Create(const Support::WideString& driverName) const;
    /// The same for a data source known not to exist yet, which may cost the
    /// installer less.
    [[nodiscard]] bool CreateNew(const Support::WideString& driverName) const;

private:
    Support::WideString m_name;
};

} // namespace Dravo::VezurAVUZ

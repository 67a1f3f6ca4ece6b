// What the data sources do alike on every system: where one lives, asked of
// the installer, and what a section can keep.
#include "platform/OdbcDataSources.h"

#include <array>

#include "platform/IniFile.h"
#include "platform/OdbcInstaller.h"
#include "platform/OdbcInstallerEntries.h"
#include "platform/RegistryImage.h"

namespace Dravo::OS {
namespace {

constexpr std::u16string_view DATA_SOURCES_FILE = u"ODBC.INI";
/// The buffer for the list of entry names starts at this many units and
/// doubles while the list may not have fitted, up to the largest.
constexpr int FIRST_NAME_UNITS = 4096;
constexpr int LAST_NAME_UNITS = 16384;
/// The longest entry name the installer keeps (unixODBC cuts at 1000), with
/// its NUL and the list's final NUL.
constexpr int LONGEST_NAME_UNITS = 1002;
/// Sections of odbc.ini that the installer keeps for itself: its trace
/// settings, and the list of data sources some installers keep.
constexpr std::array<std::u16string_view, 2> RESERVED_SECTIONS = {u"ODBC", u"ODBC Data Sources"};

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\u00A0';
}

/// Puts the installer's scope back as it was when it goes.
class ScopeOverride {
public:
    explicit ScopeOverride(DataSourceScope scope) : m_before(OdbcInstaller::GetConfigMode())
    {
        OdbcDataSources::UseScope(scope);
    }
    ScopeOverride(const ScopeOverride&) = delete;
    ScopeOverride& operator=(const ScopeOverride&) = delete;
    ~ScopeOverride()
    {
        if (m_before) {
            OdbcInstaller::SetConfigMode(*m_before);
        }
    }

private:
    std::optional<uint16_t> m_before;
};

} // namespace

bool OdbcDataSources::UseScope(DataSourceScope scope)
{
    return OdbcInstaller::SetConfigMode(ConfigModeOf(scope));
}

bool OdbcDataSources::Holds(DataSourceScope scope, std::u16string_view name)
{
    const ScopeOverride use(scope);
    return !ReadEntries(name).empty();
}

DataSourceEntries ReadDataSourceThroughInstaller(std::u16string_view name)
{
    std::vector<std::u16string> names;
    for (int units = FIRST_NAME_UNITS;; units *= 2) {
        const int copied = ReadPrivateProfileEntryNames(name, DATA_SOURCES_FILE, units, names);
        // Installers cut a list that does not fit either at the buffer's end
        // or before the first name that does not fit whole.
        if (copied < units - LONGEST_NAME_UNITS || units >= LAST_NAME_UNITS) {
            break;
        }
    }
    DataSourceEntries entries;
    for (std::u16string& entry : names) {
        std::u16string value;
        OdbcInstaller::GetPrivateProfileString(name, entry, u"", value, DATA_SOURCES_FILE);
        entries.emplace_back(std::move(entry), std::move(value));
    }
    return entries;
}

std::optional<DataSourceScope> OdbcDataSources::Locate(std::u16string_view name)
{
    for (const DataSourceScope scope : {DataSourceScope::User, DataSourceScope::System}) {
        if (Holds(scope, name)) {
            return scope;
        }
    }
    return std::nullopt;
}

std::optional<std::string> OdbcDataSources::WhyNameCannotBeKept(std::u16string_view name)
{
    if (name.empty()) {
        return "the name is empty";
    }
    // The installer takes blanks away when it reads a section's name, so a
    // section saved with them could never be found, changed or removed.
    if (IsBlank(name.front()) || IsBlank(name.back())) {
        return "the name begins or ends with a blank";
    }
    for (const std::u16string_view reserved : RESERVED_SECTIONS) {
        if (FoldRegistryName(name) == FoldRegistryName(reserved)) {
            return "\"" + std::string(reserved.begin(), reserved.end())
                + "\" is a section the ODBC installer keeps for itself";
        }
    }
    for (const char16_t c : name) {
        if (c == u'\r' || c == u'\n' || c == u'\0' || c == u'[' || c == u']') {
            return "the name holds a character a section line cannot hold";
        }
    }
    return std::nullopt;
}

std::optional<std::string> OdbcDataSources::WhyKeyCannotBeKept(std::u16string_view key)
{
    return WhyIniCannotHoldName(key);
}

std::optional<std::string> OdbcDataSources::WhyValueCannotBeKept(std::u16string_view value)
{
    return WhyIniCannotHoldValue(value);
}

} // namespace Dravo::OS

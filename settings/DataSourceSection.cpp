#include "settings/DataSourceSection.h"

#include <string>

#include "platform/OdbcInstaller.h"
#include "platform/OdbcInstallerEntries.h"
#include "support/ErrorException.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// The longest entry name the installer keeps (unixODBC cuts at 1000), with
/// its NUL and the list's final NUL: a list that leaves less room than this
/// may have lost its next name.
constexpr int LONGEST_NAME_UNITS = 1002;

std::string FileNameNarrow()
{
    return WideString(DataSourceSection::FILE_NAME).GetAsNarrow();
}

} // namespace

DataSourceSection::DataSourceSection(WideString dataSourceName) : m_name(std::move(dataSourceName)) {}

bool DataSourceSection::IsValidName(const WideString& dataSourceName)
{
    return OS::OdbcInstaller::ValidDSN(dataSourceName.GetAsU16String());
}

std::vector<WideString> DataSourceSection::ReadEntryNames() const
{
    std::vector<std::u16string> names;
    for (int units = FIRST_NAME_BUFFER_UNITS;; units *= 2) {
        const int copied = OS::ReadPrivateProfileEntryNames(m_name.GetAsU16String(), FILE_NAME, units, names);
        // Installers cut a list that does not fit either at the buffer's end
        // or before the first name that does not fit whole.
        if (copied < units - LONGEST_NAME_UNITS || units >= LAST_NAME_BUFFER_UNITS) {
            break;
        }
    }
    std::vector<WideString> result;
    result.reserve(names.size());
    for (const std::u16string& name : names) {
        result.emplace_back(name);
    }
    return result;
}

std::vector<std::pair<WideString, WideString>> DataSourceSection::ReadEntries() const
{
    std::vector<std::pair<WideString, WideString>> entries;
    for (WideString& name : ReadEntryNames()) {
        WideString value = Read(name);
        entries.emplace_back(std::move(name), std::move(value));
    }
    return entries;
}

WideString DataSourceSection::Read(const WideString& entry, const WideString& defaultValue) const
{
    std::u16string value;
    OS::OdbcInstaller::GetPrivateProfileString(
        m_name.GetAsU16String(), entry.GetAsU16String(), defaultValue.GetAsU16String(), value, FILE_NAME);
    return value.empty() ? defaultValue : WideString(value);
}

void DataSourceSection::Write(const WideString& entry, const WideString& value) const
{
    if (!OS::OdbcInstaller::WritePrivateProfileString(
            m_name.GetAsU16String(), entry.GetAsU16String(), value.GetAsU16String(), FILE_NAME)) {
        throw DriverSupport::DSSetupException(DriverSupport::DS_ERROR_REQUEST_FAILED);
    }
}

void DataSourceSection::Remove(const WideString& entry) const
{
    if (!OS::OdbcInstaller::WritePrivateProfileStringNarrow(
            m_name.GetAsNarrow(), entry.GetAsNarrow(), std::nullopt, FileNameNarrow())) {
        throw DriverSupport::DSSetupException(DriverSupport::DS_ERROR_REQUEST_FAILED);
    }
}

bool DataSourceSection::Create(const WideString& driverName) const
{
    return OS::OdbcInstaller::WriteDSNToIni(m_name.GetAsU16String(), driverName.GetAsU16String());
}

bool DataSourceSection::CreateNew(const WideString& driverName) const
{
    return OS::OdbcInstaller::AddDSNToIni(m_name.GetAsU16String(), driverName.GetAsU16String());
}

} // namespace Dravo::VezurAVUZ

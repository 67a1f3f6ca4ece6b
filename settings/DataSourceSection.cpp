#include "settings/DataSourceSection.h"

#include <string>

#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "support/ErrorException.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

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
    std::vector<WideString> names;
    for (auto& [name, value] : ReadEntries()) {
        names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::pair<WideString, WideString>> DataSourceSection::ReadEntries() const
{
    std::vector<std::pair<WideString, WideString>> entries;
    for (auto& [name, value] : OS::OdbcDataSources::ReadEntries(m_name.GetAsU16String())) {
        entries.emplace_back(WideString(name), WideString(value));
    }
    return entries;
}

WideString DataSourceSection::Read(const WideString& entry, const WideString& defaultValue) const
{
    for (const auto& [name, value] : ReadEntries()) {
        if (name.IsEqual(entry, false)) {
            return value.IsEmpty() ? defaultValue : value;
        }
    }
    return defaultValue;
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

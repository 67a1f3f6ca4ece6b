#include "settings/RecordedDataSourceSettings.h"

#include <utility>

#include "platform/RegistryTransaction.h"
#include "settings/LoggingOptionsModel.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

RecordedDataSourceSettings::RecordedDataSourceSettings(Support::DSIFileLogger* logger)
    : SOConnectionSettings(logger, &serverSide, &http)
{
    serverSide.changes = &m_changes;
    http.changes = &m_changes;
}

void RecordedDataSourceSettings::LoadDefaults(bool loggingOptions)
{
    LoadSettings([](const WideString&) -> const WideString* { return nullptr; });
    // As a section without these entries loads.
    serverSide.LoadFromMap({});
    serverSide.SetApplySSPWithQueries(WideString(SWITCH_ON));
    serverSide.SetLCaseSspKeyName(WideString(SWITCH_ON));
    http.LoadFromMap({});
    if (loggingOptions) {
        GetConfigurationStore().LoadLoggingProperties();
    }
}

DataSourceChanges RecordedDataSourceSettings::RecordSave()
{
    m_changes = DataSourceChanges();
    Save();
    return std::exchange(m_changes, DataSourceChanges());
}

RecordedDataSourceSettings::LoggingOptions RecordedDataSourceSettings::GetLoggingOptions()
{
    const LoggingOptionsModel& store = GetConfigurationStore();
    return {store.GetLogLevel(), store.GetLogPath(), store.GetLogFileCount(), store.GetLogFileSize()};
}

void RecordedDataSourceSettings::SaveLoggingOptionsIfChanged(const LoggingOptions& before)
{
    if (GetLoggingOptions() == before) {
        return;
    }
    OS::RegistryTransaction transaction;
    GetConfigurationStore().SaveLoggingProperties();
    if (const OS::ErrorCode committed = transaction.Commit(); committed != OS::ERROR_SUCCESS_CODE) {
        SODriverRegistryKey::RaiseRegistryError(committed);
    }
}

void RecordedDataSourceSettings::RemoveSetting(const WideString& key)
{
    m_changes.Remove(key);
}

void RecordedDataSourceSettings::PrepareSave()
{
    // Making the data source belongs to applying the changes.
}

void RecordedDataSourceSettings::WriteSetting(const WideString& key, const WideString& value)
{
    m_changes.Write(key, value);
}

void RecordedDataSourceSettings::SaveLoggingOptions()
{
    // The logging options are the driver's, not the data source's.
}

} // namespace Dravo::VezurAVUZ

// The data-source settings model whose save is gathered as changes of the
// data source's section instead of being written entry by entry, so that the
// whole save can be checked before its first write and undone when a write
// fails (DataSourceChanges). It loads like the data-source model; the
// driver's logging options, which live elsewhere, are left out of the save.
#pragma once

#include <array>

#include "settings/DataSourceChanges.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SOHttpProperties.h"
#include "settings/SOServerSideProperties.h"

namespace Dravo::VezurAVUZ {

namespace Detail {

/// The property sets whose writes are gathered; a base of the model, so that
/// they exist before the model is handed them.
struct RecordedPropertySets {
    class ServerSide final : public SOServerSideProperties {
    public:
        ServerSide() : SOServerSideProperties(true) {}
        DataSourceChanges* changes = nullptr;

    protected:
        void RemoveKey(const Support::WideString& key) override { changes->Remove(key); }
        void WriteKey(const Support::WideString& key, const Support::WideString& value) override
        {
            changes->Write(key, value);
        }
    };
    class Http final : public SOHttpProperties {
    public:
        DataSourceChanges* changes = nullptr;

    protected:
        void RemoveKey(const Support::WideString& key) override { changes->Remove(key); }
        void WriteKey(const Support::WideString& key, const Support::WideString& value) override
        {
            changes->Write(key, value);
        }
    };

    ServerSide serverSide;
    Http http;
};

} // namespace Detail

class RecordedDataSourceSettings final : private Detail::RecordedPropertySets, public SOConnectionSettings {
public:
    explicit RecordedDataSourceSettings(Support::DSIFileLogger* logger);

    /// The settings a data source that does not exist yet loads with; the
    /// logging options too when asked, for a dialog to show them.
    void LoadDefaults(bool loggingOptions);

    /// Runs the save and returns what it would change in the section, in
    /// order. The driver entry is not among them: making the data source
    /// writes it.
    [[nodiscard]] DataSourceChanges RecordSave();

    /// The driver's logging options as the dialog may change them.
    using LoggingOptions = std::array<Support::WideString, 4>;
    [[nodiscard]] LoggingOptions GetLoggingOptions();
    /// Saves the logging options, as one change, only when they differ from
    /// before: they are the driver's, and writing them may need rights the
    /// data source does not.
    void SaveLoggingOptionsIfChanged(const LoggingOptions& before);

protected:
    void RemoveSetting(const Support::WideString& key) override;
    void PrepareSave() override;
    void WriteSetting(const Support::WideString& key, const Support::WideString& value) override;
    void SaveLoggingOptions() override;

private:
    DataSourceChanges m_changes;
};

} // namespace Dravo::VezurAVUZ

// The one way to change settings, whoever asks: a session opens a
// configuration (the driver-wide one, or one data source where it lives),
// applies a request by the setting rules on the model the dialogs edit, tells
// what the save would change, and saves that as one change. The program's
// commands and dialogs and the setup library only read their input and tell
// the outcome.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/OdbcDataSources.h"
#include "settings/DriverConfiguration.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingsEdit.h"
#include "settings/StoredValueNotes.h"
#include "support/WideString.h"

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

using StoredSettings = std::vector<std::pair<Support::WideString, Support::WideString>>;

/// Why a session stopped; the text says whether anything was changed.
class SessionFailure : public std::runtime_error {
public:
    enum class Kind {
        /// The name cannot be used as given.
        Unusable,
        /// There is no ODBC installer to ask.
        InstallerMissing,
        /// A value or state the rules refuse, or a value the store cannot keep.
        Refused,
        /// The configuration cannot be read or written.
        Failed,
        /// Writing needs rights this user does not have.
        NeedsRights,
    };
    SessionFailure(Kind kind, const std::string& text) : std::runtime_error(text), m_kind(kind) {}
    [[nodiscard]] Kind GetKind() const { return m_kind; }

private:
    Kind m_kind;
};

/// One setting a request named or a save changes. Absent before or after: none.
struct SettingReport {
    std::string name;
    std::optional<std::string> before;
    std::optional<std::string> after;
    /// A password: shown masked.
    bool secret = false;

    [[nodiscard]] bool Changes() const { return before != after; }
};

/// What applying a request changes.
struct SessionDifference {
    /// The settings asked for, then the others the save changes.
    std::vector<SettingReport> settings;
    /// Stored values the save changes though nobody asked, and why.
    std::vector<StoredValueNote> notes;
};

/// The spelling the rules give a name: the table's, or for a property its
/// set's prefix before the name as given.
[[nodiscard]] Support::WideString CanonicalSettingName(const Support::WideString& name);
[[nodiscard]] bool IsPasswordSetting(const Support::WideString& name);

class DriverSettingsSession {
public:
    explicit DriverSettingsSession(Support::DSIFileLogger& logger);

    /// Reads the driver configuration and reviews it. A file that holds the
    /// driver key but cannot be read is refused, never read as empty; the
    /// warnings are for files read as empty that stop nothing.
    [[nodiscard]] std::vector<std::string> Open();

    /// "FILE [Driver]", or the registry key.
    [[nodiscard]] std::string GetLocation() const;
    /// The section that holds the settings in a file.
    [[nodiscard]] std::u16string GetSection() const;
    [[nodiscard]] const StoredSettings& GetStored() const { return m_stored; }
    [[nodiscard]] const std::vector<StoredValueNote>& GetNotes() const { return m_notes; }
    /// The model, for a dialog to edit.
    [[nodiscard]] SODriverConnectionSettings& GetSettings() { return m_configuration.GetSettings(); }

    /// Applies the request as the dialog's OK would (with EXACT every other
    /// setting held goes back to its default, and joins ASSIGNMENTS); a
    /// refusal leaves nothing changed.
    [[nodiscard]] SessionDifference Apply(std::vector<SettingAssignment>& assignments, bool exact);
    /// True when the applied request writes anything.
    [[nodiscard]] bool Changes() const { return !m_writes.empty(); }
    /// Writes what Apply found to change, as one change.
    void Save();
    /// The dialog's OK: the whole model saved as one change.
    void SaveAsDialog();

private:
    DriverConfiguration m_configuration;
    StoredSettings m_stored;
    std::vector<StoredValueNote> m_notes;
    std::vector<DriverValueChange> m_writes;
};

class DataSourceSession {
public:
    /// Checks the name as every caller checks it (CheckDataSourceName).
    DataSourceSession(Support::DSIFileLogger& logger, const Support::WideString& name);

    /// Finds where the data source lives (SCOPE when asked; else where it is,
    /// else the user's), reads it and reviews it. Another driver's data source
    /// is refused with its name and its driver.
    void Open(std::optional<OS::DataSourceScope> scope);

    [[nodiscard]] const Support::WideString& GetName() const { return m_name; }
    [[nodiscard]] OS::DataSourceScope GetScope() const { return m_scope; }
    /// The file (or key) of the data sources in its scope.
    [[nodiscard]] std::string GetWhere() const;
    /// "WHERE [NAME]".
    [[nodiscard]] std::string GetLocation() const;
    [[nodiscard]] bool Exists() const { return m_exists; }
    /// Its entries but the driver entry.
    [[nodiscard]] const StoredSettings& GetStored() const { return m_stored; }
    [[nodiscard]] const std::vector<StoredValueNote>& GetNotes() const { return m_notes; }
    /// The model, for a dialog to edit.
    [[nodiscard]] RecordedDataSourceSettings& GetSettings() { return m_settings; }

    /// As DriverSettingsSession::Apply.
    [[nodiscard]] SessionDifference Apply(std::vector<SettingAssignment>& assignments, bool exact);
    /// True when the applied request writes anything; a new data source
    /// always does.
    [[nodiscard]] bool Changes() const { return !m_exists || !m_writes.empty(); }
    /// Refuses before anything is written when the data sources' file cannot be.
    void CheckWritable() const;
    /// Writes what Apply found to change, as one change.
    void Save();
    /// Removes the data source.
    void Remove();
    /// The dialog's OK: the data source as the dialog left it (under the name
    /// it gave), and the driver's logging options when the dialog changed
    /// them; a save that cannot write both writes neither, or says which
    /// was written.
    void SaveAsDialog();
    /// After SaveAsDialog failed: true when the data source was written.
    [[nodiscard]] bool WroteDataSource() const { return m_wroteDataSource; }

private:
    Support::WideString m_name;
    RecordedDataSourceSettings m_settings;
    OS::DataSourceScope m_scope = OS::DataSourceScope::User;
    bool m_exists = false;
    StoredSettings m_entries;
    StoredSettings m_stored;
    std::vector<StoredValueNote> m_notes;
    RecordedDataSourceSettings::LoggingOptions m_loggingOptions;
    std::vector<DriverValueChange> m_writes;
    bool m_wroteDataSource = false;
};

} // namespace Dravo::VezurAVUZ

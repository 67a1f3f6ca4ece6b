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

/// A data source that could not be removed; nothing was.
class DataSourceNotRemoved : public SessionFailure {
public:
    DataSourceNotRemoved(const std::string& text, std::string diagnostic)
        : SessionFailure(Kind::Failed, text), m_diagnostic(std::move(diagnostic))
    {
    }
    /// The system's account of it, naming the file.
    [[nodiscard]] const std::string& GetDiagnostic() const { return m_diagnostic; }

private:
    std::string m_diagnostic;
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

/// Refuses (SessionFailure, Refused) the first of an installer's attributes
/// that the rules refuse: a value out of its setting's values, or a
/// combination, judged on the data source as it will be (given values over
/// STORED ones). Attributes no setting knows pass.
void CheckInstallerAttributes(const StoredSettings& attributes, const StoredSettings& stored);

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
    /// How a name is taken.
    enum class Naming {
        /// Checked as every caller checks it (CheckDataSourceName).
        Checked,
        /// The name of a data source stored already, taken as it is stored:
        /// one made by hand stays reachable.
        AsStored,
    };
    DataSourceSession(Support::DSIFileLogger& logger, const Support::WideString& name, Naming naming = Naming::Checked);
    /// A data source its dialog names.
    explicit DataSourceSession(Support::DSIFileLogger& logger);

    /// The driver's name as an installer registered it, for the data sources
    /// this session makes; before Open.
    void UseDriver(const Support::WideString& driver) { m_driver = driver; }

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

    /// After Open: the data source is made anew, from the defaults a new one
    /// gets (with the logging options when a dialog is to show them);
    /// whatever it held goes when it is saved.
    void StartAnew(bool forDialog);
    /// An installer's attributes (a setup library's request): every key is
    /// stored as given but the name and driver, a plain password enciphered,
    /// judged by the rules as attributes are, combinations on the data source
    /// as it will be. Over a data source started anew they go over the
    /// defaults, which get the server type and port a new one gets; FOR_DIALOG:
    /// they fill the model, and what the dialog does not show is kept for its
    /// save. Section faults are nested in the SessionFailure.
    void ApplyAttributes(const StoredSettings& attributes, bool forDialog);

    /// True when the applied request writes anything; a new data source
    /// always does.
    [[nodiscard]] bool Changes() const { return m_anew || !m_exists || !m_writes.empty(); }
    /// Refuses before anything is written when the data sources' file cannot be.
    void CheckWritable() const;
    /// Writes what Apply found to change, as one change.
    void Save();
    /// Removes the data source; DataSourceNotRemoved when it cannot be.
    void Remove();
    /// What the dialog's OK does with a name it changed: the program saves a
    /// copy under it; an installer's change renames the data source.
    enum class NewName { SavesACopy, Renames };
    /// The dialog's OK: the data source as the dialog left it (under the name
    /// it gave), and the driver's logging options when the dialog changed
    /// them; a save that cannot write both writes neither, or says which
    /// was written. The section's own faults are let through.
    void SaveAsDialog(NewName newName = NewName::SavesACopy);
    /// After SaveAsDialog failed: true when the data source was written.
    [[nodiscard]] bool WroteDataSource() const { return m_wroteDataSource; }

private:
    Support::WideString m_name;
    Support::WideString m_driver;
    RecordedDataSourceSettings m_settings;
    OS::DataSourceScope m_scope = OS::DataSourceScope::User;
    bool m_exists = false;
    StoredSettings m_entries;
    StoredSettings m_stored;
    std::vector<StoredValueNote> m_notes;
    RecordedDataSourceSettings::LoggingOptions m_loggingOptions;
    std::vector<DriverValueChange> m_writes;
    bool m_anew = false;
    /// Attributes the dialog's save keeps where the dialog does not decide.
    StoredSettings m_given;
    bool m_wroteDataSource = false;
};

} // namespace Dravo::VezurAVUZ

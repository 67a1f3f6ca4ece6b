// The configuration tool as a whole: sets the product identity, checks that
// the driver configuration can be used, then runs the start-up sequence
// (registry key accessor, property sets, platform, logger, settings model,
// the driver-wide dialog), saves after OK as one change, and tears everything
// down in reverse order.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/ProgramOptions.h"
#include "platform/OdbcDataSources.h"
#include "resources/StringIds.h"

namespace Dravo::UI {
class DialogSystem;
}

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

class DialogBackend;
class StartupSequence;

// Exit codes besides the dialog's result (0 Cancel, 1 OK). A script failure
// uses the toolkit's code, 2.
inline constexpr int EXIT_SETTINGS_ERROR = 3;
inline constexpr int EXIT_DIALOG_UNAVAILABLE = 4;
inline constexpr int EXIT_NEEDS_ADMINISTRATOR = 5;
inline constexpr int EXIT_USAGE = 64;
inline constexpr int EXIT_UNAVAILABLE = 69;
/// Stopped by a signal: this plus the signal's number, as shells report it.
inline constexpr int EXIT_SIGNAL_BASE = 128;

class ConfigurationToolApplication {
public:
    /// The streams stand for standard input, output and error.
    ConfigurationToolApplication(
        std::string programName, std::istream& input, std::ostream& output, std::ostream& errors);

    /// Does what the options ask and returns the exit code.
    int Run(const ProgramOptions& options);

private:
    int Configure(const ProgramOptions& options);
    /// A command on the settings without a dialog (SettingsCommand).
    int RunSettingsCommand(const ProgramOptions& options);
    /// --register-setup (add) and --unregister-setup.
    /// Removes what the caller's environment may choose when running for
    /// another user, saying so on standard error.
    void DropCallerChosenVariables();
    /// The reason when a file unixODBC would read is a FIFO, a device or a
    /// directory; nothing when there is none.
    [[nodiscard]] static std::optional<std::string> FindIrregularDataSourceFile();
    int ChangeSetupRegistration(bool add);
    /// Refuses a file holding the driver key that cannot be read, and, when
    /// the driver-wide configuration is to be edited, a machine-wide one this
    /// user may not write, before anything is shown; 0 when all is fine.
    int CheckRegistry(bool driverWide);
    /// Refuses a data source file this user could not save, before the
    /// dialog opens; 0 when it can be saved.
    int CheckDataSourceFile(OS::DataSourceScope scope);
    /// The start-up sequence proper, from the module handle to the teardown.
    int RunDriverConfiguration(DialogBackend& backend, StartupSequence& startup);
    /// The same sequence for one data source in the installer's "ODBC.INI":
    /// loaded when its section exists, new otherwise, saved after OK.
    int RunDataSourceConfiguration(DialogBackend& backend, StartupSequence& startup, const std::string& name,
        std::optional<ProgramOptions::DataSourceScope> requestedScope);
    /// Runs the dialog, then saves after OK only; where a person watches, a
    /// failed save is told and the dialog opens again. The exit code.
    int RunDialogAndSave(DialogBackend& backend, Support::DSIFileLogger& logger,
        const std::function<int32_t()>& runDialog, const std::function<void()>& save,
        const std::function<std::string()>& saveFailure);
    /// Shows the text in a message box where a person watches the dialogs,
    /// and keeps it for standard error once the terminal is given back.
    void ReportError(DialogBackend* backend, const std::string& text);
    /// The kept lines, each after the program's name; the terminal must be
    /// the user's again.
    void WriteDeferredErrors();

    std::string m_programName;
    std::istream* m_input;
    std::ostream* m_output;
    std::ostream* m_errors;
    /// Lines for standard error, written after the dialogs are gone.
    std::string m_deferredErrors;
    /// The string id of the caption of ReportError's message box: the
    /// driver-wide dialog's own, or the data source dialog's.
    uint32_t m_errorCaptionId = Resources::IDS_CONFIGURATION_ERROR_CAPTION;
};

} // namespace Dravo::VezurAVUZ

// The settings without a dialog: get, set, unset, apply, check and settings.
// A change is made on the settings model the dialog edits, judged by the
// setting rules as the dialogs judge it, and saved as the dialog's OK saves:
// the save is recorded first, and only what it changes is written, as one
// change; a request that changes nothing writes nothing.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgramOptions.h"
#include "app/SettingsReport.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SettingsEdit.h"
#include "settings/SettingsSession.h"

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

/// A value refused, or check finding values to report: nothing was written.
inline constexpr int EXIT_VALUE_REFUSED = 65;

class SettingsCommand {
public:
    /// The streams stand for standard input, output and error.
    SettingsCommand(std::string programName, const ProgramOptions& options, std::istream& input, std::ostream& output,
        std::ostream& errors);

    /// After the start-up: does what the options ask; the exit code.
    int Run(Support::DSIFileLogger& logger);

private:
    int RunDriverWide(Support::DSIFileLogger& logger);
    /// The same for the data source of --dsn: made when it does not exist,
    /// removed by remove.
    int RunDataSource(Support::DSIFileLogger& logger, const Support::WideString& name);
    int Get(
        const std::vector<std::pair<Support::WideString, Support::WideString>>& stored, const std::u16string& section);
    int Check(const std::vector<StoredValueNote>& notes);

    /// The password of --password-stdin or --password-file, if any.
    std::optional<Support::WideString> ReadPassword();
    /// The assignments of set, unset or apply (SECTION: apply's section).
    std::vector<SettingAssignment> ReadAssignments(
        const std::optional<Support::WideString>& password, const std::u16string& section);
    /// Apply's file, as NAME/VALUE pairs of its section.
    std::vector<std::pair<Support::WideString, Support::WideString>> ReadApplyFile(const std::u16string& section);

    /// Takes what a session's request changes into the outcome.
    void Report(SessionDifference difference);

    /// Tells the outcome: text or JSON; the exit code given.
    int Finish(int exitCode);

    std::string m_programName;
    const ProgramOptions& m_options;
    std::istream& m_input;
    std::ostream& m_output;
    std::ostream& m_errors;
    SettingsOutcome m_outcome;
};

} // namespace Dravo::VezurAVUZ

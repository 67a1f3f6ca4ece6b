// What a settings command did, and how it is told: a line of text (with
// --diff each setting before and after, passwords masked), or one JSON object
// for a program (--json).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/SettingsSession.h"
#include "settings/StoredValueNotes.h"

namespace Dravo::VezurAVUZ {

struct SettingsOutcome {
    /// Where the settings are kept: "FILE [Driver]", or a registry key.
    std::string location;
    /// True when something was (or with --check would be) written.
    bool changed = false;
    bool checkOnly = false;
    /// The request removes the data source at location, whose name this is.
    std::optional<std::string> removedDataSource;
    std::vector<SettingReport> settings;
    std::vector<StoredValueNote> notes;
    /// The refusal or failure, when the request was not done.
    std::optional<std::string> error;
};

/// The text --json prints: {"changed": ..., "location": ..., "settings":
/// {NAME: {"before": ..., "after": ..., "changed": ...}}, "notes": [...],
/// "error": ...}.
[[nodiscard]] std::string FormatSettingsJson(const SettingsOutcome& outcome);

/// The lines a person reads: with DIFF, "-NAME=VALUE" and "+NAME=VALUE" for
/// each change, then a summary line.
void WriteSettingsText(const SettingsOutcome& outcome, bool diff, std::ostream& output);

/// One line for the terminal below the dialog: the first note, and how many
/// more there are, which CHECK_COMMAND lists.
[[nodiscard]] std::string SummariseNotes(const std::vector<StoredValueNote>& notes, const std::string& checkCommand);

} // namespace Dravo::VezurAVUZ

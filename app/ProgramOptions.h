// The command line of dravo-spark-config. With no argument the program is the
// configuration dialog in the terminal; the options choose another backend or
// registry location, name the setup library in unixODBC's driver entry (or
// take it away), or ask for help or the version. A subcommand (get, set,
// unset, apply, check, settings, remove, list) works on the settings without a
// dialog; test diagnoses a data source's connection.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Dravo::VezurAVUZ {

/// What a subcommand asks for, and how it answers.
struct SettingsCommandOptions {
    enum class Command { Get, Set, Unset, Apply, Check, List, Remove, DataSources, Test, Help };

    Command command = Command::Get;
    /// The words after the subcommand: names, NAME=VALUE, or the file of apply.
    std::vector<std::string> arguments;
    /// Everything but the write.
    bool checkOnly = false;
    /// Before and after of each setting changed.
    bool diff = false;
    /// One JSON object on standard output.
    bool json = false;
    /// The table of settings in Markdown (settings).
    bool markdown = false;
    /// Settings the request does not name go back to their defaults (apply, set).
    bool exact = false;
    /// The values alone, one a line, of the settings named (get).
    bool valuesOnly = false;
    /// The password from standard input, or from a file.
    bool passwordFromStandardInput = false;
    std::optional<std::string> passwordFile;
    /// The seconds test's network steps may take (--timeout).
    std::optional<double> timeoutSeconds;
};

struct ProgramOptions {
    enum class Action { Configure, Settings, RegisterSetup, UnregisterSetup, Help, Version, Invalid };

    Action action = Action::Configure;
    /// The headless script ("-" is standard input); nothing means the terminal.
    std::optional<std::string> scriptPath;
    /// Takes the place of DRAVO_REGISTRY_ROOT for both hives.
    std::optional<std::string> registryRoot;
    /// The data source to edit instead of the driver-wide configuration.
    std::optional<std::string> dataSourceName;
    /// Where the data source is looked for and made: the user's or the
    /// system's data sources (--user, --system); nothing means where it lives,
    /// else the user's.
    enum class DataSourceScope { User, System };
    std::optional<DataSourceScope> dataSourceScope;
    /// A subcommand's own (Action::Settings).
    SettingsCommandOptions settings;
    /// Why the command line was refused (Action::Invalid).
    std::string error;
    /// The command whose help is asked for ("set --help", "help set"); none
    /// for the program's (Action::Help).
    std::optional<std::string> helpTopic;

    /// Reads the arguments after the program name. "--name VALUE" and
    /// "--name=VALUE" are both accepted; an option given twice, an unknown
    /// option or a missing value makes the result Invalid (with
    /// settings.json set when --json was among the arguments, so that the
    /// refusal is told as JSON too). "COMMAND --help" and "help [COMMAND]"
    /// ask for help, whatever else is given.
    static ProgramOptions Parse(std::span<const std::string> arguments);
};

/// The text --help prints: what the program does on this system
/// (UsageText.cpp, win32/UsageText.cpp).
[[nodiscard]] std::string GetUsageText(const std::string& programName);
/// The part of the --help text on the commands, the same on every system.
[[nodiscard]] std::string GetCommandsUsageText();
/// The help of one command ("set"); empty for a word that is no command.
[[nodiscard]] std::string GetCommandUsageText(const std::string& programName, const std::string& command);
/// The exit statuses of the dialog and the commands, the same on every system.
[[nodiscard]] std::string GetExitStatusUsageText();

} // namespace Dravo::VezurAVUZ

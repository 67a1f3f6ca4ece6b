// The command line of dravo-spark-config. With no argument the program is the
// configuration dialog in the terminal; the options choose another backend or
// registry location, name the setup library in unixODBC's driver entry (or
// take it away), or ask for help or the version.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace Dravo::VezurAVUZ {

struct ProgramOptions {
    enum class Action { Configure, RegisterSetup, UnregisterSetup, Help, Version, Invalid };

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
    /// Why the command line was refused (Action::Invalid).
    std::string error;

    /// Reads the arguments after the program name. "--name VALUE" and
    /// "--name=VALUE" are both accepted; an option given twice, an unknown
    /// option or a missing value makes the result Invalid.
    static ProgramOptions Parse(std::span<const std::string> arguments);
};

/// The text --help prints: what the program does on this system
/// (UsageText.cpp, win32/UsageText.cpp).
[[nodiscard]] std::string GetUsageText(const std::string& programName);

} // namespace Dravo::VezurAVUZ

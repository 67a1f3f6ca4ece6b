#include "app/ProgramOptions.h"

#include <string_view>

namespace Dravo::VezurAVUZ {
namespace {

ProgramOptions Refuse(std::string error)
{
    ProgramOptions refused;
    refused.action = ProgramOptions::Action::Invalid;
    refused.error = std::move(error);
    return refused;
}

using Command = SettingsCommandOptions::Command;

std::optional<Command> FindCommand(std::string_view word)
{
    if (word == "get") {
        return Command::Get;
    }
    if (word == "set") {
        return Command::Set;
    }
    if (word == "unset") {
        return Command::Unset;
    }
    if (word == "apply") {
        return Command::Apply;
    }
    if (word == "check") {
        return Command::Check;
    }
    if (word == "settings") {
        return Command::List;
    }
    if (word == "remove") {
        return Command::Remove;
    }
    if (word == "list") {
        return Command::DataSources;
    }
    if (word == "test") {
        return Command::Test;
    }
    if (word == "help") {
        return Command::Help;
    }
    return std::nullopt;
}

/// The subcommand's flags, or nullptr for an option that is none of them.
bool* FindFlag(SettingsCommandOptions& settings, std::string_view name)
{
    if (name == "--check") {
        return &settings.checkOnly;
    }
    if (name == "--diff") {
        return &settings.diff;
    }
    if (name == "--json") {
        return &settings.json;
    }
    if (name == "--markdown") {
        return &settings.markdown;
    }
    if (name == "--exact") {
        return &settings.exact;
    }
    if (name == "--password-stdin") {
        return &settings.passwordFromStandardInput;
    }
    if (name == "--value") {
        return &settings.valuesOnly;
    }
    return nullptr;
}

/// Why the subcommand's words and options do not go together; empty when they do.
std::string CheckSettingsCommand(const SettingsCommandOptions& settings, const std::string& word,
    const std::vector<std::string>& flags, bool dataSource)
{
    const bool changes = settings.command == Command::Set || settings.command == Command::Unset
        || settings.command == Command::Apply || settings.command == Command::Remove;
    const bool password = settings.passwordFromStandardInput || settings.passwordFile;
    for (const std::string& flag : flags) {
        const bool fits = (flag == "--check" && changes)
            || (flag == "--diff" && changes && settings.command != Command::Remove)
            || (flag == "--exact" && (settings.command == Command::Apply || settings.command == Command::Set))
            || (flag == "--markdown" && settings.command == Command::List)
            || (flag == "--value" && settings.command == Command::Get)
            || ((flag == "--password-stdin" || flag == "--password-file")
                && (settings.command == Command::Set || settings.command == Command::Apply))
            || (flag == "--timeout" && settings.command == Command::Test) || flag == "--json";
        if (!fits) {
            return "option '" + flag + "' does not go with '" + word + "'";
        }
    }
    if (settings.passwordFromStandardInput && settings.passwordFile) {
        return "options '--password-stdin' and '--password-file' exclude each other";
    }
    if (settings.json && settings.markdown) {
        return "options '--json' and '--markdown' exclude each other";
    }
    if (settings.json && settings.valuesOnly) {
        return "options '--json' and '--value' exclude each other";
    }
    if (settings.valuesOnly && settings.arguments.empty()) {
        return "'--value' prints the values of the settings named: give their names";
    }
    if (settings.command == Command::List && dataSource) {
        return "'settings' lists every setting; it takes no '--dsn'";
    }
    const size_t count = settings.arguments.size();
    switch (settings.command) {
    case Command::Set:
        if (count == 0 && !password) {
            return "'set' needs at least one NAME=VALUE";
        }
        break;
    case Command::Unset:
        if (count == 0) {
            return "'unset' needs at least one NAME";
        }
        break;
    case Command::Apply:
        if (count != 1) {
            return "'apply' needs exactly one FILE";
        }
        break;
    case Command::Remove:
        if (!dataSource) {
            return "'remove' removes a data source: give it with --dsn NAME";
        }
        [[fallthrough]];
    case Command::Check:
        if (count != 0) {
            return "'" + word + "' takes no arguments, but was given '" + settings.arguments.front() + "'";
        }
        break;
    case Command::DataSources:
        if (dataSource) {
            return "'list' lists every data source of the driver; it takes no '--dsn'";
        }
        if (count != 0) {
            return "'list' takes no arguments, but was given '" + settings.arguments.front() + "'";
        }
        break;
    case Command::Get:
    case Command::List:
    case Command::Help:
        break;
    case Command::Test:
        if (count == 0 && !dataSource) {
            return "'test' needs a data source: --dsn NAME, or its settings as NAME=VALUE (Host=... Port=...)";
        }
        break;
    }
    return "";
}

/// Seconds as "10" or "2.5"; nothing for anything else or out of range.
std::optional<double> ParseTimeout(const std::string& text)
{
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos
        || text.find('.') != text.rfind('.') || text.front() == '.' || text.back() == '.') {
        return std::nullopt;
    }
    double seconds = 0;
    double scale = 1;
    bool fraction = false;
    for (const char digit : text) {
        if (digit == '.') {
            fraction = true;
        } else if (fraction) {
            scale /= 10;
            seconds += (digit - '0') * scale;
        } else {
            seconds = seconds * 10 + (digit - '0');
        }
    }
    if (seconds < 0.1 || seconds > 3600) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace

namespace {

ProgramOptions ParseArguments(std::span<const std::string> arguments);

} // namespace

ProgramOptions ProgramOptions::Parse(std::span<const std::string> arguments)
{
    ProgramOptions options = ParseArguments(arguments);
    if (options.action == Action::Invalid) {
        for (const std::string& argument : arguments) {
            options.settings.json = options.settings.json || argument == "--json";
        }
    }
    return options;
}

namespace {

ProgramOptions ParseArguments(std::span<const std::string> arguments)
{
    using Action = ProgramOptions::Action;
    using DataSourceScope = ProgramOptions::DataSourceScope;
    ProgramOptions options;
    bool wantsHelp = false;
    bool wantsVersion = false;
    std::optional<std::string> commandWord;
    std::vector<std::string> flags;
    std::optional<Action> setupAction;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--help" || argument == "-h") {
            wantsHelp = true;
            continue;
        }
        if (argument == "--version") {
            wantsVersion = true;
            continue;
        }
        if (argument == "--user" || argument == "--system") {
            const DataSourceScope scope = argument == "--user" ? DataSourceScope::User : DataSourceScope::System;
            if (options.dataSourceScope && *options.dataSourceScope != scope) {
                return Refuse("options '--user' and '--system' exclude each other");
            }
            options.dataSourceScope = scope;
            continue;
        }
        if (argument == "--register-setup" || argument == "--unregister-setup") {
            const Action action = argument == "--register-setup" ? Action::RegisterSetup : Action::UnregisterSetup;
            if (setupAction && *setupAction != action) {
                return Refuse("options '--register-setup' and '--unregister-setup' exclude each other");
            }
            setupAction = action;
            continue;
        }
        // The first word that is no option names the subcommand; the words
        // after it are its arguments.
        if (!argument.starts_with("-") || argument == "-") {
            if (commandWord) {
                options.settings.arguments.push_back(argument);
                continue;
            }
            const std::optional<Command> command = FindCommand(argument);
            if (!command) {
                return Refuse("unknown option '" + argument + "'");
            }
            commandWord = argument;
            options.settings.command = *command;
            continue;
        }

        std::string_view name = argument;
        std::optional<std::string> value;
        if (const size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            value = std::string(name.substr(equals + 1));
            name = name.substr(0, equals);
        }
        if (bool* flag = FindFlag(options.settings, name)) {
            if (value) {
                return Refuse("option '" + std::string(name) + "' takes no value");
            }
            if (*flag) {
                return Refuse("option '" + std::string(name) + "' given twice");
            }
            *flag = true;
            flags.emplace_back(name);
            continue;
        }
        std::optional<std::string>* target = nullptr;
        if (name == "--script") {
            target = &options.scriptPath;
        } else if (name == "--registry-root") {
            target = &options.registryRoot;
        } else if (name == "--dsn") {
            target = &options.dataSourceName;
        } else if (name == "--timeout") {
            if (options.settings.timeoutSeconds) {
                return Refuse("option '--timeout' given twice");
            }
            if (!value) {
                if (index + 1 == arguments.size()) {
                    return Refuse("option '--timeout' needs a value");
                }
                value = arguments[++index];
            }
            const std::optional<double> seconds = ParseTimeout(*value);
            if (!seconds) {
                return Refuse("option '--timeout' needs a number of seconds from 0.1 to 3600, not '" + *value + "'");
            }
            options.settings.timeoutSeconds = seconds;
            flags.emplace_back(name);
            continue;
        } else if (name == "--password-file") {
            target = &options.settings.passwordFile;
            flags.emplace_back(name);
        } else {
            return Refuse("unknown option '" + argument + "'");
        }
        if (target->has_value()) {
            return Refuse("option '" + std::string(name) + "' given twice");
        }
        if (!value) {
            if (index + 1 == arguments.size()) {
                return Refuse("option '" + std::string(name) + "' needs a value");
            }
            value = arguments[++index];
        }
        // An empty root would silently mean the system's usual places.
        if (value->empty()) {
            return Refuse("option '" + std::string(name) + "' needs a non-empty value");
        }
        *target = std::move(value);
    }
    // Help is given whatever else the line holds: "set --help" has no
    // NAME=VALUE to check.
    if (commandWord && (wantsHelp || options.settings.command == Command::Help)) {
        if (options.settings.command == Command::Help) {
            if (options.settings.arguments.size() > 1) {
                return Refuse("'help' takes at most one COMMAND");
            }
            if (!options.settings.arguments.empty()) {
                options.helpTopic = options.settings.arguments.front();
            }
        } else {
            options.helpTopic = commandWord;
        }
        if (options.helpTopic && GetCommandUsageText("", *options.helpTopic).empty()) {
            return Refuse(
                "'" + *options.helpTopic + "' is no command (get, set, unset, apply, check, settings, remove)");
        }
        options.action = Action::Help;
        return options;
    }
    if (options.dataSourceScope && !options.dataSourceName && !wantsHelp && !wantsVersion) {
        return Refuse("options '--user' and '--system' go with '--dsn NAME'");
    }
    if (commandWord) {
        if (options.scriptPath) {
            return Refuse("'" + *commandWord + "' works without a dialog; it takes no '--script'");
        }
        if (const std::string why =
                CheckSettingsCommand(options.settings, *commandWord, flags, options.dataSourceName.has_value());
            !why.empty()) {
            return Refuse(why);
        }
        options.action = Action::Settings;
    } else if (!flags.empty()) {
        return Refuse(
            "option '" + flags.front() + "' belongs to a subcommand (get, set, unset, apply, check, settings, remove)");
    }
    if (wantsHelp) {
        options.action = Action::Help;
    } else if (wantsVersion) {
        options.action = Action::Version;
    } else if (setupAction) {
        // They change unixODBC's driver entry only; nothing else applies.
        if (options.scriptPath || options.registryRoot || options.dataSourceName || commandWord) {
            return Refuse("option '"
                + std::string(*setupAction == Action::RegisterSetup ? "--register-setup" : "--unregister-setup")
                + "' takes no other option");
        }
        options.action = *setupAction;
    }
    return options;
}

} // namespace

std::string GetCommandsUsageText()
{
    return "Commands, for the settings without a dialog (the driver-wide ones, or with\n"
           "--dsn one data source's), judged by the dialogs' own rules:\n"
           "  get [NAME...]         print the stored settings as NAME=VALUE lines\n"
           "                        (--value: the values of those named, one a line)\n"
           "  set NAME=VALUE...     store values; a list's value may be its label;\n"
           "                        --exact as for apply\n"
           "  unset NAME...         put settings back to their defaults\n"
           "  apply FILE            hold the settings of an ini file's [Driver] section\n"
           "                        (or the data source's section); --exact puts the\n"
           "                        settings it does not name back to their defaults\n"
           "  check                 report stored values the dialog shows differently\n"
           "                        or would refuse, with their file and line\n"
           "  settings [NAME...]    list every setting (or those named): what it is for,\n"
           "                        its values and default (--markdown: as a table)\n"
           "  remove                with --dsn NAME: remove the data source\n"
           "  list                  list the driver's data sources, the user's and the\n"
           "                        system's, with their settings\n"
           "  test [NAME=VALUE...]  diagnose the connection of the data source of --dsn\n"
           "                        (or of the settings given) step by step: settings,\n"
           "                        driver, name, connect, tls, kerberos, transport,\n"
           "                        driver test; --timeout SECONDS bounds the network\n"
           "                        steps (else SocketTimeout, else 10)\n"
           "  help [COMMAND]        show this text, or a command's (also COMMAND --help)\n"
           "  --check               do everything but write\n"
           "  --diff                show each setting changed, before and after\n"
           "  --json                answer with one JSON object on standard output\n"
           "  --password-stdin      read the password from standard input, or with\n"
           "  --password-file FILE  from FILE; it goes to EncryptedPWD, or to the\n"
           "                        password setting named without '=' (set\n"
           "                        EncryptedClientPrivateKeyPWD --password-stdin)\n"
           "A request that stores what is already stored writes nothing.\n";
}

std::string GetCommandUsageText(const std::string& programName, const std::string& command)
{
    struct CommandHelp {
        const char* name;
        const char* usage;
        const char* text;
    };
    static constexpr CommandHelp COMMANDS[] = {
        {"get", "get [NAME...] [--value] [--json]",
            "Prints the stored settings, or those named, as NAME=VALUE lines under the\n"
            "section's header, which 'apply' reads back; passwords and settings that are\n"
            "not stored are comments. --value prints only the values of the settings\n"
            "named, one a line (an empty line for one not stored).\n"},
        {"set", "set NAME=VALUE... [--password-stdin | --password-file FILE] [--check] [--diff] [--json]",
            "Stores values as the dialogs' OK would, judged by their rules; a list's value\n"
            "may be its label, a switch's true, false, yes or no. A password is read from\n"
            "standard input or a file, never from the command line.\n"},
        {"unset", "unset NAME... [--check] [--diff] [--json]", "Puts settings back to their defaults.\n"},
        {"apply", "apply FILE [--exact] [--password-stdin | --password-file FILE] [--check] [--diff] [--json]",
            "Holds the settings of FILE's [Driver] section (or the data source's section),\n"
            "as 'get' prints them; - reads standard input. A line that is no NAME=VALUE,\n"
            "a second section of the name or a setting given twice is refused. --exact\n"
            "puts the settings the file does not name back to their defaults.\n"},
        {"check", "check [--json]",
            "Reports, with their file and line, the stored values that the dialog shows\n"
            "differently or that a change would refuse; exits with 65 when it finds any.\n"},
        {"settings", "settings [NAME...] [--markdown | --json]",
            "Lists every setting, or those named: what it is for, its type, values,\n"
            "default, where it is edited and what it is used with.\n"},
        {"remove", "--dsn NAME remove [--check] [--json]", "Removes the data source NAME.\n"},
        {"help", "help [COMMAND]", "Shows the program's help, or a command's.\n"},
    };
    for (const CommandHelp& help : COMMANDS) {
        if (command == help.name) {
            return "Usage: " + programName + " [--registry-root DIR] [--dsn NAME [--user | --system]] " + help.usage
                + "\n\n" + help.text + "\n" + GetExitStatusUsageText();
        }
    }
    return "";
}

std::string GetExitStatusUsageText()
{
    return "Exit status: 1 after OK, 0 after Cancel, 2 when a script fails, 3 when the\n"
           "settings cannot be read or saved, 4 when the dialog cannot be shown, 5 when\n"
           "administrator rights are needed, 64 for a bad command line or a data source\n"
           "name the ODBC installer refuses, 69 when the ODBC installer is missing.\n"
           "A command exits with 0 when it is done, changed or not, and 65 when a value\n"
           "is refused (nothing is written) or check finds a value to report; test\n"
           "exits with 0 when no step failed (warnings allowed) and 6 when one did.\n";
}

} // namespace Dravo::VezurAVUZ

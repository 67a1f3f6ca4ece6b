#include "app/ProgramOptions.h"

#include <string_view>

#include "identity/ProductIdentity.h"

namespace Dravo::VezurAVUZ {
namespace {

ProgramOptions Refuse(std::string error)
{
    ProgramOptions refused;
    refused.action = ProgramOptions::Action::Invalid;
    refused.error = std::move(error);
    return refused;
}

} // namespace

ProgramOptions ProgramOptions::Parse(std::span<const std::string> arguments)
{
    ProgramOptions options;
    bool wantsHelp = false;
    bool wantsVersion = false;
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

        std::string_view name = argument;
        std::optional<std::string> value;
        if (const size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            value = std::string(name.substr(equals + 1));
            name = name.substr(0, equals);
        }
        std::optional<std::string>* target = nullptr;
        if (name == "--script") {
            target = &options.scriptPath;
        } else if (name == "--registry-root") {
            target = &options.registryRoot;
        } else if (name == "--dsn") {
            target = &options.dataSourceName;
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
    if (options.dataSourceScope && !options.dataSourceName && !wantsHelp && !wantsVersion) {
        return Refuse("options '--user' and '--system' go with '--dsn NAME'");
    }
    if (wantsHelp) {
        options.action = Action::Help;
    } else if (wantsVersion) {
        options.action = Action::Version;
    }
    return options;
}

std::string GetUsageText(const std::string& programName)
{
    // The names the driver finds its configuration file by.
    const ProductIdentity& identity = GetBuiltInProductIdentity();
    const std::string variable = identity.configEnvironmentVariable.GetAsUTF8();
    const std::string userFile = identity.userConfigFileName.GetAsUTF8();
    const std::string machineFile = userFile.starts_with('.') ? userFile.substr(1) : userFile;
    return "Usage: " + programName + " [--registry-root DIR] [--script FILE] [--dsn NAME [--user | --system]]\n"
        "       " + programName + " --help | --version\n"
        "\n"
        "Edits the driver-wide configuration of the Dravo Spark ODBC Driver, or with\n"
        "--dsn one data source, in a dialog in the terminal. OK saves the settings,\n"
        "Cancel leaves them as they were.\n"
        "\n"
        "The driver-wide settings are kept where the driver reads them: in the file\n"
        "that " + variable + " names when it is set, else in /etc/" + machineFile + " (the user's\n"
        "~/" + userFile + " is read first for the log settings). The line below the\n"
        "dialog names the file. See " + programName + "(1) for its format.\n"
        "\n"
        "Options:\n"
        "  --script FILE         run the dialogs without a terminal, driven by the\n"
        "                        script FILE (- reads standard input)\n"
        "  --registry-root DIR   keep both registry hives in DIR (as DRAVO_REGISTRY_ROOT),\n"
        "                        and unless " + variable + " is set, the settings in\n"
        "                        DIR/" + machineFile + " and DIR/" + userFile + "\n"
        "  --dsn NAME            edit the data source NAME of the ODBC installer, in the\n"
        "                        odbc.ini that holds it (the user's first); a new one\n"
        "                        is made on OK among the user's data sources\n"
        "  --user, --system      with --dsn: the user's or the system's data source\n"
        "  --help                show this text\n"
        "  --version             show the version\n"
        "\n"
        "Exit status: 1 after OK, 0 after Cancel, 2 when a script fails, 3 when the\n"
        "settings cannot be read or saved, 4 when the dialog cannot be shown, 5 when\n"
        "administrator rights are needed, 64 for a bad command line or a data source\n"
        "name the ODBC installer refuses, 69 when the ODBC installer is missing.\n"
        "See " + programName + "(1).\n";
}

} // namespace Dravo::VezurAVUZ

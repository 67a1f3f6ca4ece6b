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

} // namespace

ProgramOptions ProgramOptions::Parse(std::span<const std::string> arguments)
{
    ProgramOptions options;
    bool wantsHelp = false;
    bool wantsVersion = false;
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
    } else if (setupAction) {
        // They change unixODBC's driver entry only; nothing else applies.
        if (options.scriptPath || options.registryRoot || options.dataSourceName) {
            return Refuse("option '" + std::string(*setupAction == Action::RegisterSetup ? "--register-setup"
                    : "--unregister-setup") + "' takes no other option");
        }
        options.action = *setupAction;
    }
    return options;
}

} // namespace Dravo::VezurAVUZ

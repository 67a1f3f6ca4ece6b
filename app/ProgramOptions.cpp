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
    if (wantsHelp) {
        options.action = Action::Help;
    } else if (wantsVersion) {
        options.action = Action::Version;
    }
    return options;
}

} // namespace Dravo::VezurAVUZ

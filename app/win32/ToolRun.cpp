#include "app/win32/ToolRun.h"

#include <ostream>

#include "app/ConfigurationToolApplication.h"
#include "app/ProgramOptions.h"
#include "platform/Registry.h"

namespace Dravo::VezurAVUZ {

void TranslateWindowsOptions(std::vector<std::string>& arguments)
{
    for (std::string& argument : arguments) {
        if (argument == "/?") {
            argument = "--help";
        }
    }
}

int RunWindowsTool(const std::string& programName, std::vector<std::string> arguments, std::istream& input,
    std::ostream& output, std::ostream& errors)
{
    TranslateWindowsOptions(arguments);
    const auto options = ProgramOptions::Parse(arguments);
    using Action = ProgramOptions::Action;
    if ((options.action == Action::Configure || options.action == Action::Settings) && options.registryRoot) {
        // The driver reads the real HKEY_LOCAL_MACHINE: say where this run saves instead.
        OS::SetRegistryRoot(*options.registryRoot);
        errors << programName << ": --registry-root: the registry is kept below "
               << OS::GetHiveFilePath(OS::RegistryHive::LocalMachine) << ", which the driver does not read.\n";
    }
    ConfigurationToolApplication application(programName, input, output, errors);
    const int exitCode = application.Run(options);
    output.flush();
    errors.flush();
    return exitCode;
}

} // namespace Dravo::VezurAVUZ

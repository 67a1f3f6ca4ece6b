// Entry point of the configuration tool on Windows: a GUI program (no console
// window of its own) whose command line is the same as on Linux.
#include <iostream>
#include <string>

#include "app/ConfigurationToolApplication.h"
#include "app/ProgramOptions.h"
#include "platform/ProgramStart.h"
#include "platform/Registry.h"

// The C runtime's GUI entry with -municode: wWinMain(HINSTANCE, HINSTANCE,
// PWSTR, int), declared here without the Windows headers.
extern "C" int wWinMain(void* instance, void* previous, wchar_t* commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    Dravo::OS::ConnectStandardStreams();
    const auto options = Dravo::VezurAVUZ::ProgramOptions::Parse(Dravo::OS::GetProgramArguments(0, nullptr));
    using Action = Dravo::VezurAVUZ::ProgramOptions::Action;
    if ((options.action == Action::Configure || options.action == Action::Settings) && options.registryRoot) {
        // The driver reads the real HKEY_LOCAL_MACHINE: say where this run saves instead.
        Dravo::OS::SetRegistryRoot(*options.registryRoot);
        std::cerr << "dravo-spark-config: --registry-root: the registry is kept below "
                  << Dravo::OS::GetHiveFilePath(Dravo::OS::RegistryHive::LocalMachine)
                  << ", which the driver does not read.\n";
    }
    Dravo::VezurAVUZ::ConfigurationToolApplication application("dravo-spark-config", std::cin, std::cout, std::cerr);
    const int exitCode = application.Run(options);
    std::cout.flush();
    std::cerr.flush();
    return exitCode;
}

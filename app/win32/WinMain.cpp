// Entry point of the configuration tool on Windows: a GUI program (no console
// window of its own) whose command line is the same as on Linux.
#include <iostream>
#include <string>

#include "app/ConfigurationToolApplication.h"
#include "app/ProgramOptions.h"
#include "platform/ProgramStart.h"

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
    Dravo::VezurAVUZ::ConfigurationToolApplication application("dravo-spark-config", std::cin, std::cout, std::cerr);
    const int exitCode = application.Run(options);
    std::cout.flush();
    std::cerr.flush();
    return exitCode;
}

// Entry point of the dialog program on Windows: a GUI program (no console
// window of its own) that asks for administrator rights; its command line is
// the same as on Linux. Scripts use the console program instead.
#include <iostream>

#include "app/win32/ToolRun.h"
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
    return Dravo::VezurAVUZ::RunWindowsTool(
        "dravo-spark-config", Dravo::OS::GetProgramArguments(0, nullptr), std::cin, std::cout, std::cerr);
}

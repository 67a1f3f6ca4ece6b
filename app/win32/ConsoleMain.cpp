// Entry point of the console program: the same commands and dialogs as the
// dialog program, run with the caller's rights so that cmd, PowerShell and
// deployment tools wait for it, redirect its output and read its exit status.
#include <iostream>
#include <string>
#include <vector>

#include <windows.h>

#include "app/ConfigurationToolApplication.h"
#include "app/win32/ConsoleStreams.h"
#include "app/win32/ToolRun.h"
#include "platform/ProgramStart.h"

int wmain(int, wchar_t**)
{
    using namespace Dravo::VezurAVUZ;
    std::vector<std::string> arguments = Dravo::OS::GetProgramArguments(0, nullptr);
    bool passwordFromInput = false;
    for (const std::string& argument : arguments) {
        passwordFromInput = passwordFromInput || argument == "--password-stdin";
    }
    const HANDLE errorHandle = ::GetStdHandle(STD_ERROR_HANDLE);
    ConsoleOutputBuffer outputBuffer(::GetStdHandle(STD_OUTPUT_HANDLE));
    ConsoleOutputBuffer errorBuffer(errorHandle);
    ConsoleInputBuffer inputBuffer(::GetStdHandle(STD_INPUT_HANDLE), errorHandle, passwordFromInput);
    // Whatever else writes to the standard streams goes the same way.
    std::cout.rdbuf(&outputBuffer);
    std::cerr.rdbuf(&errorBuffer);
    std::cin.rdbuf(&inputBuffer);
    std::ostream output(&outputBuffer);
    std::ostream errors(&errorBuffer);
    std::istream input(&inputBuffer);

    // The commands' refusals name the rights missing; the dialogs' say how to get them.
    bool command = false;
    for (const std::string& argument : arguments) {
        command = command || (!argument.empty() && argument[0] != '-');
    }
    const int exitCode = RunWindowsTool("dravo-spark-config-cli", std::move(arguments), input, output, errors);
    if (exitCode == EXIT_NEEDS_ADMINISTRATOR && command) {
        errors << "Run the command again from a prompt started with \"Run as administrator\".\n";
    }
    errors.flush();
    output.flush();
    std::cout.rdbuf(nullptr);
    std::cerr.rdbuf(nullptr);
    std::cin.rdbuf(nullptr);
    return exitCode;
}

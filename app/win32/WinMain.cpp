// Entry point of the configuration tool on Windows: a GUI program whose
// command line is the same as on Linux. Output goes to the standard handles
// the program was given (a redirection, or Wine's terminal), or to the
// console of the program that started it.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/ConfigurationToolApplication.h"
#include "app/ProgramOptions.h"
#include "platform/Utf8.h"

namespace {

std::string ToUtf8(const wchar_t* text)
{
    std::string utf8;
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text), std::wstring_view(text).size());
    if (!Dravo::OS::AppendUtf8FromUtf16(units, utf8)) {
        utf8.assign(units.begin(), units.end());
    }
    return utf8;
}

/// Without handles of its own, a GUI program writes to its parent's console, if any.
void ConnectStandardStreams()
{
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* stream = nullptr;
        (void)::freopen_s(&stream, "CONOUT$", "w", stdout);
        (void)::freopen_s(&stream, "CONOUT$", "w", stderr);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    ConnectStandardStreams();
    // Common Controls 6, as the manifest asks for, draws the themed controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i) {
        arguments.push_back(ToUtf8(words[i]));
    }
    if (words) {
        ::LocalFree(words);
    }
    const auto options = Dravo::VezurAVUZ::ProgramOptions::Parse(arguments);
    Dravo::VezurAVUZ::ConfigurationToolApplication application("dravo-spark-config", std::cin, std::cout, std::cerr);
    const int exitCode = application.Run(options);
    std::cout.flush();
    std::cerr.flush();
    return exitCode;
}

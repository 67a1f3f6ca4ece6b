// Program start on Windows: the wide command line, and the parent's console.
#include "platform/ProgramStart.h"

#include <cstdio>

#include <windows.h>
#include <shellapi.h>

#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::vector<std::string> GetProgramArguments(int, char**)
{
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i) {
        std::string utf8;
        const std::u16string word = FromWide(words[i]);
        if (!AppendUtf8FromUtf16(word, utf8)) {
            // A lone surrogate cannot be UTF-8: keep the rest of the word readable.
            utf8.clear();
            for (const char16_t unit : word) {
                utf8 += unit < 0x80 ? static_cast<char>(unit) : '?';
            }
        }
        arguments.push_back(std::move(utf8));
    }
    if (words) {
        ::LocalFree(words);
    }
    return arguments;
}

void ConnectStandardStreams()
{
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        return;
    }
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* stream = nullptr;
        (void)::freopen_s(&stream, "CONOUT$", "w", stdout);
        (void)::freopen_s(&stream, "CONOUT$", "w", stderr);
        // A password typed at the console (--password-stdin) comes from it;
        // input redirected by the caller stays as it is.
        if (input == nullptr || input == INVALID_HANDLE_VALUE) {
            (void)::freopen_s(&stream, "CONIN$", "r", stdin);
        }
    }
}

bool IsCallerInteractive()
{
    return true;
}

bool HasAdministratorRights()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL asked = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ::CloseHandle(token);
    return asked && elevation.TokenIsElevated != 0;
}

} // namespace Dravo::OS

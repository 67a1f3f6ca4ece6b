// Where the running program lives, on Windows.
#include "platform/ModulePath.h"

#include <vector>

#include <windows.h>

#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::u16string GetModuleFilePath()
{
    // The module this code is in: the program, or the setup library inside
    // another program.
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&GetModuleFilePath), &module)) {
        module = nullptr;
    }
    // The path may be longer than MAX_PATH with the \\?\ prefix: grow until it fits.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD length = ::GetModuleFileNameW(module, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            return FromWide(buffer.data(), length);
        }
    }
    return {};
}

} // namespace Dravo::OS

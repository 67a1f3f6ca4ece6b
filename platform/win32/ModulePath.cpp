// Where the running program lives, on Windows.
#include "platform/ModulePath.h"

#include <vector>

#include <windows.h>

#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::u16string GetModuleFilePath()
{
    // The path may be longer than MAX_PATH with the \\?\ prefix: grow until it fits.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
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

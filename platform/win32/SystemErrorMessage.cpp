// The system's own text for an error code, as Windows words it in the user's language.
#include "platform/SystemError.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::u16string GetSystemErrorMessage(ErrorCode code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) {
        return {};
    }
    std::u16string text = FromWide(buffer, length);
    ::LocalFree(buffer);
    return text;
}

} // namespace Dravo::OS

#include "platform/SharedLibrary.h"

#include <windows.h>

#include "platform/SystemError.h"
#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {
namespace {

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    if (!AppendUtf8FromUtf16(text, out)) {
        out.assign(1, '?');
    }
    return out;
}

std::u16string ToUtf16(std::string_view text)
{
    std::u16string out;
    if (!AppendUtf16FromUtf8(text, out)) {
        out.assign(text.begin(), text.end());
    }
    return out;
}

} // namespace

std::string GetSystemLibraryPath(std::string_view fileName)
{
    wchar_t directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    std::string path = length > 0 && length < MAX_PATH ? ToUtf8(FromWide(directory, length)) : "C:\\Windows\\System32";
    path += '\\';
    path += fileName;
    return path;
}

SharedLibraryHandle LoadSharedLibrary(const std::string& path, std::string& reason)
{
    HMODULE handle = ::LoadLibraryW(ToWide(ToUtf16(path)).c_str());
    if (!handle) {
        reason = path + ": " + ToUtf8(GetSystemErrorMessage(::GetLastError()));
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
            reason.pop_back();
        }
    }
    return reinterpret_cast<SharedLibraryHandle>(handle);
}

void* FindSharedLibraryFunction(SharedLibraryHandle library, const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void UnloadSharedLibrary(SharedLibraryHandle library)
{
    ::FreeLibrary(reinterpret_cast<HMODULE>(library));
}

} // namespace Dravo::OS

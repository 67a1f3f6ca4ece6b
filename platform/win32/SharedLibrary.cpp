#include "platform/SharedLibrary.h"

#include <windows.h>

#include "platform/SystemError.h"
#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::string GetSystemLibraryPath(std::string_view fileName)
{
    wchar_t directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    std::string path =
        length > 0 && length < MAX_PATH ? Utf8OrPlaceholder(FromWide(directory, length)) : "C:\\Windows\\System32";
    path += '\\';
    path += fileName;
    return path;
}

SharedLibraryHandle LoadSharedLibrary(const std::string& path, std::string& reason)
{
    HMODULE handle = ::LoadLibraryW(ToWide(Utf16OrWidenedBytes(path)).c_str());
    if (!handle) {
        reason = path + ": " + Utf8OrPlaceholder(GetSystemErrorMessage(::GetLastError()));
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

SharedLibraryHandle FindLoadedSharedLibrary(const std::string& fileName)
{
    HMODULE handle = nullptr;
    if (!::GetModuleHandleExW(0, ToWide(Utf16OrWidenedBytes(fileName)).c_str(), &handle)) {
        return nullptr;
    }
    return reinterpret_cast<SharedLibraryHandle>(handle);
}

void KeepLinkedLibrariesLoaded()
{
    // The third-party libraries and the C++ runtime are linked in statically;
    // the system's own libraries never go away.
}

} // namespace Dravo::OS

// The ODBC driver manager on Windows: odbc32.dll from the system directory.
#include "platform/OdbcDriverManager.h"

#include <cstdlib>
#include <mutex>

#include <windows.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "platform/OdbcDriverManagerCalls.inc"
#include "platform/SystemError.h"
#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {
namespace {

constexpr const char16_t* LIBRARY_NAME = u"odbc32.dll";

struct DriverManagerState {
    std::mutex mutex;
    HMODULE handle = nullptr;
    std::string loadedPath;
    OdbcCalls::Functions functions;
};

DriverManagerState& State()
{
    // Never destroyed: drivers the manager loaded may still run code from it
    // while the process ends.
    static auto* state = new DriverManagerState();
    return *state;
}

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

/// The loaded library's functions, loading it if needed; the reason when it
/// cannot be used. A failed load is tried again on the next call.
std::optional<std::string> LoadFunctions(OdbcCalls::Functions& functions)
{
    std::lock_guard lock(State().mutex);
    const std::string path = OdbcDriverManager::GetLibraryPath();
    if (State().handle && State().loadedPath == path) {
        functions = State().functions;
        return std::nullopt;
    }
    // A full path, so that no DLL in the program's folder or the current
    // directory can stand in for the system's.
    HMODULE handle = ::LoadLibraryW(ToWide(ToUtf16(path)).c_str());
    if (!handle) {
        const std::u16string reason = GetSystemErrorMessage(::GetLastError());
        std::string text = path + ": " + ToUtf8(reason);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        return text;
    }
    OdbcCalls::Functions found;
    if (auto missing = OdbcCalls::LookUpFunctions(
            found, [handle](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(handle, name)); })) {
        ::FreeLibrary(handle);
        return path + " has no function " + *missing;
    }
    // A library loaded before stays: a driver it loaded may still be in use.
    State().handle = handle;
    State().loadedPath = path;
    State().functions = found;
    functions = found;
    return std::nullopt;
}

} // namespace

std::string OdbcDriverManager::GetLibraryPath()
{
    if (const char* path = std::getenv(ODBC_LIBRARY_OVERRIDE_VARIABLE); path && *path) {
        return path;
    }
    wchar_t directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    std::u16string path = length > 0 && length < MAX_PATH ? FromWide(directory, length) : u"C:\\Windows\\System32";
    path += u"\\";
    path += LIBRARY_NAME;
    return ToUtf8(path);
}

OdbcConnectionTestResult OdbcDriverManager::TestConnection(std::u16string_view connectionString)
{
    OdbcCalls::Functions functions;
    if (auto error = LoadFunctions(functions)) {
        OdbcConnectionTestResult result;
        result.libraryError = std::move(error);
        return result;
    }
    return OdbcCalls::RunConnectionTest(functions, connectionString);
}

} // namespace Dravo::OS

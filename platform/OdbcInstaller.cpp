#include "platform/OdbcInstaller.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/ModulePath.h"
#include "platform/OdbcHeaders.h"
#include "platform/SharedLibrary.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the installer's wide characters must be UTF-16 units");

#ifdef _WIN32
constexpr const char* LIBRARY_NAME = "odbccp32.dll";
#else
constexpr const char* LIBRARY_NAME = "libodbcinst.so.2";
#endif

struct InstallerState {
    std::mutex mutex;
    SharedLibraryHandle handle = nullptr;
    std::string loadedPath;
    std::string libraryPath;
    /// Whether the last call found the library and its function.
    bool lastCallReached = false;
    InstallerMessageBox messageBox;
};

InstallerState& State()
{
    // Never destroyed: the library stays loaded until the process ends.
    static auto* state = new InstallerState();
    return *state;
}

/// The path to load; the caller holds the state's lock.
std::string LibraryPathLocked()
{
    return State().libraryPath.empty() ? GetSystemLibraryPath(LIBRARY_NAME) : State().libraryPath;
}

void ShowMessage(const std::u16string& caption, const std::u16string& text)
{
    InstallerMessageBox messageBox;
    {
        std::lock_guard lock(State().mutex);
        messageBox = State().messageBox;
    }
    if (messageBox) {
        messageBox(caption, text);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", Utf8OrPlaceholder(caption).c_str(), Utf8OrPlaceholder(text).c_str());
    std::fflush(stderr);
}

/// The loaded library, loading it if needed; nullptr after telling the user.
SharedLibraryHandle Library()
{
    {
        std::lock_guard lock(State().mutex);
        if (State().handle) {
            return State().handle;
        }
        const std::string path = LibraryPathLocked();
        std::string reason;
        if (SharedLibraryHandle handle = LoadSharedLibrary(path, reason)) {
            State().handle = handle;
            State().loadedPath = path;
            return handle;
        }
    }
    ShowMessage(std::u16string(INSTALLER_ERROR_CAPTION), std::u16string(INSTALLER_MISSING_TEXT));
    return nullptr;
}

std::vector<SQLWCHAR> WideArgument(std::u16string_view text)
{
    std::vector<SQLWCHAR> units(text.begin(), text.end());
    units.push_back(0);
    return units;
}

template <class Function>
Function* Lookup(const char* name)
{
    return reinterpret_cast<Function*>(OdbcInstaller::GetFunction(name));
}

} // namespace

void OdbcInstaller::SetMessageBox(InstallerMessageBox messageBox)
{
    std::lock_guard lock(State().mutex);
    State().messageBox = std::move(messageBox);
}

std::string OdbcInstaller::GetLibraryPath()
{
    std::lock_guard lock(State().mutex);
    return LibraryPathLocked();
}

void OdbcInstaller::SetLibraryPath(std::string path)
{
    std::lock_guard lock(State().mutex);
    State().libraryPath = std::move(path);
}

bool OdbcInstaller::IsAvailable()
{
    return Library() != nullptr;
}

bool OdbcInstaller::LastCallReachedInstaller()
{
    std::lock_guard lock(State().mutex);
    return State().lastCallReached;
}

void* OdbcInstaller::GetFunction(const char* name)
{
    SharedLibraryHandle handle = Library();
    void* function = handle ? FindSharedLibraryFunction(handle, name) : nullptr;
    std::string libraryPath;
    {
        std::lock_guard lock(State().mutex);
        State().lastCallReached = function != nullptr;
        libraryPath = State().loadedPath;
    }
    if (function || !handle) {
        return function;
    }
    const std::u16string modulePath = GetModuleFilePath();
    const std::u16string functionName = Utf16OrWidenedBytes(name);
    const std::u16string library = Utf16OrWidenedBytes(libraryPath);
    std::u16string text = u"The program ";
    text += modulePath;
    text += u", or one of its DLLs attempted to call the function ";
    text += functionName;
    text += u" which is not supported in the loaded ODBC installer DLL (";
    text += library;
    text += u"). Press OK to proceed.";
    if (text.size() > INSTALLER_MESSAGE_LIMIT) {
        text.resize(INSTALLER_MESSAGE_LIMIT);
        // Never leave half a surrogate pair at the cut.
        if (text.back() >= 0xD800 && text.back() <= 0xDBFF) {
            text.pop_back();
        }
    }
    ShowMessage(std::u16string(INSTALLER_ERROR_CAPTION), text);
    return nullptr;
}

bool OdbcInstaller::ValidDSN(std::u16string_view dsn)
{
    auto* function = Lookup<decltype(::SQLValidDSNW)>("SQLValidDSNW");
    if (!function) {
        return false;
    }
    const std::vector<SQLWCHAR> name = WideArgument(dsn);
    return function(name.data()) != 0;
}

bool OdbcInstaller::WriteDSNToIni(std::u16string_view dsn, std::u16string_view driver)
{
    auto* function = Lookup<decltype(::SQLWriteDSNToIniW)>("SQLWriteDSNToIniW");
    if (!function) {
        return false;
    }
    const std::vector<SQLWCHAR> name = WideArgument(dsn);
    const std::vector<SQLWCHAR> driverName = WideArgument(driver);
    return function(name.data(), driverName.data()) != 0;
}

int OdbcInstaller::GetPrivateProfileString(std::u16string_view section, std::u16string_view entry,
    std::u16string_view defaultValue, std::u16string& result, std::u16string_view fileName)
{
    result.clear();
    auto* function = Lookup<decltype(::SQLGetPrivateProfileStringW)>("SQLGetPrivateProfileStringW");
    if (!function) {
        return 0;
    }
    const std::vector<SQLWCHAR> sectionName = WideArgument(section);
    const std::vector<SQLWCHAR> entryName = WideArgument(entry);
    const std::vector<SQLWCHAR> fallback = WideArgument(defaultValue);
    const std::vector<SQLWCHAR> file = WideArgument(fileName);
    // A result that fills the buffer may have been cut: try a larger one.
    for (int size = 1024;; size *= 4) {
        std::vector<SQLWCHAR> buffer(static_cast<size_t>(size), 0);
        const int copied = function(sectionName.data(), entryName.data(), fallback.data(), buffer.data(), size,
            file.data());
        if (copied <= 0) {
            return 0;
        }
        if (copied < size - 1 || size >= (1 << 20)) {
            const size_t length = std::min(static_cast<size_t>(copied), buffer.size() - 1);
            result.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
            return static_cast<int>(length);
        }
    }
}

bool OdbcInstaller::WritePrivateProfileString(std::u16string_view section, std::u16string_view entry,
    std::u16string_view value, std::u16string_view fileName)
{
    auto* function = Lookup<decltype(::SQLWritePrivateProfileStringW)>("SQLWritePrivateProfileStringW");
    if (!function) {
        return false;
    }
    const std::vector<SQLWCHAR> sectionName = WideArgument(section);
    const std::vector<SQLWCHAR> entryName = WideArgument(entry);
    const std::vector<SQLWCHAR> text = WideArgument(value);
    const std::vector<SQLWCHAR> file = WideArgument(fileName);
    return function(sectionName.data(), entryName.data(), text.data(), file.data()) != 0;
}

bool OdbcInstaller::WritePrivateProfileStringNarrow(const std::string& section, const std::string& entry,
    const std::optional<std::string>& value, const std::string& fileName)
{
    // The narrow function by its own name: with UNICODE the header's name is the wide one.
    using NarrowWrite = BOOL INSTAPI(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
    auto* function = Lookup<NarrowWrite>("SQLWritePrivateProfileString");
    if (!function) {
        return false;
    }
    return function(section.c_str(), entry.c_str(), value ? value->c_str() : nullptr, fileName.c_str()) != 0;
}

} // namespace Dravo::OS

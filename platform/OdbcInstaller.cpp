#include "platform/OdbcInstaller.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/ModulePath.h"
#include "platform/OdbcHeaders.h"
#include "platform/OdbcInstallerText.h"
#include "platform/ProcessState.h"
#include "platform/SharedLibrary.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the installer's wide characters must be UTF-16 units");

#ifdef _WIN32
constexpr const char* LIBRARY_NAME = "odbccp32.dll";
// Windows' wide functions take UTF-16 as it is.
constexpr bool TAKES_UTF8 = false;
// Registry values hold far more than any setting.
constexpr size_t LONGEST_ENTRY_BYTES = 1 << 20;
#else
constexpr const char* LIBRARY_NAME = "libodbcinst.so.2";
// unixODBC's wide functions keep only the low byte of each UTF-16 unit; its
// narrow ones store UTF-8 as given.
constexpr bool TAKES_UTF8 = true;
// unixODBC reads and writes lines of at most 999 bytes: "name=value".
constexpr size_t LONGEST_ENTRY_BYTES = 998;
#endif

struct InstallerState {
    InstallerState() = default;
    InstallerState(const InstallerState&) = delete;
    InstallerState& operator=(const InstallerState&) = delete;
    ~InstallerState()
    {
        if (handle) {
            UnloadSharedLibrary(handle);
        }
    }

    std::mutex mutex;
    SharedLibraryHandle handle = nullptr;
    std::string loadedPath;
    std::string libraryPath;
    /// Whether the last call found the library and its function.
    bool lastCallReached = false;
    InstallerMessageBox messageBox;
};

// The library stays loaded until the process ends, or until the process
// state is forgotten.
ProcessState<InstallerState> g_state{"ODBC installer library"};

InstallerState& State()
{
    return g_state.Get();
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

/// The loaded library, loading it if needed; nullptr after telling the user
/// (or, when asked not to tell, without a word).
SharedLibraryHandle Library(bool tellUser = true)
{
    {
        std::lock_guard lock(State().mutex);
        if (State().handle) {
            return State().handle;
        }
        if (State().libraryPath.empty()) {
            if (SharedLibraryHandle handle = FindLoadedSharedLibrary(LIBRARY_NAME)) {
                State().handle = handle;
                State().loadedPath = LIBRARY_NAME;
                return handle;
            }
        }
        const std::string path = LibraryPathLocked();
        std::string reason;
        if (SharedLibraryHandle handle = LoadSharedLibrary(path, reason)) {
            State().handle = handle;
            State().loadedPath = path;
            return handle;
        }
    }
    if (tellUser) {
        ShowMessage(std::u16string(INSTALLER_ERROR_CAPTION), std::u16string(INSTALLER_MISSING_TEXT));
    }
    return nullptr;
}

template <class Function> Function* Lookup(const char* name)
{
    return reinterpret_cast<Function*>(OdbcInstaller::GetFunction(name));
}

// The narrow functions by their own names: with UNICODE the headers' names
// are the wide ones.
using NarrowValidDSN = BOOL INSTAPI(LPCSTR);
using NarrowWriteDSNToIni = BOOL INSTAPI(LPCSTR, LPCSTR);
using NarrowRemoveDSNFromIni = BOOL INSTAPI(LPCSTR);
using NarrowGetProfile = int INSTAPI(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR);
using NarrowWriteProfile = BOOL INSTAPI(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
using NarrowPostError = RETCODE INSTAPI(DWORD, LPCSTR);

} // namespace

bool InstallerTakesUtf8()
{
    return TAKES_UTF8;
}

std::vector<SQLWCHAR> WideArgument(std::u16string_view text)
{
    std::vector<SQLWCHAR> units(text.begin(), text.end());
    units.push_back(0);
    return units;
}

std::optional<std::string> Utf8Argument(std::u16string_view text)
{
    std::string bytes;
    if (!AppendUtf8FromUtf16(text, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

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

size_t OdbcInstaller::GetLongestEntryBytes()
{
    return LONGEST_ENTRY_BYTES;
}

void* OdbcInstaller::FindFunction(const char* name)
{
    SharedLibraryHandle handle = Library();
    return handle ? FindSharedLibraryFunction(handle, name) : nullptr;
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
    if (InstallerTakesUtf8()) {
        auto* function = Lookup<NarrowValidDSN>("SQLValidDSN");
        const auto name = Utf8Argument(dsn);
        return function && name && function(name->c_str()) != 0;
    }
    auto* function = Lookup<decltype(::SQLValidDSNW)>("SQLValidDSNW");
    return function && function(WideArgument(dsn).data()) != 0;
}

bool OdbcInstaller::WriteDSNToIni(std::u16string_view dsn, std::u16string_view driver)
{
    if (InstallerTakesUtf8()) {
        auto* function = Lookup<NarrowWriteDSNToIni>("SQLWriteDSNToIni");
        const auto name = Utf8Argument(dsn);
        const auto driverName = Utf8Argument(driver);
        return function && name && driverName && function(name->c_str(), driverName->c_str()) != 0;
    }
    auto* function = Lookup<decltype(::SQLWriteDSNToIniW)>("SQLWriteDSNToIniW");
    return function && function(WideArgument(dsn).data(), WideArgument(driver).data()) != 0;
}

bool OdbcInstaller::AddDSNToIni(std::u16string_view dsn, std::u16string_view driver)
{
#ifdef _WIN32
    // Windows also lists the data source and stores its driver's path.
    return WriteDSNToIni(dsn, driver);
#else
    return ValidDSN(dsn) && WritePrivateProfileString(dsn, u"Driver", driver, u"ODBC.INI");
#endif
}

std::optional<std::u16string> OdbcInstaller::FindRegisteredDriverLibrary(std::u16string_view driverName)
{
    const SharedLibraryHandle handle = Library(false);
    const char* function = InstallerTakesUtf8() ? "SQLGetPrivateProfileString" : "SQLGetPrivateProfileStringW";
    if (!handle || !FindSharedLibraryFunction(handle, function)) {
        return std::nullopt;
    }
    std::u16string library;
    if (GetPrivateProfileString(driverName, u"Driver", u"", library, u"ODBCINST.INI") <= 0 || library.empty()) {
        return std::nullopt;
    }
    return library;
}

int OdbcInstaller::GetPrivateProfileString(std::u16string_view section, std::u16string_view entry,
    std::u16string_view defaultValue, std::u16string& result, std::u16string_view fileName)
{
    result.clear();
    if (InstallerTakesUtf8()) {
        auto* function = Lookup<NarrowGetProfile>("SQLGetPrivateProfileString");
        const auto sectionName = Utf8Argument(section);
        const auto entryName = Utf8Argument(entry);
        const auto fallback = Utf8Argument(defaultValue);
        const auto file = Utf8Argument(fileName);
        if (!function || !sectionName || !entryName || !fallback || !file) {
            return 0;
        }
        // A result that fills the buffer may have been cut: try a larger one.
        for (int size = 1024;; size *= 4) {
            std::string buffer(static_cast<size_t>(size), '\0');
            const int copied = function(
                sectionName->c_str(), entryName->c_str(), fallback->c_str(), buffer.data(), size, file->c_str());
            if (copied <= 0) {
                return 0;
            }
            if (copied < size - 1 || size >= (1 << 20)) {
                buffer.resize(std::min(static_cast<size_t>(copied), buffer.size() - 1));
                // A file written by hand in another encoding is read byte by byte.
                result = Utf16OrWidenedBytes(buffer);
                return static_cast<int>(result.size());
            }
        }
    }
    auto* function = Lookup<decltype(::SQLGetPrivateProfileStringW)>("SQLGetPrivateProfileStringW");
    if (!function) {
        return 0;
    }
    const std::vector<SQLWCHAR> sectionName = WideArgument(section);
    const std::vector<SQLWCHAR> entryName = WideArgument(entry);
    const std::vector<SQLWCHAR> fallback = WideArgument(defaultValue);
    const std::vector<SQLWCHAR> file = WideArgument(fileName);
    for (int size = 1024;; size *= 4) {
        std::vector<SQLWCHAR> buffer(static_cast<size_t>(size), 0);
        const int copied =
            function(sectionName.data(), entryName.data(), fallback.data(), buffer.data(), size, file.data());
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

bool OdbcInstaller::WritePrivateProfileString(
    std::u16string_view section, std::u16string_view entry, std::u16string_view value, std::u16string_view fileName)
{
    if (InstallerTakesUtf8()) {
        const auto sectionName = Utf8Argument(section);
        const auto entryName = Utf8Argument(entry);
        const auto text = Utf8Argument(value);
        const auto file = Utf8Argument(fileName);
        return sectionName && entryName && text && file
            && WritePrivateProfileStringNarrow(*sectionName, *entryName, *text, *file);
    }
    auto* function = Lookup<decltype(::SQLWritePrivateProfileStringW)>("SQLWritePrivateProfileStringW");
    return function
        && function(WideArgument(section).data(), WideArgument(entry).data(), WideArgument(value).data(),
               WideArgument(fileName).data())
        != 0;
}

bool OdbcInstaller::WritePrivateProfileStringNarrow(const std::string& section, const std::string& entry,
    const std::optional<std::string>& value, const std::string& fileName)
{
    auto* function = Lookup<NarrowWriteProfile>("SQLWritePrivateProfileString");
    if (!function) {
        return false;
    }
    return function(section.c_str(), entry.c_str(), value ? value->c_str() : nullptr, fileName.c_str()) != 0;
}

} // namespace Dravo::OS

namespace Dravo::OS {

bool OdbcInstaller::RemoveDSNFromIni(std::u16string_view dsn)
{
    if (InstallerTakesUtf8()) {
        auto* function = Lookup<NarrowRemoveDSNFromIni>("SQLRemoveDSNFromIni");
        const auto name = Utf8Argument(dsn);
        return function && name && function(name->c_str()) != 0;
    }
    auto* function = Lookup<decltype(::SQLRemoveDSNFromIniW)>("SQLRemoveDSNFromIniW");
    return function && function(WideArgument(dsn).data()) != 0;
}

std::optional<uint16_t> OdbcInstaller::GetConfigMode()
{
    auto* function = Lookup<decltype(::SQLGetConfigMode)>("SQLGetConfigMode");
    UWORD mode = 0;
    if (!function || !function(&mode)) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(mode);
}

bool OdbcInstaller::SetConfigMode(uint16_t mode)
{
    auto* function = Lookup<decltype(::SQLSetConfigMode)>("SQLSetConfigMode");
    return function && function(mode);
}

bool OdbcInstaller::PostError(uint32_t code, std::u16string_view message)
{
    if (InstallerTakesUtf8()) {
        auto* function = Lookup<NarrowPostError>("SQLPostInstallerError");
        const std::string text = Utf8OrPlaceholder(message);
        return function && SQL_SUCCEEDED(function(static_cast<DWORD>(code), text.c_str()));
    }
    auto* function = Lookup<decltype(::SQLPostInstallerErrorW)>("SQLPostInstallerErrorW");
    return function && SQL_SUCCEEDED(function(static_cast<DWORD>(code), WideArgument(message).data()));
}

} // namespace Dravo::OS

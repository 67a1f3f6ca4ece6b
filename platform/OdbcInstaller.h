// The ODBC installer library (unixODBC's libodbcinst here, odbccp32 on
// Windows), loaded on first use, and the few installer functions this program
// calls. When the library or a function is missing the user is told once per
// call, and the call yields 0 (false) without calling anything.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace Dravo::OS {

inline constexpr std::u16string_view INSTALLER_ERROR_CAPTION = u"ODBC Installer Error";
inline constexpr std::u16string_view INSTALLER_MISSING_TEXT =
    u"The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.";
/// The longest text of the message about a missing function, in UTF-16 units.
inline constexpr size_t INSTALLER_MESSAGE_LIMIT = 782;

/// Shows an information message box without an owner: (caption, text).
using InstallerMessageBox = std::function<void(const std::u16string& caption, const std::u16string& text)>;

class OdbcInstaller {
public:
    /// The dialog toolkit's message box; an empty function restores the
    /// default, which writes "caption: text" to standard error.
    static void SetMessageBox(InstallerMessageBox messageBox);

    /// The library path: the one set below, else the system library
    /// directory's libodbcinst.so.2 (odbccp32.dll from the system directory on
    /// Windows). Nothing in the environment changes it: the program runs with
    /// administrator rights. Without a path set, an installer library that the
    /// process has loaded already (the one that loaded our setup library) is
    /// used in place of the system's.
    static std::string GetLibraryPath();
    /// For test programs, which load a library of their own; the empty path
    /// goes back to the system's. A library loaded already stays loaded.
    static void SetLibraryPath(std::string path);
    /// True when the library is loaded (loading it now if needed); shows the
    /// message box and returns false when it cannot be loaded.
    static bool IsAvailable();
    /// False when the last call could not be made, because the library or
    /// the function it needed is missing (the user has been told); true when
    /// it reached the installer, whatever the answer. Tries nothing and tells
    /// nobody, so that a caller can tell "refused" from "not asked".
    static bool LastCallReachedInstaller();

    // The installer calls. Texts are UTF-16; Windows gets them so, unixODBC in
    // UTF-8 through its narrow functions (its wide ones drop all but the low
    // byte of each unit).
    static bool ValidDSN(std::u16string_view dsn);
    static bool WriteDSNToIni(std::u16string_view dsn, std::u16string_view driver);
    /// Makes a data source that does not exist yet, as WriteDSNToIni does.
    /// unixODBC keeps nothing but the section with its "Driver" entry, which
    /// one write makes; its SQLWriteDSNToIni would first remove the section,
    /// rewriting the file once more for nothing.
    static bool AddDSNToIni(std::u16string_view dsn, std::u16string_view driver);
    /// The number of characters copied to `result` (0 when unavailable).
    static int GetPrivateProfileString(std::u16string_view section, std::u16string_view entry,
        std::u16string_view defaultValue, std::u16string& result, std::u16string_view fileName);
    static bool WritePrivateProfileString(std::u16string_view section, std::u16string_view entry,
        std::u16string_view value, std::u16string_view fileName);
    /// The narrow function; no value removes the entry.
    static bool WritePrivateProfileStringNarrow(const std::string& section, const std::string& entry,
        const std::optional<std::string>& value, const std::string& fileName);

    /// The "Driver" entry of the driver's section in the installer's list of
    /// drivers (odbcinst.ini; on Windows the driver's registry key): the
    /// driver library as registered. Nothing when it is not registered, or
    /// when there is no installer to ask; this tells nobody, since the caller
    /// asks for a default, not for the user.
    static std::optional<std::u16string> FindRegisteredDriverLibrary(std::u16string_view driverName);

    /// Removes the data source's section and its entry in the list of data
    /// sources.
    static bool RemoveDSNFromIni(std::u16string_view dsn);
    /// Where data sources go now: ODBC_BOTH_DSN 0, ODBC_USER_DSN 1 or
    /// ODBC_SYSTEM_DSN 2; nothing when it cannot be asked.
    static std::optional<uint16_t> GetConfigMode();
    static bool SetConfigMode(uint16_t mode);
    /// Hands an error to the installer, which gives it to whoever asked it
    /// for the call in progress (SQLInstallerError).
    static bool PostError(uint32_t code, std::u16string_view message);

    /// The longest entry name and value together, in UTF-8 bytes, that the
    /// installer keeps whole (unixODBC silently cuts longer lines).
    [[nodiscard]] static size_t GetLongestEntryBytes();

    /// The function of that name, or nullptr after telling the user. For the
    /// calls above and for tests.
    static void* GetFunction(const char* name);
    /// The same without telling anyone when it is missing: for functions
    /// that some installers have and others do not.
    static void* FindFunction(const char* name);
};

} // namespace Dravo::OS

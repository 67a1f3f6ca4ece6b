// Configuration files ("DSN Definition", *.sdc): one "key=value" line per
// setting, "\r\n" line ends, the default narrow encoding, no header, no
// quoting. Reading accepts more than writing produces: any line end, stray
// carriage returns, and lines without "=" (ignored).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "driversupport/DSDSNConfiguration.h"
#include "support/WideString.h"

namespace Dravo::DriverSupport {

class DSConfigurationFile {
public:
    DSConfigurationFile() = delete;

    /// The file name of the default export and import file.
    static constexpr std::u16string_view DEFAULT_FILE_NAME = u"backup.sdc";

    /// "DSN", "Driver", "PWD" and the logging keys: never written to a file
    /// (compared without regard to case).
    [[nodiscard]] static bool IsExcludedKey(const Support::WideString& key);

    /// Adds the setting of one line read from a file (without its line end):
    /// the key is everything before the first "=", the value everything after
    /// it, both untrimmed. A line without "=" adds nothing, and a key already
    /// in the map keeps its first value. Imported values carry the flag.
    static void AddLine(std::string_view line, DSConnectionSettingsMap& settings);

    /// The first entry that a file line cannot hold: a key with "=" or a line
    /// break, or a value with a line break (or with a character that the
    /// narrow encoding turns into the byte that ends a file). Such an entry
    /// would come back as another setting, or cut the file short.
    [[nodiscard]] static std::optional<Support::WideString> FindUnsafeKey(const DSConnectionSettingsMap& settings);

    /// Every setting of the file, first occurrences winning. Raises the file
    /// handler's ErrorException when the file cannot be opened.
    [[nodiscard]] static DSConnectionSettingsMap Read(const Support::WideString& path);

    /// Writes the settings in map order, creating or emptying the file. The
    /// caller has left out the excluded keys and checked FindUnsafeKey.
    /// Raises the file handler's ErrorException when the file cannot be
    /// opened, and a formatted ErrorException naming the file when a write
    /// fails (a full disk must not pass for a finished export).
    static void Write(const Support::WideString& path, const DSConnectionSettingsMap& settings);

    /// The default file in the user's documents folder, or the empty text
    /// when the system has no documents folder for the user.
    [[nodiscard]] static Support::WideString GetDefaultFilePath();
};

} // namespace Dravo::DriverSupport

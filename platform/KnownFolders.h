// Folders the system keeps for the user, found as the desktop environment
// finds them: on Linux through the XDG user directories.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Dravo::OS {

/// The user's documents folder as a UTF-8 path without a trailing separator,
/// or nothing when the user has no home to put it in. On Linux:
/// XDG_DOCUMENTS_DIR from the environment, else the entry of that name in
/// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config by default), else ~/Documents.
/// The folder need not exist.
[[nodiscard]] std::optional<std::string> GetDocumentsFolder();

/// The home folder of the user this process runs as, from the system's user
/// database rather than the environment (under sudo, HOME may still be the
/// caller's), without a trailing separator; nothing when there is none.
[[nodiscard]] std::optional<std::string> GetHomeFolder();

/// The folder that a user-dirs.dirs text names for a key such as
/// "XDG_DOCUMENTS_DIR": the last line KEY="VALUE" whose value is an absolute
/// path or begins with $HOME (replaced by home). Backslash escapes in the
/// value are undone. Nothing when no usable line names the key.
[[nodiscard]] std::optional<std::string> ParseUserDirsEntry(
    std::string_view content, std::string_view key, std::string_view home);

} // namespace Dravo::OS

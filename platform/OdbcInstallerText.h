// How texts reach the ODBC installer's functions, for the installer's loader
// and its helpers only. Windows' wide functions take UTF-16 as it is;
// unixODBC's keep only the low byte of each UTF-16 unit, so there the narrow
// functions are called, with UTF-8, which they store as given.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OdbcHeaders.h"

namespace Dravo::OS {

/// True where the narrow functions with UTF-8 are the ones to call.
[[nodiscard]] bool InstallerTakesUtf8();
/// The text with its terminating NUL, for a wide function.
[[nodiscard]] std::vector<SQLWCHAR> WideArgument(std::u16string_view text);
/// The text in UTF-8, for a narrow function; nothing for text with a lone
/// surrogate, which no file could hold.
[[nodiscard]] std::optional<std::string> Utf8Argument(std::u16string_view text);

} // namespace Dravo::OS

// Text handed to and from the system's narrow ("ANSI") functions, such as the
// narrow entry points of the ODBC installer: in the ANSI code page on
// Windows, in UTF-8 elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Dravo::OS {

/// The UTF-16 form of narrow text (NULs included); nothing when the text is
/// not valid in the system's narrow encoding.
[[nodiscard]] std::optional<std::u16string> NarrowTextToUtf16(std::string_view text);
/// The narrow form of UTF-16 text; what the encoding cannot hold becomes "?".
[[nodiscard]] std::string Utf16ToNarrowText(std::u16string_view text);

} // namespace Dravo::OS

// Strict UTF-8 <-> UTF-16 conversion for the registry files: text that does
// not convert is reported, never replaced, so that nothing is silently lost.
#pragma once

#include <string>
#include <string_view>

namespace Dravo::OS {

/// Appends the UTF-16 form of UTF-8 text; false (output unspecified) when the
/// text is not well-formed UTF-8.
[[nodiscard]] bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& out);
/// Appends the UTF-8 form of UTF-16 text; false when it holds a lone surrogate.
[[nodiscard]] bool AppendUtf8FromUtf16(std::u16string_view utf16, std::string& out);
/// For text that is only passed on or shown (library paths, messages): the
/// UTF-8 form, or "?" when the text holds a lone surrogate.
[[nodiscard]] std::string Utf8OrPlaceholder(std::u16string_view utf16);
/// The UTF-16 form, or each byte widened on its own when the text is not UTF-8.
[[nodiscard]] std::u16string Utf16OrWidenedBytes(std::string_view utf8);
/// True when the text holds no lone surrogate.
[[nodiscard]] bool IsWellFormedUtf16(std::u16string_view utf16);
/// True when the bytes are UTF-8 that AppendUtf16FromUtf8 takes.
[[nodiscard]] bool IsWellFormedUtf8(std::string_view utf8);

} // namespace Dravo::OS

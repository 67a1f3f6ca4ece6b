// How the tool reads a number, wherever it comes from: one reader for the
// command line and the checks (decimal digits only), the reading of a number
// box (as native dialogs read one), and the reading of a stored value with
// the driver's own strict conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// Decimal digits only, as a number box stores them; nothing for any other
/// text and for numbers beyond 64 bits.
[[nodiscard]] std::optional<uint64_t> ReadDecimalDigits(std::u16string_view text);

/// The unsigned number at the start of a text, as a number box reads it:
/// leading blanks skipped, reading stops at the first character that is not a
/// digit, no number or one beyond 32 bits reads as 0.
[[nodiscard]] uint32_t ParseNumberBoxText(std::u16string_view text);

/// A stored setting read as the driver reads it (the strict conversion);
/// nothing when the text is not one, and the dialogs show their fallback.
[[nodiscard]] std::optional<uint32_t> ReadStoredUInt32(const Support::WideString& text);
[[nodiscard]] std::optional<uint16_t> ReadStoredUInt16(const Support::WideString& text);
[[nodiscard]] std::optional<int32_t> ReadStoredInt32(const Support::WideString& text);
[[nodiscard]] std::optional<int16_t> ReadStoredInt16(const Support::WideString& text);

} // namespace Dravo::VezurAVUZ

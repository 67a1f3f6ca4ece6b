// Number boxes: edit boxes that show and take unsigned decimal numbers, read
// the way native dialogs read them (leading blanks skipped, reading stops at
// the first character that is not a digit, no number or one beyond 32 bits
// reads as 0).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "support/WideString.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

/// The unsigned number at the start of a text, as a number box reads it.
[[nodiscard]] uint32_t ParseNumberBoxText(std::u16string_view text);

/// The number in a number box; 0 for an empty box or one without a number.
[[nodiscard]] uint32_t ReadNumberBox(const UI::DialogHost& host, int32_t controlId);

/// Shows a number in decimal.
void ShowNumber(UI::DialogHost& host, int32_t controlId, uint32_t value);

/// The decimal text of a number, as the settings store it.
[[nodiscard]] Support::WideString NumberText(uint32_t value);

/// A stored setting read as a number with the strict conversion; nothing when
/// the text is not one (the dialogs then show their fallback).
[[nodiscard]] std::optional<uint32_t> ReadStoredUInt32(const Support::WideString& text);
[[nodiscard]] std::optional<uint16_t> ReadStoredUInt16(const Support::WideString& text);
[[nodiscard]] std::optional<int32_t> ReadStoredInt32(const Support::WideString& text);
[[nodiscard]] std::optional<int16_t> ReadStoredInt16(const Support::WideString& text);

} // namespace Dravo::VezurAVUZ

// Bytes to upper-case hexadecimal text and back; enciphered passwords are
// stored in this form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Dravo::Support {

/// Writes two upper-case digits per byte into out (2 * count characters, no
/// terminator).
void BinaryToHex(const uint8_t* bytes, size_t count, char* out);

/// Writes one byte per two digits (either case) into out (length / 2 bytes).
/// Raises DSIException "DSIHexToBinaryConversionOddLengthError" for an odd
/// length and "DSIHexToBinaryConversionInvalidCharacterError" with the
/// offending character for anything but a hex digit; out may then hold some
/// bytes already.
void HexToBinary(const char* text, size_t length, uint8_t* out);

std::string BinaryToHex(std::string_view bytes);
std::string HexToBinary(std::string_view text);

} // namespace Dravo::Support

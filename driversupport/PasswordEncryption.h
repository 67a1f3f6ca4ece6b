// Enciphering of secret settings (passwords) into printable text for the
// registry: AES-256-CBC with PKCS#7 padding, key and vector derived from a
// pass phrase and a salt, cipher text written as upper-case hexadecimal. The
// driver deciphers the stored values, so the bytes must never change.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "support/AesCbcCipher.h"

namespace Dravo::DriverSupport {

/// What deciphering gives back. When the padding of the last block does not
/// check out (wrong pass phrase or salt, damaged or cut cipher text), bytes
/// holds every block but the last and isComplete is false: callers that store
/// secrets treat such a value as undecipherable instead of using it.
struct DecryptedBytes {
    std::string bytes;
    bool isComplete = true;
};

class PasswordEncryption {
public:
    using Salt = AesCbcCipher::Salt;

    /// Without a pass phrase or salt the library's own constants are used. A
    /// pass phrase must hold at least 32 bytes; only the first 32 count, and a
    /// shorter one raises InvalidArgumentException.
    /// An empty input gives an empty output.
    [[nodiscard]] static std::string EncryptToHex(std::string_view plainText,
        std::optional<std::string_view> passPhrase = std::nullopt, const Salt* salt = nullptr);
    /// Digits of either case. An odd length raises DSIException
    /// "DSIHexToBinaryConversionOddLengthError", a non-digit
    /// "DSIHexToBinaryConversionInvalidCharacterError"; nothing is deciphered.
    [[nodiscard]] static DecryptedBytes DecryptFromHex(std::string_view hexText,
        std::optional<std::string_view> passPhrase = std::nullopt, const Salt* salt = nullptr);

    /// The same without the hexadecimal step.
    [[nodiscard]] static std::string EncryptBytes(std::string_view plainText,
        std::optional<std::string_view> passPhrase = std::nullopt, const Salt* salt = nullptr);
    [[nodiscard]] static DecryptedBytes DecryptBytes(std::string_view cipherText,
        std::optional<std::string_view> passPhrase = std::nullopt, const Salt* salt = nullptr);
};

} // namespace Dravo::DriverSupport

// Stored enciphered passwords: any registry text must either be refused as
// hexadecimal or decipher to at most as many bytes as it holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driversupport/PasswordEncryption.h"
#include "support/ErrorException.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Dravo::DriverSupport::PasswordEncryption;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    try {
        const auto decrypted = PasswordEncryption::DecryptFromHex(input);
        if (decrypted.bytes.size() > input.size() / 2) {
            __builtin_trap();
        }
    } catch (const Dravo::DSI::DSIException&) {
        // Not hexadecimal: refused before deciphering.
    }
    // Whatever deciphers completely enciphers back to the same text.
    const auto raw = PasswordEncryption::DecryptBytes(input);
    if (raw.isComplete && !raw.bytes.empty() && PasswordEncryption::EncryptBytes(raw.bytes) != input) {
        __builtin_trap();
    }
    return 0;
}

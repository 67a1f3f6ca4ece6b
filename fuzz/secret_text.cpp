// Whether a configuration or hive text holds a password (a new file for it is
// made private): any bytes give an answer, and a password line added on a
// line of its own is always found.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/SecretText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)Dravo::OS::TextHoldsSecret(text);
    if (!Dravo::OS::TextHoldsSecret(text + "\nEncryptedPWD=_AB\n")
        || !Dravo::OS::TextHoldsSecret(text + "\n\"EncryptedClientPrivateKeyPWD\"=\"_AB\"\r\n")) {
        __builtin_trap();
    }
    return 0;
}

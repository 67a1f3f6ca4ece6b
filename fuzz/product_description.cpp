// Product description files: the input is taken both as file content to
// decipher and parse, and as a deciphered text, so that the XML rules get
// fuzzer-shaped input too (random cipher text rarely deciphers to XML).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "identity/ProductDescriptionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Dravo::DriverSupport::ProductDescriptionFile;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const auto deciphered = ProductDescriptionFile::Decipher(input);
    if (deciphered.text.size() > input.size()) {
        __builtin_trap();
    }
    (void)ProductDescriptionFile::Parse(deciphered.text);

    const auto parsed = ProductDescriptionFile::Parse(input);
    for (const auto& [name, value] : parsed.attributes) {
        if (name.IsEmpty() || value.IsNull()) {
            __builtin_trap();
        }
    }
    return 0;
}

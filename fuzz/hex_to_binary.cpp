// Hexadecimal text from the registry: every byte sequence decodes or raises
// the DSIException, and what decodes encodes back to the upper-case text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/ErrorException.h"
#include "support/HexConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string bytes = Dravo::Support::HexToBinary(text);
        std::string upper(text);
        for (char& c : upper) {
            if (c >= 'a' && c <= 'f') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        if (bytes.size() * 2 != size || Dravo::Support::BinaryToHex(bytes) != upper) {
            __builtin_trap();
        }
    } catch (const Dravo::DSI::DSIException& e) {
        if (e.GetComponentId() != 2) {
            __builtin_trap();
        }
    }
    return 0;
}

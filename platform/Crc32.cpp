#include "platform/Crc32.h"

#include <array>

namespace Dravo::OS {
namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1U) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> CRC_TABLE = MakeTable();

} // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t c = ~crc;
    for (size_t i = 0; i < size; ++i) {
        c = CRC_TABLE[(c ^ bytes[i]) & 0xFFU] ^ (c >> 8);
    }
    return ~c;
}

} // namespace Dravo::OS

// CRC-32 (the polynomial of zip and PNG) for detecting torn or damaged change
// records in hive files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Dravo::OS {

/// Continues a CRC over more bytes; start with 0.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);

} // namespace Dravo::OS

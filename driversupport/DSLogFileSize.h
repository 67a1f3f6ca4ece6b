// The size of each driver log file: megabytes in the store and the logging
// dialog, bytes under the driver key. The byte count is 64-bit decimal text so
// that 4096 MB (2^32 bytes), which the dialog accepts, survives the round
// trip; the driver's own reader takes anything above 4294967295 as that.
#pragma once

#include <cstdint>
#include <optional>

#include "support/WideString.h"

namespace Dravo::DriverSupport {

class DSLogFileSize {
public:
    DSLogFileSize() = delete;

    static constexpr uint64_t BYTES_PER_MEGABYTE = 1048576;
    /// Bytes when the registry holds no size or one that is no number.
    static constexpr uint64_t DEFAULT_BYTES = 20 * BYTES_PER_MEGABYTE;

    /// Strict unsigned decimal: an optional "+" and digits only, no blanks,
    /// at most 2^64 - 1. Nothing for anything else.
    [[nodiscard]] static std::optional<uint64_t> ParseByteCount(const Support::WideString& text);
    /// The largest size the logging dialog accepts, in megabytes.
    static constexpr uint64_t MAX_MEGABYTES = 4096;

    /// The stored byte count as whole megabytes (remainder dropped) in
    /// decimal; "20" for text that is no byte count and for a count beyond
    /// MAX_MEGABYTES, which the dialog could not save again.
    [[nodiscard]] static Support::WideString BytesToMegabytes(const Support::WideString& bytesText);
    /// The megabytes as a byte count in decimal. The megabytes convert as an
    /// unsigned 32-bit number in strict mode, whose ErrorException passes
    /// through; the empty text stays empty (the driver then uses its default).
    [[nodiscard]] static Support::WideString MegabytesToBytes(const Support::WideString& megabytesText);
};

} // namespace Dravo::DriverSupport

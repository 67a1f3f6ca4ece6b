// The first bytes of an executable or shared library file, read as an ELF
// header: enough to tell whether a driver library can be loaded into a program
// of this machine at all (its word size and processor), before the loader is
// asked and answers with less to go on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Dravo::DriverSupport {

struct SharedLibraryHeader {
    /// 32 or 64.
    int bits = 0;
    bool littleEndian = true;
    /// The ELF machine number (62 for x86-64).
    uint16_t machine = 0;
    /// True for a shared object (ET_DYN), which a program can load.
    bool sharedObject = false;

    /// "64-bit x86-64", "32-bit ARM", "64-bit machine 4711".
    [[nodiscard]] std::string Describe() const;
    /// The same word size, byte order and machine.
    [[nodiscard]] bool RunsBeside(const SharedLibraryHeader& other) const
    {
        return bits == other.bits && littleEndian == other.littleEndian && machine == other.machine;
    }
};

/// The header of the file whose first bytes are BYTES; nothing when they are
/// no ELF header.
[[nodiscard]] std::optional<SharedLibraryHeader> ReadSharedLibraryHeader(std::string_view bytes);

} // namespace Dravo::DriverSupport

// Input the person running the program names on purpose: a script, a file
// to import or apply, a password file, or standard input for any of them.
// Each is taken whole, within a bound, so that /dev/zero, a FIFO or a huge
// file in its place is refused at once instead of read without end.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace Dravo::OS {

/// A password: more than any real one.
inline constexpr size_t MAX_PASSWORD_BYTES = 1024;
/// A configuration, import or script file: far more than a real one holds.
inline constexpr size_t MAX_INPUT_FILE_BYTES = 16 * 1024 * 1024;

struct InputLimits {
    size_t maxBytes = MAX_INPUT_FILE_BYTES;
    /// Text that cannot hold a NUL byte is refused at the first one, while
    /// it is read.
    bool refuseNul = true;
};

/// Reads the whole file at path (UTF-8). Refused, with why saying so and
/// naming the file: anything but a regular file (a FIFO, a device or a
/// directory, found before the file is opened for reading), a symbolic link
/// on the way that another user made, a file larger than the limit (before
/// it is read), a NUL byte where refused.
[[nodiscard]] bool ReadInputFile(
    const std::string& path, const InputLimits& limits, std::string& bytes, std::string& why);

/// Reads a stream to its end within the same limits; name is how why names it.
[[nodiscard]] bool ReadInputStream(
    std::istream& in, const std::string& name, const InputLimits& limits, std::string& bytes, std::string& why);

/// "is larger than 1 KiB": the limit as people read it.
[[nodiscard]] std::string DescribeInputLimit(size_t maxBytes);

} // namespace Dravo::OS

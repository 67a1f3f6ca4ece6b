// What the last failed registry call of a thread had to say beyond its code.
// Kept in a fixed buffer: a thread-local object with a destructor would keep
// a library of ours loaded for as long as the thread that used it lives.
#pragma once

#include <string>
#include <string_view>

namespace Dravo::OS {

class ThreadDiagnostic {
public:
    /// Texts longer than this many bytes are cut at a character boundary.
    static constexpr size_t CAPACITY = 2048;

    static void Set(std::string_view text);
    static void Clear();
    [[nodiscard]] static std::string Get();
};

} // namespace Dravo::OS

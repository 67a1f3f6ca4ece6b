// What the fuzz targets share: the check that stops a run, and the name
// folding unixODBC compares with.
#pragma once

#include <cstdlib>
#include <string>

namespace Dravo::Fuzz {

/// Stops the run where a property does not hold, so that the fuzzer keeps
/// the input.
inline void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

/// strcasecmp's folding: ASCII letters only.
inline std::u16string AsciiFolded(std::u16string text)
{
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - (u'a' - u'A'));
        }
    }
    return text;
}

} // namespace Dravo::Fuzz

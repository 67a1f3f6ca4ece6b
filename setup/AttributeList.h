// The attributes an ODBC installer hands to a setup library with a request:
// "key=value" entries, each ending in a NUL, the list ending in an empty
// entry. They come from whoever called the installer, so everything is
// checked before anything is used.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

struct Attribute {
    Support::WideString key;
    Support::WideString value;
};

class AttributeList {
public:
    /// Lists longer than this many units are refused: no data source has
    /// that much to say, and a list without its end must not be read forever.
    static constexpr size_t MAX_UNITS = 1 << 20;

    AttributeList() = default;

    /// The units of a list as it lies in memory, up to and including the NUL
    /// of the empty entry that ends it; nullptr gives the empty list. Throws
    /// InstallerError when no end is found within MAX_UNITS.
    [[nodiscard]] static std::u16string_view Measure(const char16_t* list);
    [[nodiscard]] static std::string_view Measure(const char* list);

    /// Parses the units Measure found (a list that ends without its empty
    /// entry is read to the end of the view). Keys lose the blanks around
    /// them; values are kept as they are. Throws InstallerError (invalid
    /// keyword value) naming the fault: an entry without "=", an empty key, a
    /// key with a character no ODBC keyword may hold, a value with a line
    /// break or another control character, text that is not valid UTF-16, a
    /// key given twice (keys compare without regard to case).
    [[nodiscard]] static AttributeList Parse(std::u16string_view units);

    [[nodiscard]] const std::vector<Attribute>& GetEntries() const { return m_entries; }
    /// The value given for a key (compared without regard to case), or nullptr.
    [[nodiscard]] const Support::WideString* Find(std::u16string_view key) const;

private:
    std::vector<Attribute> m_entries;
};

} // namespace Dravo::VezurAVUZ

#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

namespace Dravo::Resources {
namespace {

struct StringEntry {
    uint32_t id;
    std::u16string_view text;
};

// Kept sorted by id so that lookups can bisect.
constexpr StringEntry STRINGS[] = {
    {138, u" (32 bit)"},
    {139, u" (64 bit)"},
    {9101, u"DSN Configuration Error"},
};

static_assert(std::is_sorted(std::begin(STRINGS), std::end(STRINGS),
    [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }));

} // namespace

std::optional<std::u16string_view> FindString(uint32_t id)
{
    const auto* found = std::lower_bound(std::begin(STRINGS), std::end(STRINGS), id,
        [](const StringEntry& entry, uint32_t wanted) { return entry.id < wanted; });
    if (found == std::end(STRINGS) || found->id != id) {
        return std::nullopt;
    }
    return found->text;
}

} // namespace Dravo::Resources

// The program's string table: every user-visible dialog text, caption and
// message by id. One source for every dialog backend and for the resource
// string loader.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Dravo::Resources {

/// The text of a string-table entry, or nothing when the id has no entry.
std::optional<std::u16string_view> FindString(uint32_t id);

} // namespace Dravo::Resources

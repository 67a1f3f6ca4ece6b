// The lines of a file of settings to apply, read more strictly than a driver
// reads its configuration: a reader ignores a line it cannot read and takes
// the first of a name given twice, but a person who wrote "AuthMech: 0", a
// second [Driver] section or a setting twice meant something by it, and
// applying the rest would quietly do something else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Dravo::VezurAVUZ {

struct SettingsFileFault {
    /// 1-based.
    uint64_t line = 0;
    std::string message;
};

/// The first line of SECTION (the file's text, already read as text by an ini
/// reader) that is neither blank, a comment nor NAME=VALUE; a second header of
/// the section; or a name given twice in it. Nothing when there is none.
[[nodiscard]] std::optional<SettingsFileFault> FindSettingsFileFault(
    std::string_view text, std::u16string_view section);

} // namespace Dravo::VezurAVUZ

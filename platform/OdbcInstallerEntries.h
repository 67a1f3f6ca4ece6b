// The list of entry names of one section of an installer file, which the
// installer returns when no entry is named. Beside OdbcInstaller because its
// calls take an entry name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Dravo::OS {

/// Asks the installer for the entry names of a section with a buffer of
/// bufferUnits units (UTF-16 units, or UTF-8 bytes where the installer takes
/// UTF-8) and returns the units it reports as copied (0 when
/// the section is empty or missing, or the installer is unavailable). A list
/// that does not fit is cut, so a caller that sees a nearly full buffer asks
/// again with a larger one. names receives the whole names that arrived.
int ReadPrivateProfileEntryNames(
    std::u16string_view section, std::u16string_view fileName, int bufferUnits, std::vector<std::u16string>& names);

} // namespace Dravo::OS

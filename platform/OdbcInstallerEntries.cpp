#include "platform/OdbcInstallerEntries.h"

#include <algorithm>

#include "platform/OdbcHeaders.h"
#include "platform/OdbcInstaller.h"

namespace Dravo::OS {
namespace {

std::vector<SQLWCHAR> WideArgument(std::u16string_view text)
{
    std::vector<SQLWCHAR> units(text.begin(), text.end());
    units.push_back(0);
    return units;
}

} // namespace

int ReadPrivateProfileEntryNames(std::u16string_view section, std::u16string_view fileName, int bufferUnits,
    std::vector<std::u16string>& names)
{
    names.clear();
    auto* function = reinterpret_cast<decltype(::SQLGetPrivateProfileStringW)*>(
        OdbcInstaller::GetFunction("SQLGetPrivateProfileStringW"));
    if (!function || bufferUnits < 2) {
        return 0;
    }
    const std::vector<SQLWCHAR> sectionName = WideArgument(section);
    const std::vector<SQLWCHAR> file = WideArgument(fileName);
    const std::vector<SQLWCHAR> noDefault = WideArgument(u"");
    // Two spare units, so that a list the installer fills to the end still
    // ends in two NULs here.
    std::vector<SQLWCHAR> buffer(static_cast<size_t>(bufferUnits) + 2, 0);
    const int copied = function(sectionName.data(), nullptr, noDefault.data(), buffer.data(), bufferUnits, file.data());
    if (copied <= 0) {
        return 0;
    }
    // Names follow each other, each ending in a NUL that the count includes;
    // an empty name ends the list, and a name cut by the buffer's end (no NUL
    // within the count) is left out.
    const auto end = buffer.begin() + std::min(copied, bufferUnits);
    for (auto start = buffer.begin(); start < end;) {
        const auto stop = std::find(start, end, SQLWCHAR{0});
        if (stop == start || stop == end) {
            break;
        }
        names.emplace_back(start, stop);
        start = stop + 1;
    }
    return copied;
}

} // namespace Dravo::OS

#include "platform/OdbcInstallerEntries.h"

#include <algorithm>

#include "platform/OdbcHeaders.h"
#include "platform/OdbcInstaller.h"
#include "platform/OdbcInstallerText.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

/// Names follow each other, each ending in a NUL that the count includes; an
/// empty name ends the list, and a name cut by the buffer's end (no NUL
/// within the count) is left out.
template <class Unit, class Take>
void SplitNames(const std::vector<Unit>& buffer, int copied, int bufferUnits, const Take& take)
{
    const auto end = buffer.begin() + std::min(copied, bufferUnits);
    for (auto start = buffer.begin(); start < end;) {
        const auto stop = std::find(start, end, Unit{0});
        if (stop == start || stop == end) {
            break;
        }
        take(start, stop);
        start = stop + 1;
    }
}

} // namespace

int ReadPrivateProfileEntryNames(
    std::u16string_view section, std::u16string_view fileName, int bufferUnits, std::vector<std::u16string>& names)
{
    names.clear();
    if (bufferUnits < 2) {
        return 0;
    }
    if (InstallerTakesUtf8()) {
        using NarrowGetProfile = int INSTAPI(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR);
        auto* function = reinterpret_cast<NarrowGetProfile*>(OdbcInstaller::GetFunction("SQLGetPrivateProfileString"));
        const auto sectionName = Utf8Argument(section);
        const auto file = Utf8Argument(fileName);
        if (!function || !sectionName || !file) {
            return 0;
        }
        // Two spare bytes, so that a list the installer fills to the end
        // still ends in two NULs here.
        std::vector<char> buffer(static_cast<size_t>(bufferUnits) + 2, '\0');
        const int copied = function(sectionName->c_str(), nullptr, "", buffer.data(), bufferUnits, file->c_str());
        if (copied <= 0) {
            return 0;
        }
        SplitNames(buffer, copied, bufferUnits, [&](auto start, auto stop) {
            names.push_back(Utf16OrWidenedBytes(std::string_view(&*start, static_cast<size_t>(stop - start))));
        });
        return copied;
    }
    auto* function = reinterpret_cast<decltype(::SQLGetPrivateProfileStringW)*>(
        OdbcInstaller::GetFunction("SQLGetPrivateProfileStringW"));
    if (!function) {
        return 0;
    }
    const std::vector<SQLWCHAR> sectionName = WideArgument(section);
    const std::vector<SQLWCHAR> file = WideArgument(fileName);
    const std::vector<SQLWCHAR> noDefault = WideArgument(u"");
    std::vector<SQLWCHAR> buffer(static_cast<size_t>(bufferUnits) + 2, 0);
    const int copied = function(sectionName.data(), nullptr, noDefault.data(), buffer.data(), bufferUnits, file.data());
    if (copied <= 0) {
        return 0;
    }
    SplitNames(buffer, copied, bufferUnits, [&](auto start, auto stop) { names.emplace_back(start, stop); });
    return copied;
}

} // namespace Dravo::OS

#include "support/SettingsReader.h"

#include <algorithm>

namespace Dravo::Support {
namespace {

char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool SettingNameLess::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldAscii(x)) < static_cast<unsigned char>(FoldAscii(y));
    });
}

bool IsDriverValueName(const std::string& name)
{
    static constexpr std::string_view DRIVER = "DRIVER";
    if (name.size() > DRIVER.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        if (FoldAscii(name[i]) != DRIVER[i]) {
            return false;
        }
    }
    return true;
}

} // namespace Dravo::Support

#include "settings/SettingsFileLines.h"

#include <utility>
#include <vector>

#include "settings/SettingRules.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsSection(std::string_view name, std::u16string_view section)
{
    return IsSameSettingName(std::u16string_view(Support::WideString(std::string(name)).GetAsU16String()), section);
}

/// A line shown in a message: long ones cut short.
std::string Quote(std::string_view text)
{
    constexpr size_t LIMIT = 60;
    return "\"" + std::string(text.substr(0, LIMIT)) + (text.size() > LIMIT ? "...\"" : "\"");
}

} // namespace

std::optional<SettingsFileFault> FindSettingsFileFault(std::string_view text, std::u16string_view section)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::optional<uint64_t> header;
    bool inSection = false;
    std::vector<std::pair<std::u16string, uint64_t>> names;
    uint64_t number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        const std::string_view line = Trim(text.substr(start, end - start));
        ++number;
        start = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);

        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            inSection = IsSection(line.substr(1, line.size() - 2), section);
            if (inSection && header) {
                return SettingsFileFault{number,
                    "a second [" + std::string(line.substr(1, line.size() - 2)) + "] section (the first is on line "
                        + std::to_string(*header) + "): give each setting once, in one section"};
            }
            if (inSection) {
                header = number;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return SettingsFileFault{number, Quote(line) + " is not a setting: settings are given as NAME=VALUE"};
        }
        const std::u16string name = Support::WideString(std::string(Trim(line.substr(0, equals)))).GetAsU16String();
        for (const auto& [earlier, earlierLine] : names) {
            if (IsSameSettingName(std::u16string_view(earlier), std::u16string_view(name))) {
                return SettingsFileFault{number,
                    Support::WideString(name).GetAsUTF8() + " is given a second time (first on line "
                        + std::to_string(earlierLine) + ")"};
            }
        }
        names.emplace_back(name, number);
    }
    return std::nullopt;
}

} // namespace Dravo::VezurAVUZ

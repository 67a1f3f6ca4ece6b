// The user-dirs.dirs reader; portable, so that it can be fuzzed and tested
// on any system.
#include <optional>
#include <string>
#include <string_view>

#include "platform/KnownFolders.h"

namespace Dravo::OS {
namespace {

constexpr std::string_view HOME_VARIABLE = "$HOME";

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text;
}

/// The value of one line for the key, or nothing when the line is not one.
std::optional<std::string> ReadLine(std::string_view line, std::string_view key, std::string_view home)
{
    line = TrimLeft(line);
    if (line.substr(0, key.size()) != key) {
        return std::nullopt;
    }
    line.remove_prefix(key.size());
    if (line.empty() || line.front() != '=') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    if (line.empty() || line.front() != '"') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    std::string value;
    bool closed = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            value += line[++i];
        } else if (line[i] == '"') {
            closed = true;
            break;
        } else {
            value += line[i];
        }
    }
    if (!closed) {
        return std::nullopt;
    }
    if (value.compare(0, HOME_VARIABLE.size(), HOME_VARIABLE) == 0
        && (value.size() == HOME_VARIABLE.size() || value[HOME_VARIABLE.size()] == '/')) {
        value = std::string(home) + value.substr(HOME_VARIABLE.size());
    } else if (value.empty() || value.front() != '/') {
        // Relative paths are not allowed in this file.
        return std::nullopt;
    }
    while (value.size() > 1 && value.back() == '/') {
        value.pop_back();
    }
    return value.empty() ? std::nullopt : std::optional<std::string>(value);
}

} // namespace

std::optional<std::string> ParseUserDirsEntry(std::string_view content, std::string_view key, std::string_view home)
{
    std::optional<std::string> found;
    while (!content.empty()) {
        const size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // The file is read by a shell: a later assignment wins.
        if (auto value = ReadLine(line, key, home)) {
            found = std::move(value);
        }
    }
    return found;
}

} // namespace Dravo::OS

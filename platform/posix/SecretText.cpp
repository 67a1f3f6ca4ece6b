#include "platform/posix/SecretText.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace Dravo::OS {
namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '"'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

bool TextHoldsSecret(std::string_view text)
{
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || Trimmed(line.substr(equals + 1)).empty()) {
            continue;
        }
        std::string name(Trimmed(line.substr(0, equals)));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (name.find("PWD") != std::string::npos || name.find("PASSWORD") != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace Dravo::OS

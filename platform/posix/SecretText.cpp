#include "platform/posix/SecretText.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace Dravo::OS {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '"';
}

/// Whether "PWD" or "PASSWORD" begins at text[at], in either case.
size_t SecretWordAt(std::string_view text, size_t at)
{
    for (const std::string_view word : {std::string_view("PWD"), std::string_view("PASSWORD")}) {
        if (text.size() - at >= word.size()) {
            bool same = true;
            for (size_t i = 0; i < word.size() && same; ++i) {
                const char c = text[at + i];
                same = (c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c) == word[i];
            }
            if (same) {
                return word.size();
            }
        }
    }
    return 0;
}

} // namespace

bool TextHoldsSecret(std::string_view text)
{
    // Whole files pass through here on every save: the words are looked for
    // first, and only a line that holds one is read as name and value.
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c != 'P' && c != 'p') {
            continue;
        }
        const size_t length = SecretWordAt(text, at);
        if (length == 0) {
            continue;
        }
        const size_t previousFeed = text.rfind('\n', at);
        const size_t lineStart = previousFeed == std::string_view::npos ? 0 : previousFeed + 1;
        const size_t lineEnd = std::min(text.find('\n', at), text.size());
        const size_t equals = text.substr(lineStart, lineEnd - lineStart).find('=');
        // In the name, that is before the line's first "=".
        if (equals != std::string_view::npos && at + length <= lineStart + equals) {
            std::string_view value = text.substr(lineStart + equals + 1, lineEnd - lineStart - equals - 1);
            while (!value.empty() && IsBlank(value.front())) {
                value.remove_prefix(1);
            }
            while (!value.empty() && IsBlank(value.back())) {
                value.remove_suffix(1);
            }
            if (!value.empty()) {
                return true;
            }
        }
        // The verdict is the line's: its value is empty or the word is not
        // in its name.
        at = lineEnd;
    }
    return false;
}

} // namespace Dravo::OS

#include "platform/ThreadDiagnostic.h"

#include <algorithm>
#include <cstring>

namespace Dravo::OS {
namespace {

thread_local char t_text[ThreadDiagnostic::CAPACITY];
thread_local size_t t_length = 0;

} // namespace

void ThreadDiagnostic::Set(std::string_view text)
{
    size_t length = std::min(text.size(), CAPACITY);
    // Never keep the first bytes of a UTF-8 sequence without its last.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(t_text, text.data(), length);
    t_length = length;
}

void ThreadDiagnostic::Clear()
{
    t_length = 0;
}

std::string ThreadDiagnostic::Get()
{
    return {t_text, t_length};
}

} // namespace Dravo::OS

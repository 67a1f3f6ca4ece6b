#include "platform/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Dravo::OS {
namespace {

bool IsLead(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsTrail(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

namespace {

/// Decodes well-formed UTF-8 (no overlong forms, no surrogates, nothing past
/// U+10FFFF), handing each code point to the sink; false at the first fault.
template <class Sink> bool DecodeUtf8(std::string_view utf8, Sink&& sink)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    size_t i = 0;
    while (i < size) {
        const uint32_t lead = bytes[i];
        if (lead < 0x80) {
            sink(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t codePoint = 0;
        uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1FU;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0FU;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07U;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (size - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const uint32_t next = bytes[i + k];
            if ((next & 0xC0U) != 0x80U) {
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3FU);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        sink(codePoint);
        i += length;
    }
    return true;
}

} // namespace

bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& out)
{
    return DecodeUtf8(utf8, [&out](uint32_t codePoint) {
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FFU)));
        } else {
            out.push_back(static_cast<char16_t>(codePoint));
        }
    });
}

bool IsWellFormedUtf8(std::string_view utf8)
{
    // ASCII, as most text is, needs no decoding: looked at eight bytes at a
    // time, and decoded from the first non-ASCII byte on.
    size_t ascii = 0;
    for (uint64_t word = 0; ascii + sizeof word <= utf8.size(); ascii += sizeof word) {
        std::memcpy(&word, utf8.data() + ascii, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) {
        ++ascii;
    }
    return ascii == utf8.size() || DecodeUtf8(utf8.substr(ascii), [](uint32_t) {});
}

bool AppendUtf8FromUtf16(std::u16string_view utf16, std::string& out)
{
    const size_t size = utf16.size();
    for (size_t i = 0; i < size; ++i) {
        uint32_t codePoint = utf16[i];
        if (IsLead(utf16[i])) {
            if (i + 1 >= size || !IsTrail(utf16[i + 1])) {
                return false;
            }
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (utf16[i + 1] - 0xDC00U);
            ++i;
        } else if (IsTrail(utf16[i])) {
            return false;
        }
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return true;
}

bool IsWellFormedUtf16(std::u16string_view utf16)
{
    for (size_t i = 0; i < utf16.size(); ++i) {
        if (IsLead(utf16[i])) {
            if (i + 1 >= utf16.size() || !IsTrail(utf16[i + 1])) {
                return false;
            }
            ++i;
        } else if (IsTrail(utf16[i])) {
            return false;
        }
    }
    return true;
}

std::string Utf8OrPlaceholder(std::u16string_view utf16)
{
    std::string out;
    if (!AppendUtf8FromUtf16(utf16, out)) {
        out.assign(1, '?');
    }
    return out;
}

std::u16string Utf16OrWidenedBytes(std::string_view utf8)
{
    std::u16string out;
    if (!AppendUtf16FromUtf8(utf8, out)) {
        out.assign(utf8.begin(), utf8.end());
    }
    return out;
}

} // namespace Dravo::OS

#include "ui/terminal/DisplayText.h"

#include <cwchar>

namespace Dravo::UI::Terminal {
namespace {

constexpr char32_t REPLACEMENT = U'\uFFFD';

void AppendEscape(const char* text, std::vector<Glyph>& glyphs)
{
    for (const char* c = text; *c; ++c) {
        glyphs.push_back(Glyph{static_cast<char32_t>(static_cast<unsigned char>(*c)), 1, true});
    }
}

} // namespace

void AppendGlyphs(char32_t codePoint, const DisplayOptions& options, std::vector<Glyph>& glyphs)
{
    if (codePoint < 0x20 || codePoint == 0x7F) {
        const char caret[3] = {'^', static_cast<char>(codePoint == 0x7F ? '?' : codePoint + 0x40), '\0'};
        AppendEscape(caret, glyphs);
        return;
    }
    if (codePoint >= 0x80 && codePoint < 0xA0) {
        static constexpr char HEX[] = "0123456789ABCDEF";
        const char c1[5] = {'<', HEX[codePoint >> 4], HEX[codePoint & 0xF], '>', '\0'};
        AppendEscape(c1, glyphs);
        return;
    }
    if (codePoint < 0x80) {
        glyphs.push_back(Glyph{codePoint, 1, false});
        return;
    }
    if (!options.unicode) {
        glyphs.push_back(Glyph{U'?', 1, true});
        return;
    }
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
        glyphs.push_back(Glyph{REPLACEMENT, 1, true});
        return;
    }
    const int width = ::wcwidth(static_cast<wchar_t>(codePoint));
    if (width == 0) {
        // Combining marks and other zero-width characters would attach to a
        // neighbour cell; they are left out rather than drawn loose.
        return;
    }
    if (width < 0 || width > 2) {
        glyphs.push_back(Glyph{REPLACEMENT, 1, true});
        return;
    }
    glyphs.push_back(Glyph{codePoint, static_cast<uint8_t>(width), false});
}

std::u32string ToCodePoints(const Support::WideString& text)
{
    std::u32string codePoints;
    const int32_t length = text.GetLength();
    codePoints.reserve(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) {
        const char16_t unit = text.CharAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
            const char16_t next = text.CharAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                codePoints.push_back(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        codePoints.push_back(unit >= 0xD800 && unit <= 0xDFFF ? REPLACEMENT : unit);
    }
    return codePoints;
}

Support::WideString FromCodePoints(const std::u32string& codePoints)
{
    std::u16string units;
    units.reserve(codePoints.size());
    for (const char32_t cp : codePoints) {
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp > 0xFFFF ? REPLACEMENT : cp));
        }
    }
    return Support::WideString(units);
}

std::vector<Glyph> ToGlyphs(std::u32string_view text, const DisplayOptions& options)
{
    std::vector<Glyph> glyphs;
    glyphs.reserve(text.size());
    for (const char32_t cp : text) {
        AppendGlyphs(cp, options, glyphs);
    }
    return glyphs;
}

std::vector<Glyph> ToGlyphs(const Support::WideString& text, const DisplayOptions& options)
{
    return ToGlyphs(ToCodePoints(text), options);
}

int32_t WidthOf(const std::vector<Glyph>& glyphs)
{
    int32_t width = 0;
    for (const Glyph& glyph : glyphs) {
        width += glyph.width;
    }
    return width;
}

Caption ParseCaption(const Support::WideString& text, const DisplayOptions& options)
{
    Caption caption;
    const std::u32string codePoints = ToCodePoints(text);
    for (size_t i = 0; i < codePoints.size(); ++i) {
        char32_t cp = codePoints[i];
        bool mnemonic = false;
        if (cp == U'&' && i + 1 < codePoints.size()) {
            cp = codePoints[++i];
            mnemonic = cp != U'&' && caption.mnemonicIndex < 0 && cp > 0x20;
        }
        if (mnemonic) {
            caption.mnemonicIndex = static_cast<int32_t>(caption.glyphs.size());
            caption.mnemonic = FoldLetter(cp);
        }
        AppendGlyphs(cp, options, caption.glyphs);
    }
    return caption;
}

Caption ParseCaption(const Support::WideString& text, bool windowsOnly, const DisplayOptions& options)
{
    Caption caption = ParseCaption(text, options);
    if (windowsOnly) {
        if (caption.glyphs.empty() || caption.glyphs.back().ch != U' ') {
            caption.glyphs.push_back(Glyph{U' ', 1, false});
        }
        for (const char32_t cp : std::u32string_view(U"(Windows only)")) {
            caption.glyphs.push_back(Glyph{cp, 1, false});
        }
    }
    return caption;
}

char32_t FoldLetter(char32_t ch)
{
    if ((ch >= U'A' && ch <= U'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)) {
        return ch + 0x20;
    }
    return ch;
}

} // namespace Dravo::UI::Terminal

// Text on its way to the terminal: every code point becomes cells that are
// safe to draw. Control characters are shown escaped (^[ for ESC, <85> for
// C1), lone surrogates and unprintable characters as U+FFFD, and without a
// UTF-8 locale anything beyond ASCII as "?". Nothing from a registry value or
// a file reaches the terminal raw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/WideString.h"

namespace Dravo::UI::Terminal {

struct DisplayOptions {
    /// The terminal takes UTF-8 (a UTF-8 locale); otherwise ASCII only.
    bool unicode = true;
};

/// One character cell, or a wide character's two.
struct Glyph {
    char32_t ch = U' ';
    /// 1, or 2 for wide characters.
    uint8_t width = 1;
    /// Part of an escape that stands for a character that cannot be shown.
    bool escaped = false;
};

/// The glyphs that show one code point.
void AppendGlyphs(char32_t codePoint, const DisplayOptions& options, std::vector<Glyph>& glyphs);

/// The code points of a UTF-16 text; lone surrogates become U+FFFD.
std::u32string ToCodePoints(const Support::WideString& text);
/// The UTF-16 text of code points.
Support::WideString FromCodePoints(const std::u32string& codePoints);

/// The glyphs of a whole text.
std::vector<Glyph> ToGlyphs(const Support::WideString& text, const DisplayOptions& options);
std::vector<Glyph> ToGlyphs(std::u32string_view text, const DisplayOptions& options);

/// Columns the glyphs take.
int32_t WidthOf(const std::vector<Glyph>& glyphs);

/// A caption with its & mnemonic: "&&" shows one "&", "&x" underlines x.
struct Caption {
    std::vector<Glyph> glyphs;
    /// Index into glyphs of the underlined one, or -1.
    int32_t mnemonicIndex = -1;
    /// The mnemonic letter, lower-cased, or 0.
    char32_t mnemonic = 0;
};

Caption ParseCaption(const Support::WideString& text, const DisplayOptions& options);
/// The same, followed by a note where the option is one only the Windows
/// driver reads: the terminal runs where no driver reads it.
Caption ParseCaption(const Support::WideString& text, bool windowsOnly, const DisplayOptions& options);

/// Lower-cases ASCII letters and Latin-1 capitals; good enough to match
/// mnemonic letters.
char32_t FoldLetter(char32_t ch);

} // namespace Dravo::UI::Terminal

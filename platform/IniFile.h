// An ini file as a driver reads its configuration from it, and edited so that
// every byte an edit does not concern stays as it was. Portable; no OS header.
//
// Reading: the file must be text (UTF-8, no NUL byte; one UTF-8 byte-order
// mark is allowed at its start, and no line's text may begin with another).
// Lines end in LF, CR LF or a CR alone. Each line is a section ("[Name]"), a comment (";" or "#"), a
// blank line, or "Name=Value" (split at the first "="; blanks around the name
// and the value are not part of them); any other line is kept and ignored.
// Section and value names compare without regard to case. Sections of the
// same name count as one; of a name given twice, the first line counts.
//
// Editing: a changed value keeps its line and its place (a later line of the
// same name goes, so that the file says one thing to every reader); a new
// value goes after the last value of the section; a deleted value's line
// goes; a missing section is added at the end. New lines end as the file's
// first line does (LF when it has none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/IniSectionChanges.h"

namespace Dravo::OS {

/// Why a value name cannot be written into an ini line so that it reads back
/// the same to every reader (empty, blanks at either end, "=", a line break, a
/// NUL, a leading "[", ";", "#" or byte-order mark, text that is not valid
/// UTF-16); nothing when it can.
[[nodiscard]] std::optional<std::string> WhyIniCannotHoldName(std::u16string_view name);
/// The same for a value's text (blanks at either end, Unicode's as well as
/// ASCII's, a line break, a NUL, text that is not valid UTF-16).
[[nodiscard]] std::optional<std::string> WhyIniCannotHoldValue(std::u16string_view value);

class IniFile {
public:
    struct ReadError {
        /// 1-based line where the fault is.
        uint64_t line = 0;
        std::string message;
    };

    /// Reads a whole file; false when it is no text, described by GetError().
    [[nodiscard]] bool Parse(std::string bytes);
    [[nodiscard]] const ReadError& GetError() const { return m_error; }
    /// The bytes as given.
    [[nodiscard]] const std::string& GetBytes() const { return m_bytes; }

    [[nodiscard]] bool HasSection(std::u16string_view section) const;
    /// The section's values as a reader gets them.
    [[nodiscard]] std::vector<IniEntry> ReadSection(std::u16string_view section) const;
    /// The 1-based line a reader takes the value of a name from; 0 for none.
    [[nodiscard]] uint64_t FindValueLine(std::u16string_view section, std::u16string_view name) const;
    /// The 1-based lines that a person meant as the section's header but that
    /// no reader takes for one ("[Driver" without its "]", "Driver]").
    [[nodiscard]] std::vector<uint64_t> FindBrokenSectionHeaders(std::u16string_view section) const;

    /// The file's bytes with the changes made to the section. The names and
    /// values set must pass the checks above.
    [[nodiscard]] std::string Apply(std::u16string_view section, const IniSectionChanges& changes) const;

private:
    enum class LineKind { Blank, Comment, Section, Value, Other };

    struct Line {
        /// Offsets into m_bytes: the text is [begin, contentEnd), its line
        /// end [contentEnd, end).
        size_t begin = 0;
        size_t contentEnd = 0;
        size_t end = 0;
        LineKind kind = LineKind::Other;
        /// Of a section, its name case-folded. A value's name is folded only
        /// when asked for (FoldedName): most lines belong to other sections.
        std::u16string folded;
        /// Of a value: where its name and its text start and end.
        size_t nameBegin = 0;
        size_t nameEnd = 0;
        size_t valueBegin = 0;
        size_t valueEnd = 0;
        /// The section line this line belongs to, or -1 before the first.
        int64_t section = -1;
    };

    [[nodiscard]] bool Fail(uint64_t line, std::string message);
    void Classify(Line& line) const;
    [[nodiscard]] bool InSection(const Line& line, const std::u16string& folded) const;
    [[nodiscard]] std::u16string Text(size_t begin, size_t end) const;
    /// The text's name folded as registry names compare.
    [[nodiscard]] std::u16string FoldedText(size_t begin, size_t end) const;
    /// A value line's name, folded.
    [[nodiscard]] std::u16string FoldedName(const Line& line) const;
    [[nodiscard]] std::string LineEnd() const;

    std::string m_bytes;
    std::vector<Line> m_lines;
    ReadError m_error;
};

} // namespace Dravo::OS

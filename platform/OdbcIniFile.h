// unixODBC's own ini files (odbc.ini, odbcinst.ini) read as unixODBC 2.3.11
// reads them, and edited so that unixODBC reads the edit and nothing else
// differently. Portable; no OS header.
//
// unixODBC's reader, which every program of the machine goes through:
// - It reads lines of at most 999 bytes (fgets into 1000): a longer line
//   goes on as the next line. Only a line feed ends a line; a carriage
//   return is a blank like any other.
// - Up to the first section, a line may only be blank or a comment; the
//   first section's "[" must be the line's first byte. Anything else (a
//   byte-order mark, a blank before "[") makes the file one it reads
//   nothing of.
// - After that, leading blanks go. "[" opens a section whose name runs to
//   "]" or to the line's end; "#" or ";" a comment; any other line is an
//   entry, its name up to the first "=" (the whole line when it has none:
//   a bare name reads as empty), its value after it, both trimmed of blanks.
// - Names compare as strcasecmp compares them: only ASCII letters fold.
//   Of two sections of one name the first counts, and of two entries of one
//   name in it, the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/IniSectionChanges.h"

namespace Dravo::OS {

class OdbcIniFile {
public:
    /// The longest line unixODBC reads whole, before its line end.
    static constexpr size_t LONGEST_LINE = 999;

    struct Fault {
        /// 1-based line of the file.
        uint64_t line = 0;
        std::string reason;
    };

    /// Reads a whole file; false when it is no text (a NUL byte, bytes that
    /// are not UTF-8), described by GetError().
    [[nodiscard]] bool Parse(std::string bytes);
    [[nodiscard]] const Fault& GetError() const { return m_error; }
    [[nodiscard]] const std::string& GetBytes() const { return m_bytes; }
    /// Where unixODBC gives up on the file and reads none of it; nothing
    /// when it reads it.
    [[nodiscard]] const std::optional<Fault>& GetUnreadable() const { return m_unreadable; }

    [[nodiscard]] bool HasSection(std::u16string_view section) const;
    /// The sections' names in file order, each once, as unixODBC lists them.
    [[nodiscard]] std::vector<std::u16string> SectionNames() const;
    /// The section's entries as unixODBC reads them: the first section of
    /// the name, the first entry of each name.
    [[nodiscard]] std::vector<IniEntry> ReadSection(std::u16string_view section) const;

    /// The file's bytes with the changes made to the section, or why they
    /// cannot be made so that unixODBC reads them as made: a line around
    /// the section that it reads differently from what the file shows, or a
    /// line the edit would make longer than it reads. The names and values
    /// set must pass WhyIniCannotHoldName and WhyIniCannotHoldValue.
    [[nodiscard]] std::optional<std::string> Apply(
        std::u16string_view section, const IniSectionChanges& changes, Fault& refusal) const;

private:
    enum class Kind { Blank, Comment, Section, Entry };

    /// One line as unixODBC reads it: [begin, end) of the bytes, its line
    /// feed included when it has one.
    struct Line {
        size_t begin = 0;
        size_t end = 0;
        Kind kind = Kind::Blank;
        /// The file's line it is (or is part of).
        uint64_t number = 0;
        /// Of a section, its name ASCII-folded.
        std::string folded;
        /// Of an entry: its name and value; equals is npos for a bare name.
        size_t nameBegin = 0;
        size_t nameEnd = 0;
        size_t equals = std::string::npos;
        size_t valueBegin = 0;
        size_t valueEnd = 0;
    };

    [[nodiscard]] bool Fail(uint64_t line, std::string reason);
    void Classify(Line& line) const;
    /// The index of the first section line of the name, or npos.
    [[nodiscard]] size_t FindSection(std::string_view folded) const;
    /// The index of the next section line after index, or the line count.
    [[nodiscard]] size_t SectionEnd(size_t header) const;
    [[nodiscard]] std::string FoldedName(const Line& line) const;
    /// Why unixODBC would read line index otherwise than the file shows it.
    [[nodiscard]] std::optional<std::string> WhyMisread(size_t index) const;
    [[nodiscard]] std::string LineEnd() const;

    std::string m_bytes;
    std::vector<Line> m_lines;
    Fault m_error;
    std::optional<Fault> m_unreadable;
};

} // namespace Dravo::OS

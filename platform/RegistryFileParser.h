// Reads the text format of registry export files ("Windows Registry Editor
// Version 5.00"): UTF-8 with or without a byte-order mark, or UTF-16LE with
// one, any line ends. The result is the list of changes the file states, in
// file order; applying them in order gives the hive.
//
// Hive files may also hold change records appended by writers: a comment line
// "; change <bytes> <crc32>" followed by that many bytes of ordinary lines.
// Other readers see plain comments and lines; this parser also checks the
// length and checksum, so that a record cut short by a crash (at the end of
// the file) is ignored as if it had never been written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryTypes.h"

namespace Dravo::OS {

struct RegistryParseError {
    /// 1-based line of the file where the faulty line starts.
    uint64_t line = 0;
    std::string message;
};

class RegistryFileParser {
public:
    static constexpr std::string_view RECORD_PREFIX = "; change ";

    /// With a hive, every key section must belong to that hive (a hive file);
    /// without one, sections may name either hive (an import file).
    explicit RegistryFileParser(std::optional<RegistryHive> hive = std::nullopt) : m_hive(hive) {}

    /// Parses a whole file; false on a fault, described by GetError().
    [[nodiscard]] bool Parse(std::string_view bytes);
    /// Parses bytes appended to a UTF-8 file after GetCommittedLength(); only
    /// when CanAppend(). On false the parser is spent: parse the whole file anew.
    [[nodiscard]] bool ParseAppended(std::string_view bytes);

    /// The changes found since the last call.
    std::vector<RegistryChange> TakeChanges();
    [[nodiscard]] const RegistryParseError& GetError() const { return m_error; }

    /// Bytes from the start of the file that hold its content; a torn change
    /// record at the end is not counted.
    [[nodiscard]] uint64_t GetCommittedLength() const { return m_committed; }
    /// Of those, the bytes inside change records.
    [[nodiscard]] uint64_t GetRecordBytes() const { return m_recordBytes; }
    /// True when change records may be appended at GetCommittedLength(): a
    /// UTF-8 file with its header, ending with a complete line.
    [[nodiscard]] bool CanAppend() const;

    /// The comment line (with its line end) that introduces a record of this body.
    static std::string MakeRecordHeader(std::string_view body);

private:
    enum class Encoding { Unknown, Utf8, Utf16 };
    enum class SectionState { None, Key, Deleted };

    bool ParseText(std::string_view text, uint64_t offset, bool honourRecords);
    /// The next physical line from m_pos; false at the end of the text.
    bool NextLine(std::string_view& line);
    bool HandleLine(std::u16string_view line);
    bool HandleSection(std::u16string_view line);
    bool HandleValue(std::u16string_view line);
    bool Fail(uint64_t line, std::string message);

    std::optional<RegistryHive> m_hive;
    Encoding m_encoding = Encoding::Unknown;
    bool m_headerSeen = false;
    bool m_failed = false;
    bool m_endsWithLineBreak = true;
    uint64_t m_committed = 0;
    uint64_t m_recordBytes = 0;
    uint64_t m_lineNumber = 0;
    SectionState m_section = SectionState::None;
    RegistryHive m_sectionHive = RegistryHive::LocalMachine;
    std::u16string m_sectionPath;
    std::vector<RegistryChange> m_changes;
    RegistryParseError m_error;

    // The text being parsed and the position of the next line in it.
    std::string_view m_text;
    size_t m_pos = 0;
};

} // namespace Dravo::OS

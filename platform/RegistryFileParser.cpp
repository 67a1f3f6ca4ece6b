#include "platform/RegistryFileParser.h"

#include <cstdio>

#include "platform/Crc32.h"
#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

bool IsBlank(char16_t unit)
{
    // Windows' exports can end with NUL padding; it counts as white space.
    return unit == u' ' || unit == u'\t' || unit == u'\0';
}

std::u16string_view TrimLeft(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::u16string_view Trim(std::u16string_view text)
{
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char16_t AsciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view wanted)
{
    if (text.size() != wanted.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(wanted[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char16_t unit)
{
    if (unit >= u'0' && unit <= u'9') {
        return unit - u'0';
    }
    if (unit >= u'a' && unit <= u'f') {
        return unit - u'a' + 10;
    }
    if (unit >= u'A' && unit <= u'F') {
        return unit - u'A' + 10;
    }
    return -1;
}

/// Nothing but white space or a comment.
bool IsEndOfLine(std::u16string_view rest)
{
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == u';';
}

/// A quoted text starting at text[0] == '"'; "\\" and "\"" are escapes, any
/// other backslash stands for itself. Sets `consumed` past the closing quote.
bool ReadQuoted(std::u16string_view text, std::u16string& out, size_t& consumed)
{
    out.clear();
    for (size_t i = 1; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'"') {
            consumed = i + 1;
            return true;
        }
        if (unit == u'\\' && i + 1 < text.size() && (text[i + 1] == u'\\' || text[i + 1] == u'"')) {
            out.push_back(text[i + 1]);
            ++i;
            continue;
        }
        out.push_back(unit);
    }
    return false;
}

/// "xx,xx,..." with optional blanks, a trailing comma and a trailing comment.
bool ReadHexBytes(std::u16string_view text, std::vector<uint8_t>& bytes)
{
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
    };
    skipBlanks();
    while (i < text.size() && text[i] != u';') {
        int value = HexDigit(text[i]);
        if (value < 0) {
            return false;
        }
        ++i;
        if (i < text.size() && HexDigit(text[i]) >= 0) {
            value = value * 16 + HexDigit(text[i]);
            ++i;
        }
        bytes.push_back(static_cast<uint8_t>(value));
        skipBlanks();
        if (i < text.size() && text[i] == u',') {
            ++i;
            skipBlanks();
        } else if (i < text.size() && text[i] != u';') {
            return false;
        }
    }
    return true;
}

/// "; change <bytes> <crc>" with its numbers; false for any other comment.
bool ReadRecordHeader(std::string_view line, uint64_t& length, uint32_t& crc)
{
    line.remove_prefix(RegistryFileParser::RECORD_PREFIX.size());
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    size_t i = 0;
    length = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        if (i >= 15) {
            return false;
        }
        length = length * 10 + static_cast<uint64_t>(line[i] - '0');
        ++i;
    }
    if (i == 0 || i >= line.size() || line[i] != ' ' || line.size() - i - 1 != 8) {
        return false;
    }
    crc = 0;
    for (++i; i < line.size(); ++i) {
        const int digit = HexDigit(static_cast<char16_t>(static_cast<unsigned char>(line[i])));
        if (digit < 0) {
            return false;
        }
        crc = crc * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

} // namespace

std::string RegistryFileParser::MakeRecordHeader(std::string_view body)
{
    char header[64];
    std::snprintf(header, sizeof header, "; change %zu %08X\r\n", body.size(),
        static_cast<unsigned>(UpdateCrc32(0, body.data(), body.size())));
    return header;
}

bool RegistryFileParser::CanAppend() const
{
    return !m_failed && m_encoding == Encoding::Utf8 && m_headerSeen && m_endsWithLineBreak;
}

std::vector<RegistryChange> RegistryFileParser::TakeChanges()
{
    std::vector<RegistryChange> changes;
    changes.swap(m_changes);
    return changes;
}

bool RegistryFileParser::Fail(uint64_t line, std::string message)
{
    m_failed = true;
    m_error.line = line;
    m_error.message = std::move(message);
    return false;
}

bool RegistryFileParser::Parse(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        m_encoding = Encoding::Utf16;
        const std::string_view units = bytes.substr(2);
        if (units.size() % 2 != 0) {
            return Fail(1, "the UTF-16 text ends in the middle of a character");
        }
        std::u16string text;
        text.reserve(units.size() / 2);
        for (size_t i = 0; i < units.size(); i += 2) {
            text.push_back(static_cast<char16_t>(
                static_cast<unsigned char>(units[i]) | (static_cast<unsigned char>(units[i + 1]) << 8)));
        }
        std::string utf8;
        utf8.reserve(text.size());
        if (!AppendUtf8FromUtf16(text, utf8)) {
            uint64_t line = 1;
            for (size_t i = 0; i < text.size(); ++i) {
                const bool lead = text[i] >= 0xD800 && text[i] <= 0xDBFF;
                const bool trail = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
                if (lead && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                    ++i;
                } else if (lead || trail) {
                    break;
                } else if (text[i] == u'\n') {
                    ++line;
                }
            }
            return Fail(line, "the UTF-16 text holds a broken surrogate pair");
        }
        const bool ok = ParseText(utf8, 0, false);
        m_committed = bytes.size();
        return ok;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE
        && static_cast<unsigned char>(bytes[1]) == 0xFF) {
        m_encoding = Encoding::Utf16;
        return Fail(1, "UTF-16 big-endian files are not supported; save the file as UTF-16LE or UTF-8");
    }
    m_encoding = Encoding::Utf8;
    uint64_t offset = 0;
    if (bytes.substr(0, UTF8_BOM.size()) == UTF8_BOM) {
        offset = UTF8_BOM.size();
        bytes.remove_prefix(UTF8_BOM.size());
    }
    m_committed = offset;
    return ParseText(bytes, offset, true);
}

bool RegistryFileParser::ParseAppended(std::string_view bytes)
{
    if (!CanAppend()) {
        return false;
    }
    return ParseText(bytes, m_committed, true);
}

bool RegistryFileParser::NextLine(std::string_view& line)
{
    if (m_pos >= m_text.size()) {
        return false;
    }
    const size_t start = m_pos;
    size_t end = m_text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        end = m_text.size();
        m_pos = end;
    } else if (m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n') {
        m_pos = end + 2;
    } else {
        m_pos = end + 1;
    }
    line = m_text.substr(start, end - start);
    ++m_lineNumber;
    return true;
}

bool RegistryFileParser::ParseText(std::string_view text, uint64_t offset, bool honourRecords)
{
    if (m_failed) {
        return false;
    }
    m_text = text;
    m_pos = 0;
    std::u16string decoded;
    for (;;) {
        const size_t lineStart = m_pos;
        std::string_view line;
        if (!NextLine(line)) {
            break;
        }
        const bool terminated = m_pos > lineStart + line.size();
        if (honourRecords && !terminated && !line.empty()
            && (RECORD_PREFIX.substr(0, line.size()) == line
                || line.substr(0, RECORD_PREFIX.size()) == RECORD_PREFIX)) {
            // A record header, cut short.
            --m_lineNumber;
            m_committed = offset + lineStart;
            m_endsWithLineBreak = true;
            return true;
        }
        if (honourRecords && line.substr(0, RECORD_PREFIX.size()) == RECORD_PREFIX) {
            uint64_t length = 0;
            uint32_t crc = 0;
            if (ReadRecordHeader(line, length, crc)) {
                const size_t available = text.size() - m_pos;
                bool torn = !terminated || length > available;
                if (!torn && UpdateCrc32(0, text.data() + m_pos, static_cast<size_t>(length)) != crc) {
                    // A damaged record that reaches the end of the file was cut
                    // short; anywhere else it is text someone edited, read as such.
                    torn = length == available;
                } else if (!torn) {
                    m_recordBytes += (m_pos - lineStart) + length;
                }
                if (torn) {
                    --m_lineNumber;
                    m_committed = offset + lineStart;
                    m_endsWithLineBreak = true;
                    return true;
                }
            }
            continue;
        }
        decoded.clear();
        if (!AppendUtf16FromUtf8(line, decoded)) {
            return Fail(m_lineNumber, "the line is not valid UTF-8 text");
        }
        if (!HandleLine(decoded)) {
            return false;
        }
    }
    m_committed = offset + text.size();
    if (!text.empty()) {
        m_endsWithLineBreak = text.back() == '\n' || text.back() == '\r';
    }
    return true;
}

bool RegistryFileParser::HandleLine(std::u16string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() == u';') {
        return true;
    }
    static constexpr std::u16string_view HEADER = u"Windows Registry Editor Version 5.00";
    if (!m_headerSeen) {
        if (line == HEADER) {
            m_headerSeen = true;
            return true;
        }
        if (line == u"REGEDIT4") {
            return Fail(m_lineNumber,
                "REGEDIT4 files are not supported; export in the \"Windows Registry Editor Version 5.00\" format");
        }
        return Fail(m_lineNumber, "the file does not begin with \"Windows Registry Editor Version 5.00\"");
    }
    if (line == HEADER) {
        return true;
    }
    if (line.front() == u'[') {
        return HandleSection(line);
    }
    if (line.front() == u'"' || line.front() == u'@') {
        return HandleValue(line);
    }
    return Fail(m_lineNumber, "the line is neither a key section, a value nor a comment");
}

bool RegistryFileParser::HandleSection(std::u16string_view line)
{
    const size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos || close + 1 != line.size()) {
        return Fail(m_lineNumber, "a key section must end with \"]\"");
    }
    std::u16string_view inner = line.substr(1, close - 1);
    const bool deletion = !inner.empty() && inner.front() == u'-';
    if (deletion) {
        inner.remove_prefix(1);
    }
    const size_t separator = inner.find(u'\\');
    const std::u16string_view root = inner.substr(0, separator);
    const std::u16string_view rest =
        separator == std::u16string_view::npos ? std::u16string_view() : inner.substr(separator + 1);
    RegistryHive hive = RegistryHive::LocalMachine;
    if (EqualsIgnoringAsciiCase(root, GetHiveName(RegistryHive::LocalMachine))) {
        hive = RegistryHive::LocalMachine;
    } else if (EqualsIgnoringAsciiCase(root, GetHiveName(RegistryHive::CurrentUser))) {
        hive = RegistryHive::CurrentUser;
    } else {
        return Fail(m_lineNumber, "a key must be below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER");
    }
    if (m_hive && *m_hive != hive) {
        std::string message = "the key belongs to ";
        static_cast<void>(AppendUtf8FromUtf16(GetHiveName(hive), message));
        message += ", not to this hive";
        return Fail(m_lineNumber, std::move(message));
    }
    if (separator != std::u16string_view::npos && rest.empty()) {
        return Fail(m_lineNumber, "the key path ends with a backslash");
    }
    const auto names = SplitRegistryPath(rest);
    if (!names) {
        return Fail(m_lineNumber,
            names.GetError() == ERROR_BAD_PATHNAME_CODE ? "the key path holds an empty key name"
                                                        : "a key name is too long or the key path is too deep");
    }
    RegistryChange change;
    change.hive = hive;
    change.keyPath = JoinRegistryPath(*names);
    if (deletion) {
        if (names->empty()) {
            return Fail(m_lineNumber, "the root key of a hive cannot be deleted");
        }
        change.kind = RegistryChange::Kind::DeleteTree;
        m_section = SectionState::Deleted;
    } else {
        change.kind = RegistryChange::Kind::CreateKey;
        m_section = SectionState::Key;
        m_sectionHive = hive;
        m_sectionPath = change.keyPath;
    }
    m_changes.push_back(std::move(change));
    return true;
}

bool RegistryFileParser::HandleValue(std::u16string_view line)
{
    const uint64_t startLine = m_lineNumber;
    if (m_section == SectionState::None) {
        return Fail(startLine, "a value must follow a key section");
    }
    if (m_section == SectionState::Deleted) {
        return Fail(startLine, "a value cannot follow the deletion of a key");
    }
    RegistryChange change;
    change.hive = m_sectionHive;
    change.keyPath = m_sectionPath;
    size_t pos = 1;
    if (line.front() == u'"') {
        if (!ReadQuoted(line, change.value.name, pos)) {
            return Fail(startLine, "the value name has no closing quote");
        }
        if (CheckRegistryValueName(change.value.name) != ERROR_SUCCESS_CODE) {
            return Fail(startLine, "the value name is too long or holds characters a value name cannot hold");
        }
    }
    std::u16string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != u'=') {
        return Fail(startLine, "expected \"=\" after the value name");
    }
    rest = TrimLeft(rest.substr(1));

    if (!rest.empty() && rest.front() == u'-' && IsEndOfLine(rest.substr(1))) {
        change.kind = RegistryChange::Kind::DeleteValue;
        m_changes.push_back(std::move(change));
        return true;
    }
    change.kind = RegistryChange::Kind::SetValue;
    if (!rest.empty() && rest.front() == u'"') {
        std::u16string text;
        size_t consumed = 0;
        if (!ReadQuoted(rest, text, consumed)) {
            return Fail(startLine, "the string data has no closing quote");
        }
        if (!IsEndOfLine(rest.substr(consumed))) {
            return Fail(startLine, "unexpected text after the string data");
        }
        change.value.type = REG_SZ_TYPE;
        change.value.data = MakeRegistryStringData(text);
        m_changes.push_back(std::move(change));
        return true;
    }
    if (StartsWithIgnoringAsciiCase(rest, u"dword:")) {
        rest.remove_prefix(6);
        uint32_t number = 0;
        size_t digits = 0;
        while (digits < rest.size() && HexDigit(rest[digits]) >= 0) {
            number = number * 16 + static_cast<uint32_t>(HexDigit(rest[digits]));
            ++digits;
        }
        if (digits == 0 || digits > 8 || !IsEndOfLine(rest.substr(digits))) {
            return Fail(startLine, "dword data must be 1 to 8 hexadecimal digits");
        }
        change.value.type = REG_DWORD_TYPE;
        change.value.data = MakeRegistryDwordData(number);
        m_changes.push_back(std::move(change));
        return true;
    }
    if (StartsWithIgnoringAsciiCase(rest, u"hex")) {
        rest.remove_prefix(3);
        change.value.type = REG_BINARY_TYPE;
        if (!rest.empty() && rest.front() == u'(') {
            size_t digits = 1;
            uint32_t type = 0;
            while (digits < rest.size() && HexDigit(rest[digits]) >= 0) {
                type = type * 16 + static_cast<uint32_t>(HexDigit(rest[digits]));
                ++digits;
            }
            if (digits == 1 || digits > 9 || digits >= rest.size() || rest[digits] != u')') {
                return Fail(startLine, "the value type in hex(...) must be 1 to 8 hexadecimal digits");
            }
            change.value.type = type;
            rest.remove_prefix(digits + 1);
        }
        if (rest.empty() || rest.front() != u':') {
            return Fail(startLine, "expected \":\" after hex");
        }
        std::u16string data(rest.substr(1));
        // Long byte lists continue on the next lines after a backslash.
        std::u16string decoded;
        for (;;) {
            const std::u16string_view trimmed = Trim(data);
            if (trimmed.empty() || trimmed.back() != u'\\') {
                break;
            }
            data.resize(static_cast<size_t>(trimmed.data() - data.data()) + trimmed.size() - 1);
            std::string_view next;
            if (!NextLine(next)) {
                break;
            }
            decoded.clear();
            if (!AppendUtf16FromUtf8(next, decoded)) {
                return Fail(m_lineNumber, "the line is not valid UTF-8 text");
            }
            data += TrimLeft(decoded);
        }
        if (!ReadHexBytes(data, change.value.data)) {
            return Fail(startLine, "the hexadecimal data is not a list of bytes separated by commas");
        }
        m_changes.push_back(std::move(change));
        return true;
    }
    return Fail(startLine, "the value data is neither a string, dword:, hex: nor hex(type):");
}

} // namespace Dravo::OS

#include "platform/IniFile.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/RegistryImage.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

/// What readers of ini files trim around names and values.
bool IsBlank(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

/// What readers that strip Unicode white space (Python's, .NET's) trim as
/// well: a name or text ending in one reads differently from one reader to
/// the next.
bool IsUnicodeBlank(char16_t c)
{
    return IsBlank(c) || (c >= 0x1C && c <= 0x1F) || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

/// Where the line starting at position ends: a line feed, a carriage return
/// and line feed, or a carriage return alone (old Mac files), which every
/// reader takes as a line end too.
size_t LineEndAt(std::string_view bytes, size_t position)
{
    // A plain loop: find_first_of looks each byte up in the set of two.
    while (position < bytes.size() && bytes[position] != '\n' && bytes[position] != '\r') {
        ++position;
    }
    return position;
}

size_t LineEndLength(std::string_view bytes, size_t at)
{
    if (at >= bytes.size()) {
        return 0;
    }
    return bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? 2 : 1;
}

std::optional<std::string> WhyTextCannotBeHeld(std::u16string_view text, const char* what)
{
    if (!IsWellFormedUtf16(text)) {
        return std::string(what) + " is not valid UTF-16 text";
    }
    if (text.find(u'\0') != std::u16string_view::npos) {
        return std::string(what) + " holds a NUL character";
    }
    if (text.find_first_of(u"\r\n") != std::u16string_view::npos) {
        return std::string(what) + " holds a line break";
    }
    if (!text.empty() && (IsUnicodeBlank(text.front()) || IsUnicodeBlank(text.back()))) {
        return std::string(what) + " begins or ends with a blank, which is dropped when the entry is read back";
    }
    return std::nullopt;
}

std::string Utf8(std::u16string_view text)
{
    std::string out;
    // Only text that passed the checks above is written.
    (void)AppendUtf8FromUtf16(text, out);
    return out;
}

bool EndsWithLineEnd(std::string_view text)
{
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

/// The last line of the text holds nothing but blanks (or there is none).
bool EndsWithBlankLine(std::string_view text)
{
    if (!EndsWithLineEnd(text)) {
        return false;
    }
    text.remove_suffix(text.ends_with("\r\n") ? 2 : 1);
    const size_t start = text.find_last_of("\r\n");
    const std::string_view last = start == std::string_view::npos ? text : text.substr(start + 1);
    for (const char c : last) {
        if (!IsBlank(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> WhyIniCannotHoldName(std::u16string_view name)
{
    if (name.empty()) {
        return std::string("a value without a name (the default value) cannot be kept as an entry");
    }
    if (auto why = WhyTextCannotBeHeld(name, "the name")) {
        return why;
    }
    if (name.find(u'=') != std::u16string_view::npos) {
        return std::string("the name holds \"=\", where the line would be split");
    }
    if (name.front() == u'[' || name.front() == u';' || name.front() == u'#') {
        return std::string("the name begins with \"") + static_cast<char>(name.front())
            + "\", which makes the line a section or a comment";
    }
    if (name.front() == u'\xFEFF') {
        return std::string("the name begins with a byte-order mark, which makes the line one no reader can read");
    }
    return std::nullopt;
}

std::optional<std::string> WhyIniCannotHoldValue(std::u16string_view value)
{
    return WhyTextCannotBeHeld(value, "the text");
}

bool IniFile::Fail(uint64_t line, std::string message)
{
    m_error = ReadError{line, std::move(message)};
    m_lines.clear();
    return false;
}

bool IniFile::Parse(std::string bytes)
{
    m_bytes = std::move(bytes);
    m_lines.clear();
    m_error = ReadError{};
    size_t position = m_bytes.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0 ? BYTE_ORDER_MARK.size() : 0;
    int64_t section = -1;
    m_lines.reserve(static_cast<size_t>(std::count(m_bytes.begin(), m_bytes.end(), '\n')) + 1);
    while (position < m_bytes.size()) {
        Line line;
        line.begin = position;
        line.contentEnd = LineEndAt(m_bytes, position);
        line.end = line.contentEnd + LineEndLength(m_bytes, line.contentEnd);
        const std::string_view whole(m_bytes.data() + line.begin, line.end - line.begin);
        const uint64_t number = m_lines.size() + 1;
        if (whole.find('\0') != std::string_view::npos) {
            return Fail(number, "the line holds a NUL byte: the file is not text");
        }
        if (!IsWellFormedUtf8(whole)) {
            return Fail(number, "the line is not valid UTF-8 text");
        }
        // Readers skip one mark at the very start of the file at most; any
        // other that begins a line's text makes its first character one that
        // no reader expects, and a section behind it would be lost to every
        // reader.
        size_t text = line.begin;
        while (text < line.contentEnd && IsBlank(static_cast<unsigned char>(m_bytes[text]))) {
            ++text;
        }
        if (std::string_view(m_bytes).substr(text, line.contentEnd - text).starts_with(BYTE_ORDER_MARK)) {
            return Fail(number,
                "the line begins with a byte-order mark, which readers of the file take as text: "
                "the file is not text the tool can read");
        }
        Classify(line);
        if (line.kind == LineKind::Section) {
            section = static_cast<int64_t>(m_lines.size());
        }
        line.section = section;
        m_lines.push_back(std::move(line));
        position = m_lines.back().end;
    }
    return true;
}

std::u16string IniFile::FoldedText(size_t begin, size_t end) const
{
    // Names are nearly always ASCII: fold those without the round through
    // UTF-16 text, as FoldRegistryName folds them.
    std::u16string folded;
    folded.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        const auto c = static_cast<unsigned char>(m_bytes[i]);
        if (c >= 0x80) {
            return FoldRegistryName(Text(begin, end));
        }
        folded.push_back(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c));
    }
    return folded;
}

std::u16string IniFile::Text(size_t begin, size_t end) const
{
    std::u16string text;
    // Every line was checked to be UTF-8 when the file was read.
    (void)AppendUtf16FromUtf8(std::string_view(m_bytes).substr(begin, end - begin), text);
    return text;
}

void IniFile::Classify(Line& line) const
{
    size_t first = line.begin;
    while (first < line.contentEnd && IsBlank(static_cast<unsigned char>(m_bytes[first]))) {
        ++first;
    }
    if (first == line.contentEnd) {
        line.kind = LineKind::Blank;
        return;
    }
    const char lead = m_bytes[first];
    if (lead == ';' || lead == '#') {
        line.kind = LineKind::Comment;
        return;
    }
    const auto trimmedEnd = [&](size_t from, size_t to) {
        while (to > from && IsBlank(static_cast<unsigned char>(m_bytes[to - 1]))) {
            --to;
        }
        return to;
    };
    const auto trimmedBegin = [&](size_t from, size_t to) {
        while (from < to && IsBlank(static_cast<unsigned char>(m_bytes[from]))) {
            ++from;
        }
        return from;
    };
    // Searches stay within the line: a long file of broken lines must not
    // cost the square of its length.
    const std::string_view content = std::string_view(m_bytes).substr(first, line.contentEnd - first);
    if (lead == '[') {
        const size_t found = content.find(']');
        if (found == std::string_view::npos) {
            line.kind = LineKind::Other;
            return;
        }
        const size_t close = first + found;
        const size_t nameBegin = trimmedBegin(first + 1, close);
        line.kind = LineKind::Section;
        line.folded = FoldedText(nameBegin, trimmedEnd(nameBegin, close));
        return;
    }
    const size_t found = content.find('=');
    if (found == std::string_view::npos) {
        line.kind = LineKind::Other;
        return;
    }
    const size_t equals = first + found;
    const size_t nameEnd = trimmedEnd(first, equals);
    if (nameEnd == first) {
        line.kind = LineKind::Other;
        return;
    }
    line.kind = LineKind::Value;
    line.nameBegin = first;
    line.nameEnd = nameEnd;
    line.valueBegin = trimmedBegin(equals + 1, line.contentEnd);
    line.valueEnd = trimmedEnd(line.valueBegin, line.contentEnd);
}

std::u16string IniFile::FoldedName(const Line& line) const
{
    return FoldedText(line.nameBegin, line.nameEnd);
}

bool IniFile::InSection(const Line& line, const std::u16string& folded) const
{
    return line.section >= 0 && m_lines[static_cast<size_t>(line.section)].folded == folded;
}

bool IniFile::HasSection(std::u16string_view section) const
{
    const std::u16string folded = FoldRegistryName(section);
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::Section && line.folded == folded) {
            return true;
        }
    }
    return false;
}

std::vector<IniEntry> IniFile::ReadSection(std::u16string_view section) const
{
    const std::u16string folded = FoldRegistryName(section);
    std::vector<IniEntry> entries;
    std::unordered_set<std::u16string> seen;
    for (const Line& line : m_lines) {
        if (line.kind != LineKind::Value || !InSection(line, folded) || !seen.insert(FoldedName(line)).second) {
            continue;
        }
        entries.push_back(IniEntry{Text(line.nameBegin, line.nameEnd), Text(line.valueBegin, line.valueEnd)});
    }
    return entries;
}

uint64_t IniFile::FindValueLine(std::u16string_view section, std::u16string_view name) const
{
    const std::u16string folded = FoldRegistryName(section);
    const std::u16string foldedName = FoldRegistryName(name);
    for (size_t index = 0; index < m_lines.size(); ++index) {
        const Line& line = m_lines[index];
        if (line.kind == LineKind::Value && InSection(line, folded) && FoldedName(line) == foldedName) {
            return index + 1;
        }
    }
    return 0;
}

std::vector<uint64_t> IniFile::FindBrokenSectionHeaders(std::u16string_view section) const
{
    const std::u16string folded = FoldRegistryName(section);
    std::vector<uint64_t> lines;
    for (size_t index = 0; index < m_lines.size(); ++index) {
        const Line& line = m_lines[index];
        if (line.kind != LineKind::Other) {
            continue;
        }
        // The line without its brackets and blanks names the section.
        std::u16string text = Text(line.begin, line.contentEnd);
        const auto isBracketOrBlank = [](char16_t c) { return c == u'[' || c == u']' || IsBlank(c); };
        while (!text.empty() && isBracketOrBlank(text.back())) {
            text.pop_back();
        }
        size_t first = 0;
        while (first < text.size() && isBracketOrBlank(text[first])) {
            ++first;
        }
        if (FoldRegistryName(std::u16string_view(text).substr(first)) == folded) {
            lines.push_back(index + 1);
        }
    }
    return lines;
}

std::string IniFile::LineEnd() const
{
    for (const Line& line : m_lines) {
        if (line.end > line.contentEnd) {
            return m_bytes.substr(line.contentEnd, line.end - line.contentEnd);
        }
    }
    return "\n";
}

std::string IniFile::Apply(std::u16string_view section, const IniSectionChanges& changes) const
{
    const std::u16string folded = FoldRegistryName(section);
    const bool drop = changes.DropsExisting();
    const std::string lineEnd = LineEnd();

    // Where each name's first line is, which of those the changes alter, and
    // where new values go: after the last value of the first such section.
    std::unordered_map<std::u16string, size_t> firstLine;
    std::unordered_set<std::u16string> altered;
    int64_t firstSection = -1;
    size_t insertAfter = 0;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (!InSection(line, folded)) {
            continue;
        }
        if (firstSection < 0) {
            firstSection = line.section;
            insertAfter = i;
        }
        if (line.kind != LineKind::Value) {
            continue;
        }
        if (line.section == firstSection) {
            insertAfter = i;
        }
        std::u16string name = FoldedName(line);
        if (!firstLine.try_emplace(name, i).second) {
            continue;
        }
        if (const IniSectionChanges::ValueChange* change = changes.Find(name);
            change && change->value && *change->value != Text(line.valueBegin, line.valueEnd)) {
            altered.insert(std::move(name));
        }
    }
    std::string newLines;
    for (const IniSectionChanges::ValueChange& change : changes.GetValueChanges()) {
        if (change.value && (drop || !firstLine.contains(FoldRegistryName(change.name)))) {
            newLines += Utf8(change.name) + "=" + Utf8(*change.value) + lineEnd;
        }
    }

    std::string out;
    out.reserve(m_bytes.size() + newLines.size() + 64);
    out.append(m_bytes, 0, m_lines.empty() ? m_bytes.size() : m_lines.front().begin);
    const bool keepsSection = firstSection >= 0 && !drop;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        const bool inSection = InSection(line, folded);
        if (drop && inSection) {
            continue;
        }
        const std::u16string name = inSection && line.kind == LineKind::Value ? FoldedName(line) : std::u16string();
        const IniSectionChanges::ValueChange* change = name.empty() ? nullptr : changes.Find(name);
        if (!change) {
            out.append(m_bytes, line.begin, line.end - line.begin);
        } else if (!change->value) {
            // Deleted: every line of the name goes.
        } else if (!altered.contains(name)) {
            out.append(m_bytes, line.begin, line.end - line.begin);
        } else if (firstLine.at(name) == i) {
            out.append(m_bytes, line.begin, line.valueBegin - line.begin);
            out += Utf8(*change->value);
            out.append(m_bytes, line.valueEnd, line.end - line.valueEnd);
        }
        if (keepsSection && i == insertAfter && !newLines.empty()) {
            if (!EndsWithLineEnd(out)) {
                out += lineEnd;
            }
            out += newLines;
        }
    }
    if ((drop || firstSection < 0) && changes.GetFate() == IniSectionChanges::SectionFate::Exists) {
        const size_t markLength = m_lines.empty() ? out.size() : m_lines.front().begin;
        if (out.size() > markLength) {
            if (!EndsWithLineEnd(out)) {
                out += lineEnd;
            }
            if (!EndsWithBlankLine(std::string_view(out).substr(markLength))) {
                out += lineEnd;
            }
        }
        out += "[" + Utf8(section) + "]" + lineEnd + newLines;
    }
    return out;
}

} // namespace Dravo::OS

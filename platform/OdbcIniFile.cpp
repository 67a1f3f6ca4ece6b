#include "platform/OdbcIniFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

/// isspace() in the C locale, which is what unixODBC trims with.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// strcasecmp's folding: ASCII letters only, so that "Ärger" and "ärger"
/// stay two names.
std::string AsciiFolded(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - ('a' - 'A'));
        }
    }
    return folded;
}

std::string Utf8(std::u16string_view text)
{
    std::string out;
    // Only text that passed the callers' checks is written.
    (void)AppendUtf8FromUtf16(text, out);
    return out;
}

std::u16string Utf16(std::string_view text)
{
    std::u16string out;
    // A line cut at 999 bytes may cut a character too: unixODBC reads the
    // bytes, and so does whoever reads them here.
    (void)AppendUtf16FromUtf8(text, out);
    return out;
}

/// The text's length without its line end and the blanks before it.
size_t ContentLength(std::string_view line)
{
    size_t end = line.size();
    while (end > 0 && IsSpace(line[end - 1])) {
        --end;
    }
    return end;
}

/// The name a header line starting at its "[" gives, folded: it runs to "]"
/// or, where there is none, to the line's end, trimmed of blanks.
std::string HeaderFolded(std::string_view text)
{
    text.remove_prefix(1);
    text = text.substr(0, text.find(']'));
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return AsciiFolded(text);
}

/// Whether every line reads as an entry: none starts a section, a comment
/// or with a blank.
bool ReadsAsEntries(std::string_view lines)
{
    for (size_t at = 0; at < lines.size();) {
        const char lead = lines[at];
        if (IsSpace(lead) || lead == '[' || lead == '#' || lead == ';') {
            return false;
        }
        const size_t feed = lines.find('\n', at);
        at = feed == std::string_view::npos ? lines.size() : feed + 1;
    }
    return true;
}

bool EndsWithBlankLine(std::string_view text)
{
    if (text.empty() || text.back() != '\n') {
        return false;
    }
    text.remove_suffix(1);
    const size_t start = text.rfind('\n');
    const std::string_view last = start == std::string_view::npos ? text : text.substr(start + 1);
    for (const char c : last) {
        if (!IsSpace(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool OdbcIniFile::Fail(uint64_t line, std::string reason)
{
    m_error = Fault{line, std::move(reason)};
    m_lines.clear();
    return false;
}

bool OdbcIniFile::Parse(std::string bytes)
{
    m_bytes = std::move(bytes);
    m_lines.clear();
    m_error = Fault{};
    m_unreadable.reset();
    // Text first: a file that is not text is never written over. Checked
    // whole; the line is looked for only when it is not.
    if (std::memchr(m_bytes.data(), '\0', m_bytes.size()) != nullptr || !IsWellFormedUtf8(m_bytes)) {
        uint64_t number = 1;
        for (size_t at = 0; at < m_bytes.size(); ++number) {
            const size_t feed = m_bytes.find('\n', at);
            const size_t end = feed == std::string::npos ? m_bytes.size() : feed + 1;
            const std::string_view text(m_bytes.data() + at, end - at);
            if (text.find('\0') != std::string_view::npos) {
                return Fail(number, "the line holds a NUL byte: the file is not text");
            }
            if (!IsWellFormedUtf8(text)) {
                return Fail(number, "the line is not valid UTF-8 text");
            }
            at = end;
        }
    }
    size_t lineCount = 1;
    for (const char *at = m_bytes.data(), *end = at + m_bytes.size();
         (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)))) != nullptr; ++at) {
        ++lineCount;
    }
    m_lines.reserve(lineCount);

    bool sectionSeen = false;
    uint64_t number = 1;
    for (size_t at = 0; at < m_bytes.size();) {
        const size_t feed = m_bytes.find('\n', at);
        const size_t physicalEnd = feed == std::string::npos ? m_bytes.size() : feed + 1;
        Line line;
        line.begin = at;
        line.end = std::min(physicalEnd, at + LONGEST_LINE);
        line.number = number;
        if (!sectionSeen && m_bytes[at] != '[') {
            // Before the first section only blank lines and comments.
            size_t first = line.begin;
            while (first < line.end && IsSpace(m_bytes[first])) {
                ++first;
            }
            if (first < line.end && m_bytes[first] != '#' && m_bytes[first] != ';') {
                const bool mark = std::string_view(m_bytes).substr(at).starts_with(BYTE_ORDER_MARK);
                m_unreadable = Fault{number,
                    std::string(mark                ? "the file begins with a byte-order mark"
                            : m_bytes[first] == '[' ? "the first section's \"[\" is not the line's first character"
                                                    : "the line comes before any section")
                        + ": unixODBC reads nothing of a file whose first line that is neither blank nor a "
                          "comment is not a section starting at the line's first character"};
                m_lines.clear();
                return true;
            }
            line.kind = first < line.end ? Kind::Comment : Kind::Blank;
        } else {
            sectionSeen = true;
            Classify(line);
        }
        if (line.end == physicalEnd) {
            ++number;
        }
        at = line.end;
        m_lines.push_back(std::move(line));
    }
    return true;
}

void OdbcIniFile::Classify(Line& line) const
{
    size_t first = line.begin;
    while (first < line.end && IsSpace(m_bytes[first])) {
        ++first;
    }
    if (first == line.end) {
        line.kind = Kind::Blank;
        return;
    }
    const auto trimmedEnd = [&](size_t from, size_t to) {
        while (to > from && IsSpace(m_bytes[to - 1])) {
            --to;
        }
        return to;
    };
    const auto trimmedBegin = [&](size_t from, size_t to) {
        while (from < to && IsSpace(m_bytes[from])) {
            ++from;
        }
        return from;
    };
    const std::string_view text = std::string_view(m_bytes).substr(first, line.end - first);
    const char lead = m_bytes[first];
    if (lead == '[') {
        line.kind = Kind::Section;
        line.folded = HeaderFolded(text);
        return;
    }
    if (lead == '#' || lead == ';') {
        line.kind = Kind::Comment;
        return;
    }
    line.kind = Kind::Entry;
    const size_t equals = text.find('=');
    line.nameBegin = first;
    if (equals == std::string_view::npos) {
        line.nameEnd = trimmedEnd(first, line.end);
        line.valueBegin = line.valueEnd = line.nameEnd;
        return;
    }
    line.equals = first + equals;
    line.nameEnd = trimmedEnd(first, line.equals);
    line.valueBegin = trimmedBegin(line.equals + 1, line.end);
    line.valueEnd = trimmedEnd(line.valueBegin, line.end);
    if (line.valueBegin == line.valueEnd) {
        // An empty value: a new one goes right after the "=", before any
        // blank and the line end.
        line.valueBegin = line.valueEnd = line.equals + 1;
    }
}

std::string OdbcIniFile::FoldedName(const Line& line) const
{
    return AsciiFolded(std::string_view(m_bytes).substr(line.nameBegin, line.nameEnd - line.nameBegin));
}

size_t OdbcIniFile::FindSection(std::string_view folded) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && m_lines[i].folded == folded) {
            return i;
        }
    }
    return std::string::npos;
}

size_t OdbcIniFile::SectionEnd(size_t header) const
{
    size_t end = header + 1;
    while (end < m_lines.size() && m_lines[end].kind != Kind::Section) {
        ++end;
    }
    return end;
}

bool OdbcIniFile::HasSection(std::u16string_view section) const
{
    return FindSection(AsciiFolded(Utf8(section))) != std::string::npos;
}

std::vector<std::u16string> OdbcIniFile::SectionNames() const
{
    std::vector<std::u16string> names;
    std::unordered_set<std::string> seen;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section && seen.insert(line.folded).second) {
            // unixODBC's list of names ends at the first empty one.
            if (line.folded.empty()) {
                break;
            }
            const std::string_view text = std::string_view(m_bytes).substr(line.begin, line.end - line.begin);
            size_t begin = text.find('[') + 1;
            while (begin < text.size() && IsSpace(text[begin])) {
                ++begin;
            }
            names.push_back(Utf16(text.substr(begin, line.folded.size())));
        }
    }
    return names;
}

std::vector<IniEntry> OdbcIniFile::ReadSection(std::u16string_view section) const
{
    std::vector<IniEntry> entries;
    const size_t header = FindSection(AsciiFolded(Utf8(section)));
    if (header == std::string::npos) {
        return entries;
    }
    std::unordered_set<std::string> seen;
    const std::string_view bytes(m_bytes);
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
        const Line& line = m_lines[i];
        // An entry without a name cannot be asked for.
        if (line.kind != Kind::Entry || line.nameEnd == line.nameBegin || !seen.insert(FoldedName(line)).second) {
            continue;
        }
        entries.push_back(IniEntry{Utf16(bytes.substr(line.nameBegin, line.nameEnd - line.nameBegin)),
            Utf16(bytes.substr(line.valueBegin, line.valueEnd - line.valueBegin))});
    }
    return entries;
}

std::optional<std::string> OdbcIniFile::WhyMisread(size_t index) const
{
    const Line& line = m_lines[index];
    const bool continued = index > 0 && m_lines[index - 1].number == line.number;
    const size_t feed = m_bytes.find('\n', line.begin);
    const size_t physicalEnd = feed == std::string::npos ? m_bytes.size() : feed;
    if (continued
        || ContentLength(std::string_view(m_bytes).substr(line.begin, physicalEnd - line.begin)) > LONGEST_LINE) {
        return "the line is longer than the " + std::to_string(LONGEST_LINE)
            + " bytes unixODBC reads as one line: it reads the rest as a line of its own";
    }
    for (size_t at = line.begin; at < line.end; ++at) {
        if (m_bytes[at] == '\r' && at + 1 < line.end && m_bytes[at + 1] != '\n') {
            return std::string("the line holds a carriage return that is not part of a line end, where unixODBC "
                               "does not end a line");
        }
    }
    if (line.kind == Kind::Entry && line.nameBegin == line.nameEnd) {
        return std::string("the line has no name before its \"=\": unixODBC lists no entry of the section after it");
    }
    return std::nullopt;
}

std::string OdbcIniFile::LineEnd() const
{
    const size_t feed = m_bytes.find('\n');
    return feed != std::string::npos && feed > 0 && m_bytes[feed - 1] == '\r' ? "\r\n" : "\n";
}

std::optional<std::string> OdbcIniFile::Apply(
    std::u16string_view section, const IniSectionChanges& changes, Fault& refusal) const
{
    refusal = Fault{};
    if (m_unreadable) {
        refusal = *m_unreadable;
        return std::nullopt;
    }
    const auto refuse = [&](uint64_t line, std::string reason) -> std::optional<std::string> {
        refusal = Fault{line, std::move(reason)};
        return std::nullopt;
    };
    const std::string name = Utf8(section);
    const std::string folded = AsciiFolded(name);
    const bool drop = changes.DropsExisting();
    const std::string lineEnd = LineEnd();
    const size_t header = FindSection(folded);
    const bool found = header != std::string::npos;
    const size_t end = found ? SectionEnd(header) : 0;
    const bool appending = changes.GetFate() == IniSectionChanges::SectionFate::Exists && (!found || drop);

    if (found) {
        for (size_t i = header; i < end; ++i) {
            if (auto why = WhyMisread(i)) {
                return refuse(m_lines[i].number, std::move(*why));
            }
        }
        if (drop) {
            for (size_t i = end; i < m_lines.size(); ++i) {
                if (m_lines[i].kind == Kind::Section && m_lines[i].folded == folded) {
                    return refuse(m_lines[i].number,
                        "the line opens a second section [" + name
                            + "]: unixODBC reads only the first, and would read this one once the first is gone");
                }
            }
        }
    }
    if (appending && !m_lines.empty()) {
        if (auto why = WhyMisread(m_lines.size() - 1)) {
            return refuse(m_lines.back().number, std::move(*why));
        }
    }

    std::unordered_map<std::string, const IniSectionChanges::ValueChange*> byName;
    for (const IniSectionChanges::ValueChange& change : changes.GetValueChanges()) {
        byName.emplace(AsciiFolded(Utf8(change.name)), &change);
    }
    const auto changeOf = [&](const Line& line) -> const IniSectionChanges::ValueChange* {
        const auto it = byName.find(FoldedName(line));
        return it == byName.end() ? nullptr : it->second;
    };

    // Each name's first line in the section, and where new entries go: after
    // its last entry.
    std::unordered_map<std::string, size_t> firstLine;
    size_t insertAfter = header;
    if (found && !drop) {
        for (size_t i = header + 1; i < end; ++i) {
            if (m_lines[i].kind == Kind::Entry) {
                firstLine.try_emplace(FoldedName(m_lines[i]), i);
                insertAfter = i;
            }
        }
    }
    const uint64_t newLineNumber = found && !drop ? m_lines[insertAfter].number + 1
        : m_lines.empty()                         ? 1
                                                  : m_lines.back().number + 1;
    std::string newLines;
    for (const IniSectionChanges::ValueChange& change : changes.GetValueChanges()) {
        if (!change.value || (found && !drop && firstLine.contains(AsciiFolded(Utf8(change.name))))) {
            continue;
        }
        std::string line = Utf8(change.name) + "=" + Utf8(*change.value);
        if (line.size() > LONGEST_LINE) {
            return refuse(newLineNumber,
                "the entry " + Utf8(change.name) + " would be a line of " + std::to_string(line.size())
                    + " bytes, longer than the " + std::to_string(LONGEST_LINE) + " unixODBC reads as one line");
        }
        newLines += line + lineEnd;
    }

    // A section that goes keeps the comments that end it, since they head
    // the section after it.
    size_t keptFrom = end;
    if (found && drop && end < m_lines.size()) {
        size_t run = end;
        while (run > header + 1 && (m_lines[run - 1].kind == Kind::Comment || m_lines[run - 1].kind == Kind::Blank)) {
            --run;
        }
        while (run < end && m_lines[run].kind == Kind::Blank) {
            ++run;
        }
        keptFrom = run;
    }

    // Lines outside the section keep their bytes and their line ends, so
    // they are copied as they are, in two runs.
    std::string out;
    out.reserve(m_bytes.size() + newLines.size() + name.size() + 8);
    const size_t sectionBegin = found ? m_lines[header].begin : m_bytes.size();
    const size_t sectionEnd = found && end < m_lines.size() ? m_lines[end].begin : m_bytes.size();
    out.append(m_bytes, 0, sectionBegin);
    for (size_t i = found ? header : m_lines.size(); i < end; ++i) {
        const Line& line = m_lines[i];
        const std::string_view bytes = std::string_view(m_bytes).substr(line.begin, line.end - line.begin);
        if (drop) {
            if (i >= keptFrom) {
                out += bytes;
            }
            continue;
        }
        const IniSectionChanges::ValueChange* change = line.kind == Kind::Entry ? changeOf(line) : nullptr;
        if (!change) {
            out += bytes;
        } else if (change->value && firstLine.at(FoldedName(line)) == i) {
            const std::string value = Utf8(*change->value);
            if (line.equals != std::string::npos
                && std::string_view(m_bytes).substr(line.valueBegin, line.valueEnd - line.valueBegin) == value) {
                out += bytes;
            } else {
                // A bare name gets its "=" after the name.
                const size_t valueBegin = line.equals == std::string::npos ? line.nameEnd : line.valueBegin;
                const size_t valueEnd = line.equals == std::string::npos ? line.nameEnd : line.valueEnd;
                std::string rewritten = m_bytes.substr(line.begin, valueBegin - line.begin)
                    + (line.equals == std::string::npos ? "=" : "") + value
                    + m_bytes.substr(valueEnd, line.end - valueEnd);
                if (const size_t length = ContentLength(rewritten); length > LONGEST_LINE) {
                    return refuse(line.number,
                        "the line would be " + std::to_string(length) + " bytes long with the new value of "
                            + Utf8(change->name) + ", longer than the " + std::to_string(LONGEST_LINE)
                            + " unixODBC reads as one line");
                }
                out += rewritten;
            }
        }
        // Otherwise deleted, or a later line of a changed name, which goes
        // so that the file says one thing to every reader.
        if (i == insertAfter && !newLines.empty()) {
            if (!out.empty() && out.back() != '\n') {
                out += lineEnd;
            }
            out += newLines;
        }
    }
    out.append(m_bytes, sectionEnd, std::string::npos);
    if (appending) {
        if (!out.empty()) {
            if (out.back() != '\n') {
                out += lineEnd;
            }
            if (!EndsWithBlankLine(out)) {
                out += lineEnd;
            }
        }
        const std::string headerLine = "[" + name + "]";
        if (headerLine.size() > LONGEST_LINE) {
            return refuse(newLineNumber, "the section's name is longer than unixODBC reads");
        }
        out += headerLine + lineEnd + newLines;
    }
    // Lines outside the section keep their bytes and where they start, but
    // what unixODBC makes of a file is not only line by line: a first
    // section removed can leave a first line it does not take for a header,
    // and then it reads nothing at all; a new line or header must read as
    // the entry or the section it is written for.
    const uint64_t where = found ? m_lines[header].number : newLineNumber;
    const bool firstSection = found
        && std::none_of(m_lines.begin(), m_lines.begin() + static_cast<ptrdiff_t>(header),
            [](const Line& line) { return line.kind == Kind::Section; });
    const bool headerLost = firstSection && drop && end < m_lines.size() && m_bytes[m_lines[end].begin] != '[';
    const bool headerMisread = appending && HeaderFolded("[" + name + "]") != folded;
    if (headerLost || headerMisread || !ReadsAsEntries(newLines)) {
        return refuse(where,
            "after this change unixODBC would read the rest of the file otherwise (its first section or its "
            "sections' headers); nothing is written");
    }
    return out;
}

} // namespace Dravo::OS

#include "ui/headless/Script.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <optional>
#include <utility>

#include "platform/InputFile.h"
#include "ui/headless/ScriptError.h"

namespace Dravo::UI {
namespace {

/// Control and template ids are 16-bit in dialog templates.
constexpr int32_t MAX_ID = 65535;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

/// Where the first malformed UTF-8 sequence starts, or nothing when the text
/// is well-formed (no overlong forms, surrogates or values past U+10FFFF).
std::optional<size_t> FindInvalidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t minimum = 0;
        uint32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            minimum = 0x80;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            minimum = 0x800;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            minimum = 0x10000;
            value = lead & 0x07;
        } else {
            return i;
        }
        if (text.size() - i < length) {
            return i;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return i;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return i;
        }
        i += length;
    }
    return std::nullopt;
}

/// Reads the line word by word; what is left after the last word is the
/// free text.
class LineReader {
public:
    explicit LineReader(std::string_view line) : m_rest(line) {}

    /// The next word after any blanks; empty at the end of the line.
    std::string_view Word()
    {
        size_t start = 0;
        while (start < m_rest.size() && IsBlank(m_rest[start])) {
            ++start;
        }
        size_t end = start;
        while (end < m_rest.size() && !IsBlank(m_rest[end])) {
            ++end;
        }
        const std::string_view word = m_rest.substr(start, end - start);
        m_rest.remove_prefix(end);
        return word;
    }

    /// Everything after the one blank that separates it from the last word.
    std::string_view FreeText()
    {
        std::string_view text = m_rest;
        if (!text.empty()) {
            text.remove_prefix(1);
        }
        m_rest = {};
        return text;
    }

    /// True when only blanks are left.
    [[nodiscard]] bool AtEnd() const
    {
        for (const char c : m_rest) {
            if (!IsBlank(c)) {
                return false;
            }
        }
        return true;
    }

private:
    std::string_view m_rest;
};

class Parser {
public:
    explicit Parser(const std::string& sourceName) : m_sourceName(sourceName) {}

    ScriptCommand ParseLine(int32_t lineNumber, std::string_view line)
    {
        m_line = lineNumber;
        ScriptCommand command;
        command.line = lineNumber;
        command.source = std::string(line);
        LineReader reader(line);
        const std::string_view verb = reader.Word();
        if (verb == "type" || verb == "select") {
            command.verb = verb == "type" ? ScriptVerb::Type : ScriptVerb::Select;
            command.id = ParseId(reader.Word(), "a control id");
            command.text = std::string(reader.FreeText());
        } else if (verb == "click" || verb == "dblclick") {
            command.verb = verb == "click" ? ScriptVerb::Click : ScriptVerb::DoubleClick;
            command.id = ParseId(reader.Word(), "a control id");
            ExpectEnd(reader);
        } else if (verb == "answer") {
            command.verb = ScriptVerb::Answer;
            const std::string_view name = reader.Word();
            const auto answer = ButtonFromName(name);
            if (!answer) {
                Fail("\"" + std::string(name) + "\" is not a button (OK Cancel Yes No Retry Abort Ignore)");
            }
            command.answer = *answer;
            ExpectEnd(reader);
        } else if (verb == "choose") {
            command.verb = ScriptVerb::Choose;
            command.text = std::string(reader.FreeText());
            command.cancel = command.text == "-";
            if (command.text.empty()) {
                Fail("choose needs a path, or - to cancel");
            }
        } else if (verb == "expect") {
            command.verb = ScriptVerb::Expect;
            ParseExpect(reader, command);
        } else {
            Fail("unknown command \"" + std::string(verb) + "\"");
        }
        return command;
    }

    [[noreturn]] void Fail(const std::string& message) const { throw ScriptError(m_sourceName, m_line, message); }

private:
    void ParseExpect(LineReader& reader, ScriptCommand& command)
    {
        const std::string_view subject = reader.Word();
        if (subject == "dialog") {
            command.expect = ExpectKind::Dialog;
            command.id = ParseId(reader.Word(), "a dialog template id");
            ExpectEnd(reader);
            return;
        }
        if (subject == "title" || subject == "hint") {
            command.expect = subject == "title" ? ExpectKind::Title : ExpectKind::Hint;
            command.text = std::string(reader.FreeText());
            return;
        }
        command.id = ParseId(subject, "a control id, dialog or title");
        const std::string_view what = reader.Word();
        static constexpr std::pair<std::string_view, ExpectKind> STATES[] = {
            {"enabled", ExpectKind::Enabled},
            {"disabled", ExpectKind::Disabled},
            {"visible", ExpectKind::Visible},
            {"hidden", ExpectKind::Hidden},
            {"checked", ExpectKind::Checked},
            {"unchecked", ExpectKind::Unchecked},
        };
        for (const auto& [name, kind] : STATES) {
            if (what == name) {
                command.expect = kind;
                ExpectEnd(reader);
                return;
            }
        }
        if (what == "text" || what == "contains" || what == "selected") {
            command.expect = what == "text" ? ExpectKind::Text
                : what == "contains"        ? ExpectKind::Contains
                                            : ExpectKind::Selected;
            command.text = std::string(reader.FreeText());
            return;
        }
        if (what == "items") {
            command.expect = ExpectKind::Items;
            const std::string_view list = reader.FreeText();
            size_t start = 0;
            while (!list.empty()) {
                const size_t bar = list.find('|', start);
                command.items.emplace_back(list.substr(start, bar == std::string_view::npos ? bar : bar - start));
                if (bar == std::string_view::npos) {
                    break;
                }
                start = bar + 1;
            }
            return;
        }
        Fail("expect " + std::string(subject)
            + " needs text, contains, enabled, disabled, visible, hidden, "
              "checked, unchecked, selected or items");
    }

    int32_t ParseId(std::string_view word, const char* what) const
    {
        int32_t value = -1;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < 0 || value > MAX_ID) {
            Fail("expected " + std::string(what) + " (0 to 65535), found \"" + std::string(word) + "\"");
        }
        return value;
    }

    void ExpectEnd(const LineReader& reader) const
    {
        if (!reader.AtEnd()) {
            Fail("unexpected text at the end of the line");
        }
    }

    const std::string& m_sourceName;
    int32_t m_line = 0;
};

} // namespace

Script ParseScript(std::string_view text, const std::string& sourceName)
{
    Script script;
    Parser parser(sourceName);
    int32_t lineNumber = 0;
    while (!text.empty() || lineNumber == 0) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (const auto bad = FindInvalidUtf8(line)) {
            throw ScriptError(
                sourceName, lineNumber, "the line is not valid UTF-8 (at byte " + std::to_string(*bad + 1) + ")");
        }
        if (line.find('\0') != std::string_view::npos) {
            throw ScriptError(sourceName, lineNumber, "the line holds a NUL character");
        }
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) {
            ++first;
        }
        if (first == line.size() || line[first] == '#') {
            continue;
        }
        script.commands.push_back(parser.ParseLine(lineNumber, line.substr(first)));
    }
    script.lineCount = lineNumber;
    return script;
}

} // namespace Dravo::UI

namespace Dravo::UI {

Script LoadScriptFile(const std::string& path, std::istream& standardInput)
{
    // A directory, a FIFO or a device is no script, and none is read
    // without end.
    std::string text;
    std::string why;
    if (path == "-") {
        if (!OS::ReadInputStream(standardInput, "standard input", OS::InputLimits{}, text, why)) {
            throw ScriptError("-", "cannot read the script from " + why);
        }
        return ParseScript(text, "-");
    }
    if (!OS::ReadInputFile(path, OS::InputLimits{}, text, why)) {
        // The error names the file already.
        if (why.rfind(path + ": ", 0) == 0) {
            why.erase(0, path.size() + 2);
        }
        constexpr std::string_view NOT_OPENED = "cannot open: ";
        if (why.rfind(NOT_OPENED, 0) == 0) {
            throw ScriptError(path, "cannot open the script: " + why.substr(NOT_OPENED.size()));
        }
        throw ScriptError(path, "cannot read the script: " + why);
    }
    return ParseScript(text, path);
}

} // namespace Dravo::UI

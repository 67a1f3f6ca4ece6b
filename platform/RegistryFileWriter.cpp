#include "platform/RegistryFileWriter.h"

#include <cstdio>

#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

// Lines of hex bytes stay within 80 columns, like the Windows exporter's.
constexpr size_t HEX_LINE_WIDTH = 80;

void AppendEscaped(std::u16string_view text, std::string& out)
{
    std::u16string escaped;
    escaped.reserve(text.size() + 2);
    for (const char16_t unit : text) {
        if (unit == u'\\' || unit == u'"') {
            escaped.push_back(u'\\');
        }
        escaped.push_back(unit);
    }
    // Names and key paths were checked when they were stored; string data is
    // only written as text when it converts.
    static_cast<void>(AppendUtf8FromUtf16(escaped, out));
}

/// REG_SZ data that a quoted string reproduces exactly: whole UTF-16 units,
/// one terminating NUL and no other, no line break, no lone surrogate.
bool IsPlainString(const std::vector<uint8_t>& data, std::u16string& text)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0) {
        return false;
    }
    text.clear();
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0 || unit == u'\r' || unit == u'\n') {
            return false;
        }
        text.push_back(unit);
    }
    return IsWellFormedUtf16(text);
}

} // namespace

void RegistryFileWriter::WriteHeader()
{
    m_out += HEADER;
    m_out += "\r\n\r\n";
}

void RegistryFileWriter::WriteKey(RegistryHive hive, std::u16string_view path, bool deletion)
{
    m_out += deletion ? "[-" : "[";
    static_cast<void>(AppendUtf8FromUtf16(GetHiveName(hive), m_out));
    if (!path.empty()) {
        m_out += '\\';
        static_cast<void>(AppendUtf8FromUtf16(path, m_out));
    }
    m_out += "]\r\n";
}

void RegistryFileWriter::WriteName(std::u16string_view name)
{
    if (name.empty()) {
        m_out += '@';
        return;
    }
    m_out += '"';
    AppendEscaped(name, m_out);
    m_out += '"';
}

void RegistryFileWriter::WriteValueDeletion(std::u16string_view name)
{
    WriteName(name);
    m_out += "=-\r\n";
}

void RegistryFileWriter::WriteValue(const RegistryValue& value)
{
    const size_t lineStart = m_out.size();
    WriteName(value.name);
    m_out += '=';
    if (value.type == REG_SZ_TYPE) {
        std::u16string text;
        if (IsPlainString(value.data, text)) {
            m_out += '"';
            AppendEscaped(text, m_out);
            m_out += "\"\r\n";
            return;
        }
    }
    if (value.type == REG_DWORD_TYPE && value.data.size() == 4) {
        const uint32_t number = static_cast<uint32_t>(value.data[0]) | (static_cast<uint32_t>(value.data[1]) << 8)
            | (static_cast<uint32_t>(value.data[2]) << 16) | (static_cast<uint32_t>(value.data[3]) << 24);
        char digits[24];
        std::snprintf(digits, sizeof digits, "dword:%08x\r\n", number);
        m_out += digits;
        return;
    }
    std::string prefix;
    if (value.type == REG_BINARY_TYPE) {
        prefix = "hex:";
    } else {
        char type[24];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
        prefix = type;
    }
    // The hex lines wrap by the whole line's width, name included.
    const std::string start = m_out.substr(lineStart) + prefix;
    m_out.resize(lineStart);
    WriteHexData(start, value.data);
}

void RegistryFileWriter::WriteHexData(const std::string& prefix, const std::vector<uint8_t>& data)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    size_t column = prefix.size();
    m_out += prefix;
    for (size_t i = 0; i < data.size(); ++i) {
        const bool last = i + 1 == data.size();
        // "xx," plus the continuation backslash must fit on the line.
        if (column + 3 + (last ? 0 : 1) > HEX_LINE_WIDTH - 1) {
            m_out += "\\\r\n  ";
            column = 2;
        }
        m_out += DIGITS[data[i] >> 4];
        m_out += DIGITS[data[i] & 0x0F];
        column += 2;
        if (!last) {
            m_out += ',';
            ++column;
        }
    }
    m_out += "\r\n";
}

void RegistryFileWriter::WriteChanges(const std::vector<RegistryChange>& changes)
{
    const RegistryChange* section = nullptr;
    const auto sameSection = [&section](const RegistryChange& change) {
        return section && section->hive == change.hive
            && FoldRegistryName(section->keyPath) == FoldRegistryName(change.keyPath);
    };
    // Sections after the first are set apart by a blank line, as in an export.
    const size_t start = m_out.size();
    const auto separate = [this, start] {
        if (m_out.size() > start) {
            WriteBlankLine();
        }
    };
    for (const RegistryChange& change : changes) {
        switch (change.kind) {
        case RegistryChange::Kind::CreateKey:
            if (!sameSection(change)) {
                separate();
                WriteKey(change.hive, change.keyPath);
                section = &change;
            }
            break;
        case RegistryChange::Kind::DeleteTree:
            separate();
            WriteKey(change.hive, change.keyPath, true);
            section = nullptr;
            break;
        case RegistryChange::Kind::SetValue:
        case RegistryChange::Kind::DeleteValue:
            if (!sameSection(change)) {
                separate();
                WriteKey(change.hive, change.keyPath);
                section = &change;
            }
            if (change.kind == RegistryChange::Kind::SetValue) {
                WriteValue(change.value);
            } else {
                WriteValueDeletion(change.value.name);
            }
            break;
        }
    }
}

void RegistryFileWriter::WriteTree(const RegistryImageKey& key, RegistryHive hive, const std::u16string& path)
{
    if (!path.empty() || key.GetValueCount() > 0) {
        WriteKey(hive, path);
        for (size_t i = 0; i < key.GetValueCount(); ++i) {
            WriteValue(key.GetValue(i));
        }
        WriteBlankLine();
    }
    for (size_t i = 0; i < key.GetSubKeyCount(); ++i) {
        const RegistryImageKey& subKey = key.GetSubKey(i);
        WriteTree(subKey, hive, path.empty() ? subKey.GetName() : path + u'\\' + subKey.GetName());
    }
}

} // namespace Dravo::OS

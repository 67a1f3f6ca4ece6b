#include "tools/dravo-reg/RegTool.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>

#include "platform/File.h"
#include "platform/InputFile.h"
#include "platform/Registry.h"
#include "platform/RegistryFileParser.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"

namespace Dravo::Tools {
namespace {

using OS::RegistryHive;
using OS::RegistryKey;

constexpr const char* NOT_FOUND = "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* COMPLETED = "The operation completed successfully.";
constexpr const char* CANCELLED = "The operation was canceled by the user.";

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string Utf8(std::u16string_view text)
{
    std::string out;
    if (!OS::AppendUtf8FromUtf16(text, out)) {
        out.clear();
        for (const char16_t unit : text) {
            out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
    }
    return out;
}

std::optional<std::u16string> Utf16(std::string_view text)
{
    std::u16string out;
    if (!OS::AppendUtf16FromUtf8(text, out)) {
        return std::nullopt;
    }
    return out;
}

struct KeyName {
    RegistryHive hive = RegistryHive::LocalMachine;
    std::u16string path;
    /// Root name in full, then the path as typed.
    std::string display;
};

std::optional<KeyName> ParseKeyName(const std::string& text)
{
    const size_t separator = text.find('\\');
    const std::string root = Upper(text.substr(0, separator));
    KeyName name;
    if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") {
        name.hive = RegistryHive::LocalMachine;
    } else if (root == "HKCU" || root == "HKEY_CURRENT_USER") {
        name.hive = RegistryHive::CurrentUser;
    } else {
        return std::nullopt;
    }
    std::string rest = separator == std::string::npos ? std::string() : text.substr(separator + 1);
    while (!rest.empty() && rest.back() == '\\') {
        rest.pop_back();
    }
    const auto path = Utf16(rest);
    if (!path) {
        return std::nullopt;
    }
    name.path = *path;
    name.display = Utf8(OS::GetHiveName(name.hive)) + (rest.empty() ? "" : "\\" + rest);
    return name;
}

/// The options after the positional arguments: "/name" or "-name", any case,
/// with the value that follows for those that take one.
struct Options {
    std::map<std::string, std::optional<std::string>> values;
    bool valid = true;

    [[nodiscard]] bool Has(const std::string& name) const { return values.count(name) > 0; }
    [[nodiscard]] std::string Get(const std::string& name) const
    {
        const auto it = values.find(name);
        return it != values.end() && it->second ? *it->second : std::string();
    }
};

Options ParseOptions(const std::vector<std::string>& arguments, size_t first, const std::map<std::string, bool>& known)
{
    Options options;
    for (size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
            options.valid = false;
            return options;
        }
        const std::string name = Upper(argument.substr(1));
        const auto it = known.find(name);
        if (it == known.end() || options.Has(name)) {
            options.valid = false;
            return options;
        }
        std::optional<std::string> value;
        if (it->second) {
            if (i + 1 >= arguments.size()) {
                options.valid = false;
                return options;
            }
            value = arguments[++i];
        }
        options.values.emplace(name, value);
    }
    return options;
}

bool IsHelp(const std::string& argument)
{
    return argument == "/?" || argument == "-?" || argument == "-h" || argument == "--help";
}

std::string TypeName(OS::RegistryValueType type)
{
    switch (type) {
    case OS::REG_NONE_TYPE:
        return "REG_NONE";
    case OS::REG_SZ_TYPE:
        return "REG_SZ";
    case OS::REG_EXPAND_SZ_TYPE:
        return "REG_EXPAND_SZ";
    case OS::REG_BINARY_TYPE:
        return "REG_BINARY";
    case OS::REG_DWORD_TYPE:
        return "REG_DWORD";
    case OS::REG_DWORD_BIG_ENDIAN_TYPE:
        return "REG_DWORD_BIG_ENDIAN";
    case OS::REG_LINK_TYPE:
        return "REG_LINK";
    case OS::REG_MULTI_SZ_TYPE:
        return "REG_MULTI_SZ";
    case 8:
        return "REG_RESOURCE_LIST";
    case 9:
        return "REG_FULL_RESOURCE_DESCRIPTOR";
    case 10:
        return "REG_RESOURCE_REQUIREMENTS_LIST";
    case OS::REG_QWORD_TYPE:
        return "REG_QWORD";
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(type));
        return text;
    }
    }
}

std::optional<OS::RegistryValueType> ParseTypeName(const std::string& text)
{
    static const std::map<std::string, OS::RegistryValueType> TYPES = {
        {"REG_SZ", OS::REG_SZ_TYPE},
        {"REG_MULTI_SZ", OS::REG_MULTI_SZ_TYPE},
        {"REG_EXPAND_SZ", OS::REG_EXPAND_SZ_TYPE},
        {"REG_DWORD", OS::REG_DWORD_TYPE},
        {"REG_QWORD", OS::REG_QWORD_TYPE},
        {"REG_BINARY", OS::REG_BINARY_TYPE},
        {"REG_NONE", OS::REG_NONE_TYPE},
    };
    const auto it = TYPES.find(Upper(text));
    return it == TYPES.end() ? std::nullopt : std::optional(it->second);
}

std::string HexBytes(const std::vector<uint8_t>& data)
{
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t byte : data) {
        text += DIGITS[byte >> 4];
        text += DIGITS[byte & 0x0F];
    }
    return text;
}

uint64_t LittleEndian(const std::vector<uint8_t>& data, size_t size)
{
    uint64_t number = 0;
    for (size_t i = std::min(size, data.size()); i-- > 0;) {
        number = (number << 8) | data[i];
    }
    return number;
}

/// The data as reg shows it.
std::string DataText(const OS::RegistryValue& value)
{
    char number[32];
    switch (value.type) {
    case OS::REG_SZ_TYPE:
    case OS::REG_EXPAND_SZ_TYPE:
        return Utf8(OS::GetRegistryStringText(value.data));
    case OS::REG_DWORD_TYPE:
        if (value.data.size() != 4) {
            return HexBytes(value.data);
        }
        std::snprintf(number, sizeof number, "0x%llx", static_cast<unsigned long long>(LittleEndian(value.data, 4)));
        return number;
    case OS::REG_QWORD_TYPE:
        if (value.data.size() != 8) {
            return HexBytes(value.data);
        }
        std::snprintf(number, sizeof number, "0x%llx", static_cast<unsigned long long>(LittleEndian(value.data, 8)));
        return number;
    case OS::REG_MULTI_SZ_TYPE: {
        std::string text;
        std::u16string current;
        bool first = true;
        for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
            const auto unit = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
            if (unit != 0) {
                current.push_back(unit);
                continue;
            }
            if (current.empty()) {
                break;
            }
            text += (first ? "" : "\\0") + Utf8(current);
            first = false;
            current.clear();
        }
        if (!current.empty()) {
            text += (first ? "" : "\\0") + Utf8(current);
        }
        return text;
    }
    default:
        return HexBytes(value.data);
    }
}

void PrintValue(std::ostream& out, const OS::RegistryValue& value)
{
    out << "    " << (value.name.empty() ? std::string("(Default)") : Utf8(value.name)) << "    "
        << TypeName(value.type) << "    " << DataText(value) << '\n';
}

std::optional<std::vector<uint8_t>> ParseHexData(const std::string& text)
{
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> data;
    for (size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        char* end = nullptr;
        const unsigned long byte = std::strtoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2 || !std::isxdigit(static_cast<unsigned char>(pair[0]))) {
            return std::nullopt;
        }
        data.push_back(static_cast<uint8_t>(byte));
    }
    return data;
}

/// A decimal or 0x-prefixed hexadecimal number up to the limit.
std::optional<uint64_t> ParseNumber(const std::string& text, uint64_t limit)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits[0] == '-' || digits[0] == '+') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || number > limit) {
        return std::nullopt;
    }
    return number;
}

} // namespace

int RegTool::Run(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || IsHelp(arguments[0])) {
        return Usage("");
    }
    const std::string operation = Upper(arguments[0]);
    if (arguments.size() > 1 && IsHelp(arguments[1])) {
        return Usage(operation);
    }
    if (operation == "QUERY") {
        return Query(arguments);
    }
    if (operation == "ADD") {
        return Add(arguments);
    }
    if (operation == "DELETE") {
        return Delete(arguments);
    }
    if (operation == "EXPORT") {
        return Export(arguments);
    }
    if (operation == "IMPORT") {
        return Import(arguments);
    }
    m_err << "ERROR: Invalid syntax.\nType \"dravo-reg /?\" for usage.\n";
    return FAILURE;
}

int RegTool::Usage(const std::string& operation)
{
    if (operation == "QUERY") {
        m_out << "DRAVO-REG QUERY KeyName [/v ValueName | /ve] [/s]\n\n"
                 "  KeyName   HKLM|HKCU[\\SubKey] (or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER)\n"
                 "  /v        the value of this name\n"
                 "  /ve       the default value (no name)\n"
                 "  /s        every subkey and value below the key\n";
    } else if (operation == "ADD") {
        m_out << "DRAVO-REG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] [/d Data] [/f]\n\n"
                 "  /t        REG_SZ (default), REG_MULTI_SZ, REG_EXPAND_SZ, REG_DWORD, REG_QWORD,\n"
                 "            REG_BINARY, REG_NONE\n"
                 "  /s        separator of REG_MULTI_SZ strings in Data (default \"\\0\")\n"
                 "  /d        the data: text; a decimal or 0x number; hexadecimal bytes for REG_BINARY\n"
                 "  /f        overwrite an existing value without asking\n";
    } else if (operation == "DELETE") {
        m_out << "DRAVO-REG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n\n"
                 "  (none)    the key with all its subkeys and values\n"
                 "  /v        the value of this name;  /ve  the default value;  /va  every value of the key\n"
                 "  /f        delete without asking\n";
    } else if (operation == "EXPORT") {
        m_out << "DRAVO-REG EXPORT KeyName FileName [/y]\n\n"
                 "  Writes the key and everything below it as a registry file\n"
                 "  (\"Windows Registry Editor Version 5.00\", UTF-8).  /y overwrites FileName without asking.\n";
    } else if (operation == "IMPORT") {
        m_out << "DRAVO-REG IMPORT FileName\n\n"
                 "  Applies a registry file (UTF-8, or UTF-16LE as Windows exports it). The changes to\n"
                 "  each hive are applied all together, or not at all.\n";
    } else {
        m_out << "DRAVO-REG [--registry-root DIR] Operation [Parameter List]\n\n"
                 "  Operation  QUERY | ADD | DELETE | EXPORT | IMPORT\n\n"
                 "Return code: 0 - Successful, 1 - Failed\n\n"
                 "For help on an operation type: DRAVO-REG Operation /?\n";
    }
    return SUCCESS;
}

int RegTool::InvalidSyntax(const std::string& operation)
{
    m_err << "ERROR: Invalid syntax.\nType \"dravo-reg " << operation << " /?\" for usage.\n";
    return FAILURE;
}

int RegTool::Error(const std::string& text)
{
    m_err << "ERROR: " << text << '\n';
    return FAILURE;
}

int RegTool::SystemFailure(uint32_t code)
{
    if (code == OS::ERROR_FILE_NOT_FOUND_CODE || code == OS::ERROR_KEY_DELETED_CODE) {
        m_err << NOT_FOUND << '\n';
    } else {
        std::string text = Utf8(OS::GetSystemErrorMessage(code));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        m_err << "ERROR: " << (text.empty() ? "Error " + std::to_string(code) + "." : text) << '\n';
    }
    if (const std::string detail = OS::GetRegistryDiagnostic(); !detail.empty()) {
        m_err << detail << '\n';
    }
    return FAILURE;
}

bool RegTool::Confirm(const std::string& question)
{
    m_out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
        m_out << '\n';
        return false;
    }
    answer = Upper(answer);
    return answer == "Y" || answer == "YES";
}

namespace {

/// Prints one key's values (all, or one), then its subkeys: their names, or
/// with recursion, each of them whole.
int PrintKey(std::ostream& out, const RegistryKey& key, const std::string& display, bool recurse)
{
    const auto info = key.QueryInfo();
    if (!info) {
        return static_cast<int>(info.GetError());
    }
    out << '\n' << display << '\n';
    for (uint32_t i = 0; i < info->valueCount; ++i) {
        const auto value = key.EnumValue(i);
        if (value) {
            PrintValue(out, *value);
        }
    }
    if (!recurse) {
        if (info->subKeyCount > 0) {
            out << '\n';
        }
        for (uint32_t i = 0; i < info->subKeyCount; ++i) {
            if (const auto name = key.EnumSubKey(i)) {
                out << display << '\\' << Utf8(*name) << '\n';
            }
        }
        return 0;
    }
    for (uint32_t i = 0; i < info->subKeyCount; ++i) {
        const auto name = key.EnumSubKey(i);
        if (!name) {
            continue;
        }
        const std::u16string path = key.GetPath().empty() ? *name : key.GetPath() + u'\\' + *name;
        const auto subKey = RegistryKey::Open(key.GetHive(), path);
        if (subKey) {
            PrintKey(out, *subKey, display + '\\' + Utf8(*name), true);
        }
    }
    return 0;
}

} // namespace

int RegTool::Query(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        return InvalidSyntax("QUERY");
    }
    const std::optional<KeyName> name = ParseKeyName(arguments[1]);
    if (!name) {
        m_err << "ERROR: Invalid key name.\nType \"dravo-reg QUERY /?\" for usage.\n";
        return FAILURE;
    }
    const Options options = ParseOptions(arguments, 2, {{"V", true}, {"VE", false}, {"S", false}});
    if (!options.valid || (options.Has("V") && options.Has("VE"))) {
        return InvalidSyntax("QUERY");
    }
    const auto key = RegistryKey::Open(name->hive, name->path);
    if (!key) {
        return SystemFailure(key.GetError());
    }
    if (options.Has("V") || options.Has("VE")) {
        const auto valueName = Utf16(options.Get("V"));
        const auto value = key->QueryValue(valueName ? *valueName : u"");
        if (!value && !(options.Has("VE") && value.GetError() == OS::ERROR_FILE_NOT_FOUND_CODE)) {
            return SystemFailure(value.GetError());
        }
        m_out << '\n' << name->display << '\n';
        if (value) {
            PrintValue(m_out, *value);
        } else {
            m_out << "    (Default)    REG_SZ    (value not set)\n";
        }
        m_out << '\n';
        return SUCCESS;
    }
    if (const int failed = PrintKey(m_out, *key, name->display, options.Has("S")); failed != 0) {
        return SystemFailure(static_cast<uint32_t>(failed));
    }
    m_out << '\n';
    return SUCCESS;
}

int RegTool::Add(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        return InvalidSyntax("ADD");
    }
    const std::optional<KeyName> name = ParseKeyName(arguments[1]);
    if (!name) {
        m_err << "ERROR: Invalid key name.\nType \"dravo-reg ADD /?\" for usage.\n";
        return FAILURE;
    }
    const Options options =
        ParseOptions(arguments, 2, {{"V", true}, {"VE", false}, {"T", true}, {"S", true}, {"D", true}, {"F", false}});
    if (!options.valid || (options.Has("V") && options.Has("VE"))) {
        return InvalidSyntax("ADD");
    }
    const std::optional<OS::RegistryValueType> type =
        options.Has("T") ? ParseTypeName(options.Get("T")) : std::optional(OS::REG_SZ_TYPE);
    if (!type) {
        return Error("Invalid type \"" + options.Get("T")
            + "\"; the types are REG_SZ, REG_MULTI_SZ, "
              "REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_BINARY and REG_NONE.");
    }
    if (options.Has("S") && (*type != OS::REG_MULTI_SZ_TYPE || options.Get("S").size() != 1)) {
        return InvalidSyntax("ADD");
    }
    const auto valueName = Utf16(options.Get("V"));
    const auto text = Utf16(options.Get("D"));
    if (!valueName || !text) {
        return Error("The value name and data must be UTF-8 text.");
    }
    std::vector<uint8_t> data;
    switch (*type) {
    case OS::REG_SZ_TYPE:
    case OS::REG_EXPAND_SZ_TYPE:
        data = OS::MakeRegistryStringData(*text);
        break;
    case OS::REG_DWORD_TYPE:
    case OS::REG_QWORD_TYPE: {
        const bool dword = *type == OS::REG_DWORD_TYPE;
        const std::string digits = options.Has("D") ? options.Get("D") : "0";
        const auto number = ParseNumber(digits, dword ? 0xFFFFFFFFULL : 0xFFFFFFFFFFFFFFFFULL);
        if (!number) {
            return Error(std::string("Invalid data \"") + digits + "\" for " + TypeName(*type)
                + ": give a decimal number or a 0x hexadecimal one.");
        }
        data = dword ? OS::MakeRegistryDwordData(static_cast<uint32_t>(*number)) : OS::MakeRegistryQwordData(*number);
        break;
    }
    case OS::REG_MULTI_SZ_TYPE: {
        const std::u16string separator = options.Has("S") ? *Utf16(options.Get("S")) : std::u16string(u"\\0");
        std::vector<std::u16string> parts;
        if (!text->empty()) {
            size_t start = 0;
            for (;;) {
                const size_t end = text->find(separator, start);
                parts.push_back(text->substr(start, end == std::u16string::npos ? end : end - start));
                if (end == std::u16string::npos) {
                    break;
                }
                start = end + separator.size();
            }
        }
        for (const std::u16string& part : parts) {
            if (part.empty()) {
                return Error("A REG_MULTI_SZ value cannot hold an empty string.");
            }
        }
        data = OS::MakeRegistryMultiStringData(parts);
        break;
    }
    default: {
        const auto bytes = ParseHexData(options.Get("D"));
        if (!bytes) {
            return Error("Invalid data for " + TypeName(*type) + ": give hexadecimal bytes, two digits each.");
        }
        data = *bytes;
        break;
    }
    }

    auto key = RegistryKey::Create(name->hive, name->path);
    if (!key) {
        return SystemFailure(key.GetError());
    }
    if (options.Has("V") || options.Has("VE")) {
        if (!options.Has("F") && key->QueryValue(*valueName)) {
            const std::string shown = options.Has("VE") ? "(Default)" : options.Get("V");
            if (!Confirm("Value " + shown + " exists, overwrite")) {
                m_out << CANCELLED << '\n';
                return FAILURE;
            }
        }
        if (const uint32_t set = key->SetValue(*valueName, *type, data); set != OS::ERROR_SUCCESS_CODE) {
            return SystemFailure(set);
        }
    }
    if (const uint32_t flushed = key->Flush(); flushed != OS::ERROR_SUCCESS_CODE) {
        return SystemFailure(flushed);
    }
    m_out << COMPLETED << '\n';
    return SUCCESS;
}

int RegTool::Delete(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        return InvalidSyntax("DELETE");
    }
    const std::optional<KeyName> name = ParseKeyName(arguments[1]);
    if (!name) {
        m_err << "ERROR: Invalid key name.\nType \"dravo-reg DELETE /?\" for usage.\n";
        return FAILURE;
    }
    const Options options = ParseOptions(arguments, 2, {{"V", true}, {"VE", false}, {"VA", false}, {"F", false}});
    if (!options.valid || (options.Has("V") + options.Has("VE") + options.Has("VA")) > 1) {
        return InvalidSyntax("DELETE");
    }
    auto key = RegistryKey::Open(name->hive, name->path, OS::RegistryAccess::Full);
    if (!key) {
        return SystemFailure(key.GetError());
    }
    const auto valueName = Utf16(options.Get("V"));
    if (options.Has("V") || options.Has("VE")) {
        if (!key->QueryValue(valueName ? *valueName : u"")) {
            m_err << NOT_FOUND << '\n';
            return FAILURE;
        }
    }
    if (!options.Has("F")) {
        const std::string question = options.Has("V") ? "Delete the registry value " + options.Get("V")
            : options.Has("VE")                       ? std::string("Delete the registry value (Default)")
            : options.Has("VA")                       ? "Delete all values under the registry key " + name->display
                                                      : "Permanently delete the registry key " + name->display;
        if (!Confirm(question)) {
            m_out << CANCELLED << '\n';
            return FAILURE;
        }
    }
    uint32_t result = OS::ERROR_SUCCESS_CODE;
    if (options.Has("V") || options.Has("VE")) {
        result = key->DeleteValue(valueName ? *valueName : u"");
    } else if (options.Has("VA")) {
        // One change for all the values, so that none or all go.
        std::vector<OS::RegistryChange> changes;
        for (uint32_t i = 0;; ++i) {
            const auto value = key->EnumValue(i);
            if (!value) {
                break;
            }
            OS::RegistryChange change;
            change.kind = OS::RegistryChange::Kind::DeleteValue;
            change.hive = name->hive;
            change.keyPath = key->GetPath();
            change.value.name = value->name;
            changes.push_back(std::move(change));
        }
        result = changes.empty() ? OS::ERROR_SUCCESS_CODE : OS::ApplyRegistryChanges(changes);
    } else {
        result = OS::DeleteRegistryTree(name->hive, name->path);
        if (result == OS::ERROR_SUCCESS_CODE) {
            // The key is gone; flush through its parent hive.
            if (auto root = RegistryKey::Open(name->hive, u"")) {
                result = root->Flush();
            }
        }
        if (result != OS::ERROR_SUCCESS_CODE) {
            return SystemFailure(result);
        }
        m_out << COMPLETED << '\n';
        return SUCCESS;
    }
    if (result == OS::ERROR_SUCCESS_CODE) {
        result = key->Flush();
    }
    if (result != OS::ERROR_SUCCESS_CODE) {
        return SystemFailure(result);
    }
    m_out << COMPLETED << '\n';
    return SUCCESS;
}

int RegTool::Export(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 3) {
        return InvalidSyntax("EXPORT");
    }
    const std::optional<KeyName> name = ParseKeyName(arguments[1]);
    if (!name) {
        m_err << "ERROR: Invalid key name.\nType \"dravo-reg EXPORT /?\" for usage.\n";
        return FAILURE;
    }
    const std::string& fileName = arguments[2];
    const Options options = ParseOptions(arguments, 3, {{"Y", false}});
    if (!options.valid) {
        return InvalidSyntax("EXPORT");
    }
    const auto text = OS::ExportRegistryTree(name->hive, name->path);
    if (!text) {
        return SystemFailure(text.GetError());
    }
    const std::u16string file = Utf16(fileName).value_or(std::u16string());
    if (!options.Has("Y") && OS::PathExists(file)) {
        if (!Confirm("File " + fileName + " already exists. Overwrite")) {
            m_out << CANCELLED << '\n';
            return FAILURE;
        }
    }
    // No wider than the file the key is kept in: an export of a file only
    // some may read must not be readable by all.
    const uint32_t mode =
        OS::GetFilePermissions(OS::GetRegistryKeyFilePath(name->hive, name->path)).value_or(0600) & 0666;
    OS::ThreadDiagnostic::Clear();
    if (const OS::ErrorCode written = OS::ReplaceWholeFile(file, *text, mode); written != OS::ERROR_SUCCESS_CODE) {
        const std::string why = OS::ThreadDiagnostic::Get();
        return Error("Cannot write the file " + fileName + (why.empty() ? "" : " (" + why + ")") + ".");
    }
    m_out << COMPLETED << '\n';
    return SUCCESS;
}

int RegTool::Import(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2) {
        return InvalidSyntax("IMPORT");
    }
    const std::string& fileName = arguments[1];
    // UTF-16 exports hold NUL bytes.
    std::string bytes;
    std::string why;
    if (!OS::ReadInputFile(fileName, OS::InputLimits{OS::MAX_INPUT_FILE_BYTES, false}, bytes, why)) {
        return Error("Error reading the file " + why + ". Nothing was imported.");
    }
    OS::RegistryFileParser parser;
    if (!parser.Parse(bytes)) {
        return Error(fileName + ", line " + std::to_string(parser.GetError().line) + ": " + parser.GetError().message
            + ". Nothing was imported.");
    }
    const std::vector<OS::RegistryChange> changes = parser.TakeChanges();
    if (const uint32_t applied = OS::ApplyRegistryChanges(changes); applied != OS::ERROR_SUCCESS_CODE) {
        return SystemFailure(applied);
    }
    for (const RegistryHive hive : {RegistryHive::LocalMachine, RegistryHive::CurrentUser}) {
        if (auto root = RegistryKey::Open(hive, u""); root) {
            static_cast<void>(root->Flush());
        }
    }
    m_out << COMPLETED << '\n';
    return SUCCESS;
}

} // namespace Dravo::Tools

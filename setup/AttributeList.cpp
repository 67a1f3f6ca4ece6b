#include "setup/AttributeList.h"

#include <map>

#include "resources/StringIds.h"
#include "setup/InstallerError.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// What no ODBC keyword may hold (a connection string could not name it).
constexpr std::u16string_view KEY_FORBIDDEN_CHARACTERS = u"[]{}(),;?*=!@";

bool IsControl(char16_t unit)
{
    return unit < 0x20 || unit == 0x7F;
}

bool IsValidUtf16(std::u16string_view text)
{
    for (size_t index = 0; index < text.size(); ++index) {
        const char16_t unit = text[index];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (index + 1 >= text.size() || text[index + 1] < 0xDC00 || text[index + 1] > 0xDFFF) {
                return false;
            }
            ++index;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

std::u16string_view TrimBlanks(std::u16string_view text)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) {
        text.remove_suffix(1);
    }
    return text;
}

[[noreturn]] void Refuse(uint32_t messageId, std::initializer_list<WideString> arguments = {})
{
    throw InstallerError(InstallerErrorCode::InvalidKeywordValue, messageId, arguments);
}

template <class Unit> std::basic_string_view<Unit> MeasureList(const Unit* list)
{
    if (!list) {
        return {};
    }
    // Each round reads one entry; the empty one ends the list.
    size_t length = 0;
    while (true) {
        const size_t start = length;
        while (length < AttributeList::MAX_UNITS && list[length] != 0) {
            ++length;
        }
        if (length >= AttributeList::MAX_UNITS) {
            Refuse(Resources::IDS_SETUP_ATTRIBUTES_TOO_LONG);
        }
        ++length;
        if (length - 1 == start) {
            return {list, length};
        }
    }
}

} // namespace

std::u16string_view AttributeList::Measure(const char16_t* list)
{
    return MeasureList(list);
}

std::string_view AttributeList::Measure(const char* list)
{
    return MeasureList(list);
}

AttributeList AttributeList::Parse(std::u16string_view units)
{
    AttributeList result;
    std::map<WideString, bool, Support::WideStringCaseInsensitiveLess> seen;
    while (!units.empty()) {
        const size_t end = std::min(units.find(u'\0'), units.size());
        const std::u16string_view entry = units.substr(0, end);
        units.remove_prefix(std::min(end + 1, units.size()));
        if (entry.empty()) {
            break;
        }
        if (!IsValidUtf16(entry)) {
            Refuse(Resources::IDS_SETUP_ATTRIBUTES_NOT_TEXT);
        }
        const size_t equals = entry.find(u'=');
        if (equals == std::u16string_view::npos) {
            Refuse(Resources::IDS_SETUP_ATTRIBUTE_WITHOUT_VALUE, {WideString(entry)});
        }
        const std::u16string_view key = TrimBlanks(entry.substr(0, equals));
        const std::u16string_view value = entry.substr(equals + 1);
        if (key.empty()) {
            Refuse(Resources::IDS_SETUP_ATTRIBUTE_WITHOUT_NAME);
        }
        for (const char16_t unit : key) {
            if (IsControl(unit) || KEY_FORBIDDEN_CHARACTERS.find(unit) != std::u16string_view::npos) {
                Refuse(Resources::IDS_SETUP_ATTRIBUTE_NAME_CHARACTERS, {WideString(key)});
            }
        }
        for (const char16_t unit : value) {
            // A line break would start a new entry or section of the file.
            if (IsControl(unit) && unit != u'\t') {
                Refuse(Resources::IDS_SETUP_ATTRIBUTE_VALUE_CHARACTERS, {WideString(key)});
            }
        }
        if (!seen.emplace(WideString(key), true).second) {
            Refuse(Resources::IDS_SETUP_ATTRIBUTE_TWICE, {WideString(key)});
        }
        result.m_entries.push_back({WideString(key), WideString(value)});
    }
    return result;
}

const WideString* AttributeList::Find(std::u16string_view key) const
{
    const WideString wanted(key);
    for (const Attribute& entry : m_entries) {
        if (entry.key.IsEqual(wanted, false)) {
            return &entry.value;
        }
    }
    return nullptr;
}

} // namespace Dravo::VezurAVUZ

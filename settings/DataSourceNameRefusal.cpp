#include "settings/DataSourceNameRefusal.h"

#include <string>
#include <vector>

#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "resources/StringIds.h"
#include "settings/DataSourceSection.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

/// The name's characters, each once, in the order they first appear; a
/// surrogate pair stays one character.
std::vector<std::u16string> DistinctCharacters(const WideString& name)
{
    std::vector<std::u16string> characters;
    for (int32_t index = 0; index < name.GetLength(); ++index) {
        std::u16string character(1, name.CharAt(index));
        if (IsHighSurrogate(character[0]) && index + 1 < name.GetLength() && IsLowSurrogate(name.CharAt(index + 1))) {
            character += name.CharAt(++index);
        }
        bool seen = false;
        for (const std::u16string& earlier : characters) {
            seen = seen || earlier == character;
        }
        if (!seen) {
            characters.push_back(character);
        }
    }
    return characters;
}

/// The characters a data source name may not hold.
constexpr std::u16string_view DSN_FORBIDDEN_CHARACTERS = u"[]{}(),;?*=!@\\";

} // namespace

DataSourceNameFault CheckDataSourceNameCharacters(const WideString& name)
{
    if (name.IsEmpty()) {
        return DataSourceNameFault::Empty;
    }
    for (const char16_t forbidden : DSN_FORBIDDEN_CHARACTERS) {
        if (name.Find(WideString(std::u16string_view(&forbidden, 1))) >= 0) {
            return DataSourceNameFault::ForbiddenCharacter;
        }
    }
    return DataSourceNameFault::None;
}

WideString DescribeRefusedDataSourceName(const WideString& name)
{
    // When the check that refused the name could not reach the installer (no
    // library, or one without the function), the user has been told so
    // already, and asking again would only tell them again.
    if (!OS::OdbcInstaller::LastCallReachedInstaller()) {
        WideString text = Support::LoadResourceString(Resources::IDS_DSN_INSTALLER_UNAVAILABLE);
        text.Replace(WideString(u"%1"), name);
        return text;
    }
    WideString refused(u"");
    for (const std::u16string& character : DistinctCharacters(name)) {
        // A short name of a letter and the character alone: refused only
        // for the character's sake.
        if (!DataSourceSection::IsValidName(WideString(u"D" + character))) {
            if (!refused.IsEmpty()) {
                refused += WideString(u", ");
            }
            refused += WideString(u"\"") + WideString(character) + WideString(u"\"");
        }
    }
    WideString text = Support::LoadResourceString(
        refused.IsEmpty() ? Resources::IDS_DSN_REFUSED : Resources::IDS_DSN_REFUSED_CHARACTERS);
    // The refused characters first: the name itself may hold "%2".
    text.Replace(WideString(u"%2"), refused);
    text.Replace(WideString(u"%1"), name);
    return text;
}

std::optional<DataSourceNameRefusal> CheckDataSourceName(const WideString& name)
{
    using Kind = DataSourceNameRefusal::Kind;
    if (const auto why = OS::OdbcDataSources::WhyNameCannotBeKept(name.GetAsU16String())) {
        WideString text = Support::LoadResourceString(Resources::IDS_DSN_NOT_KEPT);
        // The reason first: the name itself may hold "%2".
        text.Replace(WideString(u"%2"), WideString(*why));
        text.Replace(WideString(u"%1"), name);
        return DataSourceNameRefusal{Kind::NotKept, text};
    }
    switch (CheckDataSourceNameCharacters(name)) {
    case DataSourceNameFault::Empty:
        return DataSourceNameRefusal{Kind::Empty, Support::LoadResourceString(Resources::IDS_DSN_EMPTY)};
    case DataSourceNameFault::ForbiddenCharacter:
        return DataSourceNameRefusal{
            Kind::ForbiddenCharacter, Support::LoadResourceString(Resources::IDS_DSN_INVALID_CHARACTERS)};
    case DataSourceNameFault::None:
        break;
    }
    if (!DataSourceSection::IsValidName(name)) {
        const bool reached = OS::OdbcInstaller::LastCallReachedInstaller();
        return DataSourceNameRefusal{
            reached ? Kind::RefusedByInstaller : Kind::InstallerMissing, DescribeRefusedDataSourceName(name)};
    }
    return std::nullopt;
}

} // namespace Dravo::VezurAVUZ

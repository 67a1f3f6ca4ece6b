#include "support/RegistryReader.h"

#include <optional>

#include <unicode/locid.h>

#include "platform/Registry.h"
#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

bool IsDriverPrefix(const std::u16string& name)
{
    static constexpr std::u16string_view DRIVER = u"DRIVER";
    if (name.size() > DRIVER.size() * 3) {
        return false;
    }
    // The root locale, so that "driver" upper-cases to "DRIVER" in every locale.
    icu::UnicodeString upper(name.data(), static_cast<int32_t>(name.size()));
    upper.toUpper(icu::Locale::getRoot());
    const std::u16string_view folded(upper.getBuffer(), static_cast<size_t>(upper.length()));
    return DRIVER.substr(0, folded.size()) == folded;
}

std::optional<std::u16string> ValueText(const OS::RegistryValue& value)
{
    switch (value.type) {
    case OS::REG_SZ_TYPE:
        return OS::GetRegistryStringText(value.data);
    case OS::REG_DWORD_TYPE:
    case OS::REG_QWORD_TYPE: {
        // Data of another size is not a number of that type; reading it as one
        // would take bytes that are not there.
        const size_t size = value.type == OS::REG_DWORD_TYPE ? 4 : 8;
        if (value.data.size() != size) {
            return std::nullopt;
        }
        uint64_t number = 0;
        for (size_t i = size; i-- > 0;) {
            number = (number << 8) | value.data[i];
        }
        const std::string digits = std::to_string(number);
        return std::u16string(digits.begin(), digits.end());
    }
    default:
        return std::nullopt;
    }
}

std::optional<OS::RegistryKey> OpenKey(const std::string& hive, const std::u16string& path)
{
    if (hive == RegistryReader::LOCAL_MACHINE) {
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, path);
        return key ? std::optional(std::move(*key)) : std::nullopt;
    }
    auto user = OS::RegistryKey::Open(OS::RegistryHive::CurrentUser, path);
    if (user) {
        return std::move(*user);
    }
    // A user's key that is there but cannot be read would have overridden
    // the machine's: what it says is unknown, so neither counts.
    if (hive.empty() && user.GetError() == OS::ERROR_FILE_NOT_FOUND_CODE) {
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, path);
        return key ? std::optional(std::move(*key)) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

bool RegistryReader::ReadValues(const std::string& hive, const WideString& keyPath, std::vector<RegistryEntry>& entries)
{
    std::optional<OS::RegistryKey> key = OpenKey(hive, keyPath.GetAsU16String());
    if (!key) {
        return false;
    }
    const auto info = key->QueryInfo();
    if (!info) {
        throw ProductException(SUPPORT_COMPONENT_ID, WideString(u"RegKeyNotFound"));
    }
    for (uint32_t index = 0;; ++index) {
        const auto value = key->EnumValue(index);
        if (!value) {
            break;
        }
        if (IsDriverPrefix(value->name)) {
            continue;
        }
        if (std::optional<std::u16string> text = ValueText(*value)) {
            entries.push_back(RegistryEntry{WideString(value->name), WideString(*text)});
        }
    }
    return true;
}

bool RegistryReader::ReadKey(const std::string& hive, const WideString& keyPath, SettingsMap& values)
{
    std::vector<RegistryEntry> entries;
    if (!ReadValues(hive, keyPath, entries)) {
        return false;
    }
    for (const RegistryEntry& entry : entries) {
        values.emplace(entry.name.GetAsUTF8(), entry.value.GetAsUTF8());
    }
    return true;
}

} // namespace Dravo::Support

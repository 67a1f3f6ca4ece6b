#include "platform/RegistryTypes.h"

namespace Dravo::OS {
namespace {

void AppendUnits(std::vector<uint8_t>& data, std::u16string_view text)
{
    for (const char16_t unit : text) {
        data.push_back(static_cast<uint8_t>(unit & 0xFFU));
        data.push_back(static_cast<uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
}

} // namespace

std::u16string_view GetHiveName(RegistryHive hive)
{
    return hive == RegistryHive::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

std::vector<uint8_t> MakeRegistryStringData(std::u16string_view text)
{
    std::vector<uint8_t> data;
    data.reserve(2 * text.size() + 2);
    AppendUnits(data, text);
    return data;
}

std::vector<uint8_t> MakeRegistryMultiStringData(const std::vector<std::u16string>& texts)
{
    std::vector<uint8_t> data;
    for (const std::u16string& text : texts) {
        AppendUnits(data, text);
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::vector<uint8_t> MakeRegistryDwordData(uint32_t number)
{
    std::vector<uint8_t> data(4);
    for (size_t i = 0; i < 4; ++i) {
        data[i] = static_cast<uint8_t>(number >> (8 * i));
    }
    return data;
}

std::vector<uint8_t> MakeRegistryQwordData(uint64_t number)
{
    std::vector<uint8_t> data(8);
    for (size_t i = 0; i < 8; ++i) {
        data[i] = static_cast<uint8_t>(number >> (8 * i));
    }
    return data;
}

std::u16string GetRegistryStringText(const std::vector<uint8_t>& data)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

} // namespace Dravo::OS

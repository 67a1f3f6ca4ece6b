// Test helper: the driver's configuration file, where the driver key is kept
// on POSIX systems: its names in a registry root, a "[Driver]" section
// written as a person would, and the section read back as the driver reads it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/IniFile.h"
#include "support/WideString.h"

namespace Dravo::Test {

/// With a registry root ROOT: the machine's and the user's file.
inline std::filesystem::path MachineConfigurationFile(const std::filesystem::path& root)
{
    return root / "vezuravuz.ini";
}
inline std::filesystem::path UserConfigurationFile(const std::filesystem::path& root)
{
    return root / ".vezuravuz.ini";
}

/// "[Driver]" and a Name=Value line for each value.
inline std::string DriverSectionText(const std::map<std::string, std::string>& values)
{
    std::string text = "[Driver]\n";
    for (const auto& [name, value] : values) {
        text += name + "=" + value + "\n";
    }
    return text;
}

/// The section's values as the driver reads them, by name as spelled; empty
/// when the file or the section is not there or the file is no text.
inline std::map<std::string, std::string> ReadDriverSection(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    OS::IniFile ini;
    std::map<std::string, std::string> values;
    if (!ini.Parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()))) {
        return values;
    }
    for (const OS::IniEntry& entry : ini.ReadSection(u"Driver")) {
        values[Support::WideString(entry.name).GetAsUTF8()] = Support::WideString(entry.value).GetAsUTF8();
    }
    return values;
}

/// One value of the section, "<absent>" when it is not there.
inline std::string DriverSectionValue(const std::filesystem::path& file, const std::string& name)
{
    const auto values = ReadDriverSection(file);
    const auto found = values.find(name);
    return found == values.end() ? "<absent>" : found->second;
}

} // namespace Dravo::Test

// Test helper: what the driver's configuration file holds, read straight from
// its bytes (no cache, no lock): the "[Driver]" section as the driver reads
// it, by case-folded name, so that a test can compare the file before and
// after a fault value by value; and whether the file is text at all.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "platform/IniFile.h"
#include "platform/RegistryImage.h"
#include "support/WideString.h"
#include "tests/app/ToolRun.h"

namespace Dravo::Test {

class ConfigurationContents {
public:
    using Values = std::map<std::u16string, std::string>;

    /// An absent file holds nothing; Parsed() is false, with Error() saying
    /// why, when the bytes are no text.
    explicit ConfigurationContents(const std::filesystem::path& file)
    {
        std::error_code missing;
        if (!std::filesystem::exists(file, missing)) {
            return;
        }
        m_bytes = ReadFileBytes(file);
        OS::IniFile ini;
        if (!ini.Parse(m_bytes)) {
            m_parsed = false;
            m_error = "line " + std::to_string(ini.GetError().line) + ": " + ini.GetError().message;
            return;
        }
        for (const OS::IniEntry& entry : ini.ReadSection(u"Driver")) {
            m_values[OS::FoldRegistryName(entry.name)] = Support::WideString(entry.value).GetAsUTF8();
        }
    }

    [[nodiscard]] bool Parsed() const { return m_parsed; }
    [[nodiscard]] const std::string& Error() const { return m_error; }
    [[nodiscard]] const std::string& Bytes() const { return m_bytes; }
    [[nodiscard]] const Values& GetValues() const { return m_values; }

    /// A value by name in any case; "<absent>" when it is not there.
    [[nodiscard]] std::string Text(std::u16string_view name) const
    {
        const auto found = m_values.find(OS::FoldRegistryName(name));
        return found == m_values.end() ? "<absent>" : found->second;
    }

    static std::string Describe(const std::u16string& name) { return Support::WideString(name).GetAsUTF8(); }

private:
    bool m_parsed = true;
    std::string m_error;
    std::string m_bytes;
    Values m_values;
};

} // namespace Dravo::Test

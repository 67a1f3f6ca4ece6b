// Test helper: what a hive file holds, read straight from its bytes (no cache,
// no lock), as "KEY\PATH|ValueName" -> value with names case-folded, so that
// a test can compare a hive before and after a fault value by value.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryFileParser.h"
#include "platform/RegistryImage.h"
#include "platform/RegistryTypes.h"
#include "support/WideString.h"
#include "tests/app/ToolRun.h"

namespace Dravo::Test {

inline constexpr std::u16string_view DRIVER_KEY = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

class HiveContents {
public:
    /// Parses the file; an absent file is an empty hive. Parsed() is false,
    /// with Error() saying why, when the bytes are no hive.
    explicit HiveContents(const std::filesystem::path& file, OS::RegistryHive hive = OS::RegistryHive::LocalMachine)
    {
        std::error_code missing;
        if (!std::filesystem::exists(file, missing)) {
            return;
        }
        OS::RegistryFileParser parser(hive);
        if (!parser.Parse(ReadFileBytes(file))) {
            m_parsed = false;
            m_error = "line " + std::to_string(parser.GetError().line) + ": " + parser.GetError().message;
            return;
        }
        OS::RegistryImage image;
        for (const OS::RegistryChange& change : parser.TakeChanges()) {
            image.Apply(change);
        }
        Collect(image.GetRoot(), u"");
    }

    [[nodiscard]] bool Parsed() const { return m_parsed; }
    [[nodiscard]] const std::string& Error() const { return m_error; }
    [[nodiscard]] const std::map<std::u16string, OS::RegistryValue>& Values() const { return m_values; }

    /// A value of the driver key, by name in any case.
    [[nodiscard]] std::optional<OS::RegistryValue> Driver(std::u16string_view name) const
    {
        const auto found = m_values.find(Slot(DRIVER_KEY, name));
        return found == m_values.end() ? std::nullopt : std::optional(found->second);
    }

    /// The UTF-8 text of a REG_SZ value of the driver key; "<absent>" or
    /// "<type N>" otherwise.
    [[nodiscard]] std::string Text(std::u16string_view name) const
    {
        const auto value = Driver(name);
        if (!value) {
            return "<absent>";
        }
        if (value->type != OS::REG_SZ_TYPE) {
            return "<type " + std::to_string(value->type) + ">";
        }
        return Support::WideString(OS::GetRegistryStringText(value->data)).GetAsUTF8();
    }

    /// Where a value sits in Values().
    static std::u16string Slot(std::u16string_view keyPath, std::u16string_view name)
    {
        return OS::FoldRegistryName(keyPath) + u"|" + OS::FoldRegistryName(name);
    }

    /// Readable name of a slot for failure messages.
    static std::string Describe(const std::u16string& slot) { return Support::WideString(slot).GetAsUTF8(); }

private:
    void Collect(const OS::RegistryImageKey& key, const std::u16string& path)
    {
        for (size_t i = 0; i < key.GetValueCount(); ++i) {
            m_values[Slot(path, key.GetValue(i).name)] = key.GetValue(i);
        }
        for (size_t i = 0; i < key.GetSubKeyCount(); ++i) {
            const OS::RegistryImageKey& sub = key.GetSubKey(i);
            Collect(sub, path.empty() ? sub.GetName() : path + u"\\" + sub.GetName());
        }
    }

    bool m_parsed = true;
    std::string m_error;
    std::map<std::u16string, OS::RegistryValue> m_values;
};

} // namespace Dravo::Test

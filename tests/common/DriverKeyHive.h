// Test helper: a machine hive of its own in a temporary directory, and the
// driver key in it read and written as the registry's users see it.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {

class DriverKeyHive {
public:
    DriverKeyHive()
    {
#ifndef _WIN32
        // Readable by the unprivileged user some tests switch to.
        ::chmod(m_root.Path().c_str(), 0755);
#endif
        OS::SetRegistryRoot(m_root.Path().string());
        OS::DiscardRegistryCache();
    }
    DriverKeyHive(const DriverKeyHive&) = delete;
    DriverKeyHive& operator=(const DriverKeyHive&) = delete;
    ~DriverKeyHive()
    {
        OS::SetRegistryRoot({});
        OS::DiscardRegistryCache();
    }

    [[nodiscard]] const TempDir& Root() const
    {
        return m_root;
    }
    [[nodiscard]] static std::string HivePath()
    {
        return OS::GetHiveFilePath(OS::RegistryHive::LocalMachine);
    }
    [[nodiscard]] static std::u16string KeyPath()
    {
        return VezurAVUZ::GetDriverKeyPath().GetAsU16String();
    }

    /// Replaces the hive file with the lines below the driver key's section,
    /// as a person would write them ("name"="text", "name"=dword:..., ...).
    static void WriteDriverKeyLines(const std::string& lines)
    {
        std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\";
        text += VezurAVUZ::GetDriverKeyPath().GetAsUTF8() + "]\r\n" + lines;
        WriteFile(HivePath(), text);
        OS::DiscardRegistryCache();
    }

    /// Removes the driver key and everything above it that the tests made.
    static void Clear()
    {
        const OS::ErrorCode error = OS::DeleteRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE");
        ASSERT_TRUE(error == OS::ERROR_SUCCESS_CODE || error == OS::ERROR_FILE_NOT_FOUND_CODE) << error;
    }

    static void SetString(const std::u16string& name, const std::u16string& text)
    {
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, KeyPath());
        ASSERT_TRUE(key) << key.GetError();
        ASSERT_EQ(key->SetStringValue(name, text), OS::ERROR_SUCCESS_CODE);
    }

    /// A value of the driver key, or nothing when it (or the key) is absent.
    [[nodiscard]] static std::optional<OS::RegistryValue> Value(const std::u16string& name)
    {
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, KeyPath());
        if (!key) {
            return std::nullopt;
        }
        auto value = key->QueryValue(name);
        return value ? std::optional(*value) : std::nullopt;
    }

    /// The text of a REG_SZ value; "<missing>" when absent, "<type N>" for another type.
    [[nodiscard]] static std::u16string Text(const std::u16string& name)
    {
        const auto value = Value(name);
        if (!value) {
            return u"<missing>";
        }
        if (value->type != OS::REG_SZ_TYPE) {
            const std::string type = "<type " + std::to_string(value->type) + ">";
            return std::u16string(type.begin(), type.end());
        }
        return OS::GetRegistryStringText(value->data);
    }

    /// Every value name of the driver key in creation order.
    [[nodiscard]] static std::vector<std::u16string> Names()
    {
        std::vector<std::u16string> names;
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, KeyPath());
        if (!key) {
            return names;
        }
        for (uint32_t index = 0;; ++index) {
            const auto value = key->EnumValue(index);
            if (!value) {
                break;
            }
            names.push_back(value->name);
        }
        return names;
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static void WriteFile(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    TempDir m_root;
};

} // namespace Dravo::Test

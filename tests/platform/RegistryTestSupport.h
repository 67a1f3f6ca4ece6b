// Shared set-up of the registry tests: each test gets hive files of its own in
// a fresh directory, and helpers to look at the files as a reader would.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>

#include "platform/Registry.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {

class RegistryTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Readable by the unprivileged user some tests switch to.
        ::chmod(m_root.Path().c_str(), 0755);
        OS::SetRegistryRoot(m_root.Path().string());
        OS::DiscardRegistryCache();
    }
    void TearDown() override { OS::SetRegistryRoot({}); }

    [[nodiscard]] std::string HivePath(OS::RegistryHive hive = OS::RegistryHive::LocalMachine) const
    {
        return OS::GetHiveFilePath(hive);
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

    static OS::RegistryKey CreateKey(const std::u16string& path, OS::RegistryHive hive = OS::RegistryHive::LocalMachine)
    {
        auto key = OS::RegistryKey::Create(hive, path);
        EXPECT_TRUE(key) << "error " << key.GetError() << ": " << OS::GetRegistryDiagnostic();
        return key ? std::move(*key) : OS::RegistryKey();
    }

    static std::u16string StringValue(const OS::RegistryKey& key, const std::u16string& name)
    {
        const auto value = key.QueryValue(name);
        return value ? OS::GetRegistryStringText(value->data) : u"<missing>";
    }

    TempDir m_root;
};

} // namespace Dravo::Test

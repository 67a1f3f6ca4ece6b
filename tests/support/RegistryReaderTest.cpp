// The registry reader over real hive files: which hive it reads, which values
// it keeps and how numbers read; and the settings cache that uses it.
#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/DSISettings.h"
#include "support/ErrorException.h"
#include "support/RegistryReader.h"
#include "support/SystemErrorText.h"
#include "tests/common/TempDir.h"

namespace Dravo::Support {
namespace {

using OS::RegistryHive;

constexpr char16_t KEY[] = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

class RegistryReaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        OS::SetRegistryRoot(m_root.Path().string());
        OS::DiscardRegistryCache();
    }
    void TearDown() override { OS::SetRegistryRoot({}); }

    static void Set(
        RegistryHive hive, const std::u16string& name, OS::RegistryValueType type, const std::vector<uint8_t>& data)
    {
        auto key = OS::RegistryKey::Create(hive, KEY);
        ASSERT_TRUE(key);
        ASSERT_EQ(key->SetValue(name, type, data), OS::ERROR_SUCCESS_CODE);
    }
    static void SetText(RegistryHive hive, const std::u16string& name, const std::u16string& text)
    {
        Set(hive, name, OS::REG_SZ_TYPE, OS::MakeRegistryStringData(text));
    }

    static std::vector<std::pair<std::string, std::string>> Read(const std::string& hive)
    {
        std::vector<RegistryEntry> entries;
        EXPECT_TRUE(RegistryReader::ReadValues(hive, WideString(KEY), entries));
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const RegistryEntry& entry : entries) {
            pairs.emplace_back(entry.name.GetAsUTF8(), entry.value.GetAsUTF8());
        }
        return pairs;
    }

    Dravo::Test::TempDir m_root;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST_F(RegistryReaderTest, TheHiveNameChoosesWhereToRead)
{
    SetText(RegistryHive::LocalMachine, u"Where", u"machine");
    std::vector<RegistryEntry> entries;
    // No user key: the empty name falls back to the machine; others do not.
    EXPECT_EQ(Read(""), (Pairs{{"Where", "machine"}}));
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE"), (Pairs{{"Where", "machine"}}));
    EXPECT_FALSE(RegistryReader::ReadValues("HKEY_CURRENT_USER", WideString(KEY), entries));
    EXPECT_FALSE(RegistryReader::ReadValues("anything", WideString(KEY), entries));

    SetText(RegistryHive::CurrentUser, u"Where", u"user");
    EXPECT_EQ(Read(""), (Pairs{{"Where", "user"}}));
    EXPECT_EQ(Read("anything"), (Pairs{{"Where", "user"}}));
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE"), (Pairs{{"Where", "machine"}}));
    EXPECT_FALSE(RegistryReader::ReadValues("", WideString(u"SOFTWARE\\Nobody"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(RegistryReaderTest, KeepsStringsAndNumbersSkipsDriverNamesAndOtherTypes)
{
    const RegistryHive hive = RegistryHive::LocalMachine;
    SetText(hive, u"", u"default");
    SetText(hive, u"Driver", u"/usr/lib/libdriver.so");
    SetText(hive, u"d", u"prefix of DRIVER");
    SetText(hive, u"DrIvE", u"prefix of DRIVER");
    SetText(hive, u"Drivers", u"kept");
    SetText(hive, u"LogLevel", u"4");
    Set(hive, u"LogFileCount", OS::REG_DWORD_TYPE, OS::MakeRegistryDwordData(4294967295U));
    Set(hive, u"Big", OS::REG_QWORD_TYPE, OS::MakeRegistryQwordData(18446744073709551615ULL));
    Set(hive, u"Expand", OS::REG_EXPAND_SZ_TYPE, OS::MakeRegistryStringData(u"%HOME%"));
    Set(hive, u"Multi", OS::REG_MULTI_SZ_TYPE, OS::MakeRegistryMultiStringData({u"a"}));
    Set(hive, u"Binary", OS::REG_BINARY_TYPE, {1, 2});
    Set(hive, u"ShortDword", OS::REG_DWORD_TYPE, {1, 2});
    Set(hive, u"OneByte", OS::REG_SZ_TYPE, {'x'});
    Set(hive, u"NoTerminator", OS::REG_SZ_TYPE, {'a', 0, 'b', 0});
    SetText(hive, u"Caf\u00e9", u"\u00e9t\u00e9");

    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE"),
        (Pairs{{"Drivers", "kept"}, {"LogLevel", "4"}, {"LogFileCount", "4294967295"}, {"Big", "18446744073709551615"},
            {"OneByte", ""}, {"NoTerminator", "ab"}, {"Caf\xC3\xA9", "\xC3\xA9t\xC3\xA9"}}));

    SettingsMap map;
    ASSERT_TRUE(RegistryReader().ReadKey("HKEY_LOCAL_MACHINE", WideString(KEY), map));
    EXPECT_EQ(map["LOGFILECOUNT"], "4294967295");
    EXPECT_EQ(map.count("Driver"), 0U);
}

TEST_F(RegistryReaderTest, TheSettingsCacheReadsTheRegistryByDefault)
{
    SetText(RegistryHive::LocalMachine, u"LogLevel", u"LOG_DEBUG");
    SetText(RegistryHive::LocalMachine, u"LogPath", u"/var/log/dravo");
    DSISettings settings(WideString(u"Dravo\\Dravo Spark ODBC Driver"), WideString(u"Driver"));
    EXPECT_EQ(settings.GetLogLevel(), 5);
    EXPECT_EQ(settings.GetSetting("logpath"), "/var/log/dravo");

    // As the manual says: a user key hides the whole machine key, even when
    // it lacks the setting asked for, and an empty one means the defaults.
    ASSERT_TRUE(OS::RegistryKey::Create(RegistryHive::CurrentUser, KEY));
    DSISettings empty(WideString(u"Dravo\\Dravo Spark ODBC Driver"), WideString(u"Driver"));
    EXPECT_EQ(empty.GetLogLevel(), 0);
    EXPECT_EQ(empty.GetSetting("LogPath"), "");
    SetText(RegistryHive::CurrentUser, u"LogLevel", u"2");
    DSISettings partial(WideString(u"Dravo\\Dravo Spark ODBC Driver"), WideString(u"Driver"));
    EXPECT_EQ(partial.GetLogLevel(), 2);
    EXPECT_EQ(partial.GetSetting("LogPath"), "");
}

TEST(SystemErrorTextTest, EveryCodeTheRegistryGivesHasThisSystemsText)
{
#if defined(_WIN32)
    EXPECT_EQ(FormatSystemError(5), WideString(u"Access is denied.\r\n"));
    EXPECT_EQ(FormatSystemError(1009), WideString(u"The configuration registry database is corrupt.\r\n"));
#else
    // The errno's own words, and files rather than a registry database.
    EXPECT_EQ(FormatSystemError(5), WideString(u"Permission denied\r\n"));
    EXPECT_EQ(FormatSystemError(2), WideString(u"No such file or directory\r\n"));
    EXPECT_EQ(FormatSystemError(1009).GetAsUTF8().find("registry"), std::string::npos);
#endif
    for (const uint32_t code :
        {2U, 3U, 4U, 5U, 6U, 8U, 13U, 19U, 32U, 33U, 80U, 87U, 112U, 122U, 123U, 126U, 127U, 145U, 161U, 183U, 206U,
            223U, 234U, 259U, 267U, 1009U, 1010U, 1011U, 1012U, 1013U, 1016U, 1018U, 1117U, 1921U}) {
        const WideString text = FormatSystemError(code);
        EXPECT_NE(text, WideString(u"Unknown error")) << code;
        EXPECT_TRUE(text.GetAsUTF8().ends_with("\r\n")) << code;
    }
    EXPECT_EQ(FormatSystemError(99999), WideString(u"Unknown error"));
}

} // namespace
} // namespace Dravo::Support

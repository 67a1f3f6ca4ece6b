// The registry key API over real hive files: Windows semantics and error
// codes, the files it leaves on disk, and what it refuses to do.
#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/RegistryFileParser.h"
#include "platform/FileFaults.h"
#include "platform/posix/HiveFile.h"
#include "tests/platform/RegistryTestSupport.h"

namespace Dravo::Test {
namespace {

using OS::RegistryHive;
using OS::RegistryKey;

constexpr char16_t DRIVER_KEY[] = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

class RegistryKeyTest : public RegistryTest {};

TEST_F(RegistryKeyTest, CreateMakesEveryMissingKeyAndOpenFindsThemInAnyCase)
{
    RegistryKey created = CreateKey(DRIVER_KEY);
    EXPECT_TRUE(created.IsOpen());
    for (const char16_t* path :
        {u"SOFTWARE", u"software\\dravo", u"SOFTWARE\\DRAVO\\dravo spark odbc driver\\DRIVER"}) {
        EXPECT_TRUE(RegistryKey::Open(RegistryHive::LocalMachine, path)) << std::string(path, path + 8);
    }
    auto missing = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Nobody");
    EXPECT_EQ(missing.GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::CurrentUser, DRIVER_KEY).GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"\\SOFTWARE").GetError(), OS::ERROR_BAD_PATHNAME_CODE);

    auto parent = RegistryKey::Open(RegistryHive::LocalMachine, u"software\\DRAVO");
    ASSERT_TRUE(parent);
    EXPECT_EQ(*parent->EnumSubKey(0), u"Dravo Spark ODBC Driver");
    EXPECT_EQ(parent->EnumSubKey(1).GetError(), OS::ERROR_NO_MORE_ITEMS_CODE);
}

TEST_F(RegistryKeyTest, ValueNamesIgnoreCaseKeepTheFirstSpellingAndEnumerateInCreationOrder)
{
    RegistryKey key = CreateKey(DRIVER_KEY);
    ASSERT_EQ(key.SetStringValue(u"SparkServerType", u"3"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(key.SetStringValue(u"LogLevel", u"2"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(key.SetStringValue(u"AuthMech", u"3"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(key.SetStringValue(u"LOGLEVEL", u"6"), OS::ERROR_SUCCESS_CODE);

    OS::DiscardRegistryCache();
    auto reread = RegistryKey::Open(RegistryHive::LocalMachine, DRIVER_KEY);
    ASSERT_TRUE(reread);
    EXPECT_EQ(StringValue(*reread, u"loglevel"), u"6");
    std::vector<std::u16string> names;
    for (uint32_t i = 0;; ++i) {
        auto value = reread->EnumValue(i);
        if (!value) {
            EXPECT_EQ(value.GetError(), OS::ERROR_NO_MORE_ITEMS_CODE);
            break;
        }
        names.push_back(value->name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"SparkServerType", u"LogLevel", u"AuthMech"}));

    ASSERT_EQ(reread->GetPath(), DRIVER_KEY);
    const auto info = reread->QueryInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->valueCount, 3U);
    EXPECT_EQ(info->subKeyCount, 0U);
    EXPECT_EQ(info->maxValueNameLength, 15U);
    EXPECT_EQ(info->maxValueDataLength, 4U);
}

TEST_F(RegistryKeyTest, ValuesOfEveryTypeAndTheDefaultValueKeepTheirBytes)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\Types");
    const std::vector<OS::RegistryValue> values = {
        {u"", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"default")},
        {u"Empty", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"")},
        {u"Expand", OS::REG_EXPAND_SZ_TYPE, OS::MakeRegistryStringData(u"%HOME%")},
        {u"Binary", OS::REG_BINARY_TYPE, {0, 1, 2, 255}},
        {u"Dword", OS::REG_DWORD_TYPE, OS::MakeRegistryDwordData(4294967295U)},
        {u"Multi", OS::REG_MULTI_SZ_TYPE, OS::MakeRegistryMultiStringData({u"a", u"b"})},
        {u"Qword", OS::REG_QWORD_TYPE, OS::MakeRegistryQwordData(18446744073709551615ULL)},
        {u"None", OS::REG_NONE_TYPE, {}},
    };
    for (const OS::RegistryValue& value : values) {
        ASSERT_EQ(key.SetValue(value.name, value.type, value.data), OS::ERROR_SUCCESS_CODE);
    }
    OS::DiscardRegistryCache();
    for (const OS::RegistryValue& value : values) {
        const auto stored = key.QueryValue(value.name);
        ASSERT_TRUE(stored);
        EXPECT_EQ(*stored, value);
    }
    EXPECT_EQ(key.QueryValue(u"Empty")->data.size(), 2U);
    EXPECT_EQ(key.QueryValue(u"Missing").GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
}

TEST_F(RegistryKeyTest, DeletingValuesAndKeysFollowsWindows)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\A\\B");
    ASSERT_EQ(key.SetStringValue(u"v", u"1"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(key.DeleteValue(u"V"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(key.DeleteValue(u"v"), OS::ERROR_FILE_NOT_FOUND_CODE);

    EXPECT_EQ(OS::DeleteRegistryKey(RegistryHive::LocalMachine, u"SOFTWARE\\A"), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::DeleteRegistryKey(RegistryHive::LocalMachine, u""), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::DeleteRegistryKey(RegistryHive::LocalMachine, u"SOFTWARE\\A\\b"), OS::ERROR_SUCCESS_CODE);
    // The open handle now names a deleted key.
    EXPECT_EQ(key.SetStringValue(u"v", u"2"), OS::ERROR_KEY_DELETED_CODE);
    EXPECT_EQ(key.QueryInfo().GetError(), OS::ERROR_KEY_DELETED_CODE);

    CreateKey(u"SOFTWARE\\A\\C\\D");
    EXPECT_EQ(OS::DeleteRegistryTree(RegistryHive::LocalMachine, u"software\\a"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\A").GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(OS::DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE\\A"), OS::ERROR_FILE_NOT_FOUND_CODE);

    key.Close();
    EXPECT_EQ(key.SetStringValue(u"v", u"3"), OS::ERROR_INVALID_HANDLE_CODE);
}

TEST_F(RegistryKeyTest, AKeyOpenedForReadingRefusesChangesAndBadNamesAreRefused)
{
    CreateKey(u"SOFTWARE\\K");
    auto reader = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\K");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->SetStringValue(u"x", u"1"), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(reader->DeleteValue(u"x"), OS::ERROR_ACCESS_DENIED_CODE);

    auto writer = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\K", OS::RegistryAccess::Full);
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->SetStringValue(u"line\nbreak", u"1"), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(
        OS::RegistryKey::Create(RegistryHive::LocalMachine, u"A\rB").GetError(), OS::ERROR_INVALID_PARAMETER_CODE);
    // A refused change leaves the hive file as it was.
    EXPECT_EQ(writer->SetStringValue(u"quote \" and \\ are fine", u"1"), OS::ERROR_SUCCESS_CODE);
}

TEST_F(RegistryKeyTest, TheHiveFileIsUtf8RegistryTextThatKeepsTheUmask)
{
    const mode_t oldMask = ::umask(077);
    RegistryKey key = CreateKey(DRIVER_KEY, RegistryHive::CurrentUser);
    ASSERT_EQ(key.SetStringValue(u"SparkServerType", u"3"), OS::ERROR_SUCCESS_CODE);
    ::umask(oldMask);

    const std::string path = HivePath(RegistryHive::CurrentUser);
    EXPECT_EQ(path, (m_root.Path() / "HKEY_CURRENT_USER.reg").string());
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0U);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                        "\"SparkServerType\"=\"3\"\r\n"),
        std::string::npos);
    // Outside /etc the umask is honoured: the user asked for private files.
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600U);

    // The directories the registry makes are 0755 whatever the umask.
    const std::filesystem::path nested = m_root.Path() / "nested" / "registry";
    OS::SetRegistryRoot(nested.string());
    ::umask(077);
    CreateKey(u"SOFTWARE");
    ::umask(oldMask);
    ASSERT_EQ(::stat(nested.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0755U);
    ASSERT_EQ(::stat((nested / "HKEY_LOCAL_MACHINE.reg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600U);
}

TEST_F(RegistryKeyTest, AHiveThatDoesNotParseIsReportedWithFileAndLineAndNeverWritten)
{
    const std::string broken = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=oops\r\n";
    WriteFile(HivePath(), broken);

    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"A").GetError(), OS::ERROR_BADDB_CODE);
    const std::string diagnostic = OS::GetRegistryDiagnostic();
    EXPECT_NE(diagnostic.find(HivePath() + ", line 4: "), std::string::npos) << diagnostic;

    EXPECT_EQ(RegistryKey::Create(RegistryHive::LocalMachine, u"B").GetError(), OS::ERROR_BADDB_CODE);
    EXPECT_EQ(OS::DeleteRegistryTree(RegistryHive::LocalMachine, u"A"), OS::ERROR_BADDB_CODE);
    EXPECT_EQ(ReadFile(HivePath()), broken);

    // Once repaired, the hive is read again.
    WriteFile(HivePath(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"ok\"\r\n");
    auto key = RegistryKey::Open(RegistryHive::LocalMachine, u"A");
    ASSERT_TRUE(key);
    EXPECT_EQ(StringValue(*key, u"v"), u"ok");
}

TEST_F(RegistryKeyTest, AWindowsExportInUtf16IsReadAndRewrittenAsUtf8OnTheFirstChange)
{
    const std::u16string exported = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\W]\r\n\"Name\"=\"\u00e9\"\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : exported) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    WriteFile(HivePath(), bytes);
    auto key = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\W", OS::RegistryAccess::Full);
    ASSERT_TRUE(key);
    EXPECT_EQ(StringValue(*key, u"name"), u"\u00e9");
    ASSERT_EQ(key->SetStringValue(u"More", u"1"), OS::ERROR_SUCCESS_CODE);
    const std::string text = ReadFile(HivePath());
    EXPECT_NE(text.find("\"Name\"=\"\xC3\xA9\"\r\n\"More\"=\"1\"\r\n"), std::string::npos) << text;
}

TEST_F(RegistryKeyTest, ASymbolicLinkInPlaceOfTheHiveIsNotFollowed)
{
    const std::string target = (m_root.Path() / "elsewhere.txt").string();
    const std::string original = "precious\n";
    WriteFile(target, original);
    ASSERT_EQ(::symlink(target.c_str(), HivePath().c_str()), 0);

    EXPECT_EQ(RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE").GetError(), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find("symbolic link"), std::string::npos);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"").GetError(), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(ReadFile(target), original);
}

TEST_F(RegistryKeyTest, ARecordCutShortByACrashIsIgnoredAndDroppedByTheNextWrite)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\K");
    ASSERT_EQ(key.SetStringValue(u"a", u"1"), OS::ERROR_SUCCESS_CODE);
    const std::string good = ReadFile(HivePath());
    const std::string body = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"a\"=\"2\"\r\n";
    const std::string torn = "\r\n" + OS::RegistryFileParser::MakeRecordHeader(body) + body.substr(0, 20);
    WriteFile(HivePath(), good + torn);

    OS::DiscardRegistryCache();
    EXPECT_EQ(StringValue(key, u"a"), u"1");
    ASSERT_EQ(key.SetStringValue(u"b", u"3"), OS::ERROR_SUCCESS_CODE);
    const std::string after = ReadFile(HivePath());
    EXPECT_EQ(after.find(torn), std::string::npos);
    EXPECT_EQ(after.rfind(good, 0), 0U);
    OS::DiscardRegistryCache();
    EXPECT_EQ(StringValue(key, u"a"), u"1");
    EXPECT_EQ(StringValue(key, u"b"), u"3");
}

TEST_F(RegistryKeyTest, AWriteThatRunsOutOfSpaceLeavesTheHiveAsItWas)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\Full");
    ASSERT_EQ(key.SetStringValue(u"a", u"1"), OS::ERROR_SUCCESS_CODE);
    const std::string before = ReadFile(HivePath());

    // An appended record, and a rewrite of the whole file (a value too large to append).
    for (const size_t size : {10U, 100000U}) {
        OS::SetFileWriteBudget(20);
        EXPECT_EQ(key.SetStringValue(u"b", std::u16string(size, u'x')), OS::ERROR_DISK_FULL_CODE) << size;
        OS::SetFileWriteBudget(-1);
        EXPECT_EQ(ReadFile(HivePath()), before);
        EXPECT_EQ(key.QueryValue(u"b").GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
        OS::DiscardRegistryCache();
        EXPECT_EQ(key.QueryValue(u"b").GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
    }
    size_t leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_root.Path())) {
        leftovers += entry.path().filename().string() != "HKEY_LOCAL_MACHINE.reg" ? 1 : 0;
    }
    EXPECT_EQ(leftovers, 0U);
    ASSERT_EQ(key.SetStringValue(u"b", u"2"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(StringValue(key, u"b"), u"2");
}

TEST_F(RegistryKeyTest, ManyWritesStayCompactAndEveryValueSurvivesTheRewrites)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\Many");
    const std::u16string padding(200, u'x');
    for (int i = 0; i < 2000; ++i) {
        const std::u16string name = u"Value" + std::u16string(1, static_cast<char16_t>(u'A' + i % 20));
        ASSERT_EQ(key.SetStringValue(name, padding + static_cast<char16_t>(u'0' + i % 10)), OS::ERROR_SUCCESS_CODE);
    }
    // 20 values of ~420 bytes: the file must not have kept 2000 records.
    EXPECT_LT(ReadFile(HivePath()).size(), 200000U);
    OS::DiscardRegistryCache();
    for (int i = 1980; i < 2000; ++i) {
        const std::u16string name = u"Value" + std::u16string(1, static_cast<char16_t>(u'A' + i % 20));
        EXPECT_EQ(StringValue(key, name), padding + static_cast<char16_t>(u'0' + i % 10));
    }
}

TEST_F(RegistryKeyTest, ExportAndImportCarryAWholeTree)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\Tree\\Sub");
    ASSERT_EQ(key.SetStringValue(u"v", u"1"), OS::ERROR_SUCCESS_CODE);
    const auto exported = OS::ExportRegistryTree(RegistryHive::LocalMachine, u"software\\tree");
    ASSERT_TRUE(exported);
    EXPECT_EQ(*exported,
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Sub]\r\n\"v\"=\"1\"\r\n\r\n");

    OS::RegistryFileParser parser;
    ASSERT_TRUE(parser.Parse("Windows Registry Editor Version 5.00\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree]\r\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Imported]\r\n\"w\"=dword:00000002\r\n"));
    ASSERT_EQ(OS::ApplyRegistryChanges(parser.TakeChanges()), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(
        RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Tree").GetError(), OS::ERROR_FILE_NOT_FOUND_CODE);
    auto imported = RegistryKey::Open(RegistryHive::CurrentUser, u"SOFTWARE\\Imported");
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->QueryValue(u"w")->data, OS::MakeRegistryDwordData(2));

    // A change that cannot be stored stops the whole import before anything is written.
    const std::string before = ReadFile(HivePath(RegistryHive::CurrentUser));
    std::vector<OS::RegistryChange> bad(2);
    bad[0].kind = OS::RegistryChange::Kind::CreateKey;
    bad[0].hive = RegistryHive::CurrentUser;
    bad[0].keyPath = u"SOFTWARE\\Fine";
    bad[1].kind = OS::RegistryChange::Kind::SetValue;
    bad[1].hive = RegistryHive::CurrentUser;
    bad[1].keyPath = u"SOFTWARE\\Fine";
    bad[1].value.name = u"bad\nname";
    EXPECT_EQ(OS::ApplyRegistryChanges(bad), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(ReadFile(HivePath(RegistryHive::CurrentUser)), before);
}

TEST_F(RegistryKeyTest, FlushSucceedsWithAndWithoutAHiveFile)
{
    auto root = RegistryKey::Open(RegistryHive::CurrentUser, u"");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Flush(), OS::ERROR_SUCCESS_CODE);
    RegistryKey key = CreateKey(u"SOFTWARE\\Durable");
    ASSERT_EQ(key.SetStringValue(u"v", u"1"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(key.SetStringValue(u"v", u"2"), OS::ERROR_SUCCESS_CODE);
    EXPECT_NE(ReadFile(HivePath()).find("; change"), std::string::npos);
    EXPECT_EQ(key.Flush(), OS::ERROR_SUCCESS_CODE);

    // After a flush the hive reads as a plain export again: each value once.
    const std::string flushed = ReadFile(HivePath());
    EXPECT_EQ(flushed.find("; change"), std::string::npos);
    EXPECT_EQ(flushed.find("\"v\"=\"1\""), std::string::npos);
    EXPECT_NE(flushed.find("\"v\"=\"2\""), std::string::npos);
    OS::DiscardRegistryCache();
    EXPECT_EQ(StringValue(*RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Durable"), u"v"), u"2");
}

TEST(RegistryLocationTest, HivesLiveInTheRootOrInTheUsualPlaces)
{
    OS::SetRegistryRoot({});
    {
        ScopedEnv root("DRAVO_REGISTRY_ROOT", "/srv/reg");
        EXPECT_EQ(OS::GetHiveFilePath(RegistryHive::LocalMachine), "/srv/reg/HKEY_LOCAL_MACHINE.reg");
        EXPECT_EQ(OS::GetHiveFilePath(RegistryHive::CurrentUser), "/srv/reg/HKEY_CURRENT_USER.reg");
    }
    ScopedEnv noRoot("DRAVO_REGISTRY_ROOT", std::nullopt);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(OS::GetHiveFilePath(RegistryHive::LocalMachine), "/etc/dravo/registry/HKEY_LOCAL_MACHINE.reg");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/home/someone/cfg");
        EXPECT_EQ(
            OS::GetHiveFilePath(RegistryHive::CurrentUser), "/home/someone/cfg/dravo/registry/HKEY_CURRENT_USER.reg");
    }
    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(
        OS::GetHiveFilePath(RegistryHive::CurrentUser), "/home/someone/.config/dravo/registry/HKEY_CURRENT_USER.reg");
    OS::SetRegistryRoot("/override");
    EXPECT_EQ(OS::GetHiveFilePath(RegistryHive::LocalMachine), "/override/HKEY_LOCAL_MACHINE.reg");
    OS::SetRegistryRoot({});
}

} // namespace
} // namespace Dravo::Test

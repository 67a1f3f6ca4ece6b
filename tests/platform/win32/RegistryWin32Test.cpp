// The registry over advapi32, as the rest of the program uses it: the keys of a
// private registry root in Wine's (or Windows') own registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <string>

#include "platform/Registry.h"
#include "platform/RegistryFileParser.h"
#include "platform/SystemError.h"

namespace Dravo::OS {
namespace {

/// A registry root of its own for each test, removed afterwards.
class RegistryWin32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = std::string("win32-registry-test/") + info->name();
        SetRegistryRoot(m_root);
        (void)DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE");
        (void)DeleteRegistryTree(RegistryHive::CurrentUser, u"Software");
    }
    void TearDown() override
    {
        (void)DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE");
        (void)DeleteRegistryTree(RegistryHive::CurrentUser, u"Software");
        SetRegistryRoot({});
    }

    std::string m_root;
};

TEST_F(RegistryWin32Test, ValuesKeepTheirTypeBytesAndSpelling)
{
    auto key = RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE\\Dravo\\Driver\\");
    ASSERT_TRUE(key) << key.GetError();
    EXPECT_EQ(key->GetPath(), u"SOFTWARE\\Dravo\\Driver");
    ASSERT_EQ(key->SetStringValue(u"SparkServerType", u"3"), ERROR_SUCCESS_CODE);
    ASSERT_EQ(key->SetValue(u"LogFileCount", REG_DWORD_TYPE, MakeRegistryDwordData(50)), ERROR_SUCCESS_CODE);
    ASSERT_EQ(key->SetValue(u"Big", REG_QWORD_TYPE, MakeRegistryQwordData(1ULL << 40)), ERROR_SUCCESS_CODE);
    ASSERT_EQ(
        key->SetValue(u"List", REG_MULTI_SZ_TYPE, MakeRegistryMultiStringData({u"a", u"bc"})), ERROR_SUCCESS_CODE);
    ASSERT_EQ(key->SetValue(u"", REG_BINARY_TYPE, std::vector<uint8_t>{0, 1, 255}), ERROR_SUCCESS_CODE);

    // Names compare without regard to case and keep the first spelling.
    auto value = key->QueryValue(u"sparkservertype");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, REG_SZ_TYPE);
    EXPECT_EQ(GetRegistryStringText(value->data), u"3");
    auto count = key->QueryValue(u"LogFileCount");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->data, MakeRegistryDwordData(50));
    auto binary = key->QueryValue(u"");
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->data, (std::vector<uint8_t>{0, 1, 255}));

    auto info = key->QueryInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->valueCount, 5U);
    EXPECT_EQ(info->maxValueNameLength, 15U);
    std::vector<std::u16string> names;
    for (uint32_t index = 0;; ++index) {
        auto entry = key->EnumValue(index);
        if (!entry) {
            EXPECT_EQ(entry.GetError(), ERROR_NO_MORE_ITEMS_CODE);
            break;
        }
        names.push_back(entry->name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"", u"Big", u"List", u"LogFileCount", u"SparkServerType"}));

    // The parents were created, and the key is found again by any spelling.
    auto parent = RegistryKey::Open(RegistryHive::LocalMachine, u"software\\DRAVO");
    ASSERT_TRUE(parent);
    auto child = parent->EnumSubKey(0);
    ASSERT_TRUE(child);
    EXPECT_EQ(*child, u"Driver");
    EXPECT_EQ(parent->EnumSubKey(1).GetError(), ERROR_NO_MORE_ITEMS_CODE);
}

TEST_F(RegistryWin32Test, FailuresGiveTheSystemsCodes)
{
    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Absent").GetError(), ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\\\Twice").GetError(), ERROR_BAD_PATHNAME_CODE);

    auto key = RegistryKey::Create(RegistryHive::CurrentUser, u"Software\\Dravo");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryValue(u"Absent").GetError(), ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(key->DeleteValue(u"Absent"), ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(key->EnumValue(0).GetError(), ERROR_NO_MORE_ITEMS_CODE);

    // A key opened for reading refuses changes.
    ASSERT_EQ(key->SetStringValue(u"Name", u"value"), ERROR_SUCCESS_CODE);
    auto reader = RegistryKey::Open(RegistryHive::CurrentUser, u"Software\\Dravo", RegistryAccess::Read);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->SetStringValue(u"Name", u"other"), ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(reader->DeleteValue(u"Name"), ERROR_ACCESS_DENIED_CODE);

    // A key with subkeys is not deleted alone, and never a hive's root.
    ASSERT_TRUE(RegistryKey::Create(RegistryHive::CurrentUser, u"Software\\Dravo\\Child"));
    EXPECT_NE(DeleteRegistryKey(RegistryHive::CurrentUser, u"Software\\Dravo"), ERROR_SUCCESS_CODE);
    EXPECT_EQ(DeleteRegistryKey(RegistryHive::CurrentUser, u""), ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(DeleteRegistryTree(RegistryHive::CurrentUser, u"Software\\Dravo"), ERROR_SUCCESS_CODE);
    EXPECT_EQ(RegistryKey::Open(RegistryHive::CurrentUser, u"Software\\Dravo").GetError(), ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(DeleteRegistryTree(RegistryHive::CurrentUser, u"Software\\Dravo"), ERROR_FILE_NOT_FOUND_CODE);
}

TEST_F(RegistryWin32Test, RootsKeepTestsApart)
{
    ASSERT_TRUE(RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE\\OnlyHere"));
    SetRegistryRoot(m_root + "-other");
    EXPECT_EQ(
        RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\OnlyHere").GetError(), ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_NE(GetHiveFilePath(RegistryHive::LocalMachine).find("HKEY_LOCAL_MACHINE"), std::string::npos);
    SetRegistryRoot(m_root);
    EXPECT_TRUE(RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\OnlyHere"));
}

TEST_F(RegistryWin32Test, ExportedTreesImportAgainUnchanged)
{
    auto key = RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE\\Dravo\\Driver");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetStringValue(u"Quote\"And\\Slash", u"line\r\nbreak"), ERROR_SUCCESS_CODE);
    ASSERT_EQ(key->SetValue(u"Count", REG_DWORD_TYPE, MakeRegistryDwordData(7)), ERROR_SUCCESS_CODE);
    ASSERT_TRUE(RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE\\Dravo\\Driver\\Sub"));

    auto exported = ExportRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE\\Dravo");
    ASSERT_TRUE(exported);
    EXPECT_EQ(exported->rfind("Windows Registry Editor Version 5.00\r\n", 0), 0U);
    EXPECT_NE(exported->find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver]\r\n"), std::string::npos);
    EXPECT_NE(exported->find("\"Count\"=dword:00000007\r\n"), std::string::npos);

    RegistryFileParser parser;
    ASSERT_TRUE(parser.Parse(*exported)) << parser.GetError().message;
    const std::vector<RegistryChange> changes = parser.TakeChanges();
    SetRegistryRoot(m_root + "-import");
    (void)DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE");
    ASSERT_EQ(ApplyRegistryChanges(changes), ERROR_SUCCESS_CODE);
    auto imported = ExportRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE\\Dravo");
    (void)DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE");
    SetRegistryRoot(m_root);
    ASSERT_TRUE(imported);
    EXPECT_EQ(*imported, *exported);
}

TEST_F(RegistryWin32Test, AWriteTheSystemRefusesGivesItsOwnText)
{
    auto key = RegistryKey::Create(RegistryHive::CurrentUser, u"Software\\Dravo\\Locked");
    ASSERT_TRUE(key);
    key->Close();
    // Everyone may read the key; nobody may change it.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    auto writer = RegistryKey::Open(RegistryHive::CurrentUser, u"Software\\Dravo\\Locked", RegistryAccess::Full);
    ASSERT_TRUE(writer);
    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER,
                  (L"Software\\Dravo\\Registry Roots\\" + std::wstring(m_root.begin(), m_root.end())
                      + L"\\HKEY_CURRENT_USER\\Software\\Dravo\\Locked")
                      .c_str(),
                  0, WRITE_DAC | KEY_READ, &raw),
        ERROR_SUCCESS);
    ASSERT_EQ(::RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    ::RegCloseKey(raw);
    ::LocalFree(descriptor);

    const auto refused = RegistryKey::Open(RegistryHive::CurrentUser, u"Software\\Dravo\\Locked", RegistryAccess::Full);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.GetError(), ERROR_ACCESS_DENIED_CODE);
    // The text is the system's own, as FormatMessageW gives it.
    wchar_t buffer[512] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        ERROR_ACCESS_DENIED, 0, buffer, 512, nullptr);
    ASSERT_GT(length, 0U);
    EXPECT_EQ(GetSystemErrorMessage(ERROR_ACCESS_DENIED_CODE),
        std::u16string(reinterpret_cast<const char16_t*>(buffer), length));
    // Reading is still allowed.
    EXPECT_TRUE(RegistryKey::Open(RegistryHive::CurrentUser, u"Software\\Dravo\\Locked", RegistryAccess::Read));
}

} // namespace
} // namespace Dravo::OS

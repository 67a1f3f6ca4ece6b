// The registry with the driver key mounted on the driver's ini file: where the
// file is, what the registry calls do to it (and to nothing else), the
// transaction that writes a save as one replace, and the files it must not
// write or follow.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileFaults.h"
#include "platform/RegistryFileParser.h"
#include "platform/RegistryTransaction.h"
#include "platform/posix/DurableFile.h"
#include "tests/common/UnprivilegedRun.h"
#include "tests/platform/RegistryTestSupport.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view DRIVER_KEY = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

class DriverConfigurationTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ::unsetenv("SPARKINI");
        OS::MountDriverConfiguration({std::u16string(DRIVER_KEY), "SPARKINI", ".vezuravuz.ini"});
    }
    void TearDown() override
    {
        OS::UnmountDriverConfiguration();
        ::unsetenv("SPARKINI");
        OS::DiscardRegistryCache();
        RegistryTest::TearDown();
    }

    [[nodiscard]] std::string MachineFile() const { return (m_root.Path() / "vezuravuz.ini").string(); }
    [[nodiscard]] std::string UserFile() const { return (m_root.Path() / ".vezuravuz.ini").string(); }

    static OS::ErrorCode Set(
        const std::u16string& name, const std::u16string& text, OS::RegistryHive hive = OS::RegistryHive::LocalMachine)
    {
        auto key = OS::RegistryKey::Create(hive, std::u16string(DRIVER_KEY));
        return key ? key->SetStringValue(name, text) : key.GetError();
    }

    static std::u16string Get(const std::u16string& name, OS::RegistryHive hive = OS::RegistryHive::LocalMachine)
    {
        auto key = OS::RegistryKey::Open(hive, std::u16string(DRIVER_KEY));
        return key ? StringValue(*key, name) : u"<no key>";
    }

    static ino_t Inode(const std::string& path)
    {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
    }
};

TEST_F(DriverConfigurationTest, TheDriverKeyLivesInTheIniFileAndEveryOtherKeyInTheHive)
{
    ASSERT_EQ(Set(u"SparkServerType", u"3"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(Set(u"LogLevel", u"6", OS::RegistryHive::CurrentUser), OS::ERROR_SUCCESS_CODE);
    auto other = CreateKey(u"SOFTWARE\\Other Vendor");
    ASSERT_EQ(other.SetStringValue(u"Setting", u"kept"), OS::ERROR_SUCCESS_CODE);

    EXPECT_EQ(ReadFile(MachineFile()), "[Driver]\nSparkServerType=3\n");
    EXPECT_EQ(ReadFile(UserFile()), "[Driver]\nLogLevel=6\n");
    EXPECT_EQ(ReadFile(HivePath()).find("SparkServerType"), std::string::npos);
    EXPECT_NE(ReadFile(HivePath()).find("Other Vendor"), std::string::npos);
    EXPECT_EQ(
        OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, u"software\\dravo\\dravo spark odbc driver\\DRIVER"),
        MachineFile());
    EXPECT_EQ(OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Other Vendor"), HivePath());
    struct stat status {};
    ASSERT_EQ(::stat(MachineFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644U) << "every user's driver reads it";

    // The file the environment variable names is both keys.
    const std::string named = (m_root.Path() / "named.ini").string();
    ::setenv("SPARKINI", named.c_str(), 1);
    ASSERT_EQ(Set(u"UID", u"alice", OS::RegistryHive::CurrentUser), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(Get(u"UID"), u"alice");
    EXPECT_EQ(Get(u"SparkServerType"), u"<missing>");
    EXPECT_EQ(ReadFile(named), "[Driver]\nUID=alice\n");
    ::unsetenv("SPARKINI");

    // Unmounted, the hive's own driver key (empty here) is back.
    OS::UnmountDriverConfiguration();
    EXPECT_EQ(Get(u"SparkServerType"), u"<no key>");
}

TEST_F(DriverConfigurationTest, ValuesAreTextNumbersReadBackAsTextWhatTheFileCannotHoldIsRefused)
{
    WriteFile(MachineFile(), "; by hand\r\n[driver]\r\nSparkServerType = 2\r\n");
    auto key = CreateKey(std::u16string(DRIVER_KEY));
    ASSERT_EQ(key.SetValue(u"LogFileCount", OS::REG_DWORD_TYPE, OS::MakeRegistryDwordData(50)), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(key.SetValue(u"Big", OS::REG_QWORD_TYPE, OS::MakeRegistryQwordData(1ULL << 40)), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(
        key.SetValue(u"Path", OS::REG_EXPAND_SZ_TYPE, OS::MakeRegistryStringData(u"%HOME%/x")), OS::ERROR_SUCCESS_CODE);
    const auto count = key.QueryValue(u"logfilecount");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->type, OS::REG_SZ_TYPE);
    EXPECT_EQ(OS::GetRegistryStringText(count->data), u"50");
    const std::string written = "; by hand\r\n[driver]\r\nSparkServerType = 2\r\nLogFileCount=50\r\n"
                                "Big=1099511627776\r\nPath=%HOME%/x\r\n";
    EXPECT_EQ(ReadFile(MachineFile()), written);

    struct Refused {
        const char* what;
        std::u16string name;
        OS::RegistryValueType type;
        std::vector<uint8_t> data;
    } refused[] = {
        {"binary", u"Blob", OS::REG_BINARY_TYPE, {1, 2, 3}},
        {"multi-string", u"List", OS::REG_MULTI_SZ_TYPE, OS::MakeRegistryMultiStringData({u"a", u"b"})},
        {"a line break", u"UID", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"a\nb")},
        {"a trailing blank", u"KrbServiceName", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"spark ")},
        {"a NUL inside", u"UID", OS::REG_SZ_TYPE, {'a', 0, 0, 0, 'b', 0, 0, 0}},
        {"a short dword", u"Count", OS::REG_DWORD_TYPE, {1, 0}},
        {"the default value", u"", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"x")},
        {"a name with =", u"A=B", OS::REG_SZ_TYPE, OS::MakeRegistryStringData(u"x")},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(key.SetValue(r.name, r.type, r.data), OS::ERROR_INVALID_PARAMETER_CODE);
        const std::string diagnostic = OS::GetRegistryDiagnostic();
        EXPECT_NE(diagnostic.find(MachineFile()), std::string::npos) << diagnostic;
        EXPECT_NE(diagnostic.find("\"" + std::string(r.name.begin(), r.name.end()) + "\""), std::string::npos)
            << diagnostic;
    }
    EXPECT_EQ(ReadFile(MachineFile()), written);
}

TEST_F(DriverConfigurationTest, NamesCompareAsWindowsComparesThemAndNoFurther)
{
    // "KrbRealm" with a Kelvin sign, and a sharp s: full case folding would
    // take them for "KrbRealm" and "STRASSE".
    const std::string text = "[Driver]\n\xE2\x84\xAArbRealm=kelvin\nKrbRealm=ascii\nStra\xC3\x9F"
                             "e=kept\n";
    WriteFile(MachineFile(), text);
    EXPECT_EQ(Get(u"KRBREALM"), u"ascii");
    EXPECT_EQ(Get(u"\x212ArbRealm"), u"kelvin");
    ASSERT_EQ(Set(u"krbrealm", u"EXAMPLE.COM"), OS::ERROR_SUCCESS_CODE);
    auto key =
        OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY), OS::RegistryAccess::Full);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->DeleteValue(u"STRASSE"), OS::ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(ReadFile(MachineFile()),
        "[Driver]\n\xE2\x84\xAArbRealm=kelvin\nKrbRealm=EXAMPLE.COM\nStra\xC3\x9F"
        "e=kept\n");
    // Simple upper-casing still matches letters beyond ASCII.
    ASSERT_EQ(Set(u"\x00E9t\x00E9", u"1"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(Set(u"\x00C9T\x00C9", u"2"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(Get(u"\x00E9T\x00E9"), u"2");

    // The hives compare the same way.
    auto other = CreateKey(u"SOFTWARE\\Other Vendor");
    ASSERT_EQ(other.SetStringValue(u"Stra\x00DF"
                                   u"e",
                  u"1"),
        OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(other.SetStringValue(u"STRASSE", u"2"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(StringValue(other,
                  u"stra\x00DF"
                  u"e"),
        u"1");
    EXPECT_EQ(StringValue(other, u"strasse"), u"2");
}

TEST_F(DriverConfigurationTest, AValueTheFileCouldNotTakeAsNewCanBeSavedAsItWas)
{
    // Put there by hand: a text ending in a no-break space, which readers
    // that strip Unicode blanks would read without it.
    const std::string text = "[Driver]\nKrbRealm=EXAMPLE.COM\xC2\xA0\n";
    WriteFile(MachineFile(), text);
    EXPECT_EQ(Set(u"KrbRealm", u"EXAMPLE.COM\x00A0"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(Set(u"KrbRealm", u"OTHER.COM\x00A0"), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(Set(u"UID", u"operator\x2028"), OS::ERROR_INVALID_PARAMETER_CODE);
    // The same text with more after a NUL is not the same.
    std::vector<uint8_t> longer = OS::MakeRegistryStringData(u"EXAMPLE.COM\x00A0");
    longer.insert(longer.end(), {'x', 0, 0, 0});
    auto key = CreateKey(std::u16string(DRIVER_KEY));
    EXPECT_EQ(key.SetValue(u"KrbRealm", OS::REG_SZ_TYPE, longer), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(ReadFile(MachineFile()), text);
}

TEST_F(DriverConfigurationTest, ATransactionWritesEverythingAsOneReplaceOrNothing)
{
    WriteFile(MachineFile(), "[Driver]\nAuthMech=3\nUID=operator\n[ODBC]\nTrace=No\n");
    const ino_t before = Inode(MachineFile());
    {
        OS::RegistryTransaction transaction;
        ASSERT_EQ(Set(u"AuthMech", u"1"), OS::ERROR_SUCCESS_CODE);
        ASSERT_EQ(Set(u"KrbRealm", u"EXAMPLE.COM"), OS::ERROR_SUCCESS_CODE);
        auto key =
            OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY), OS::RegistryAccess::Full);
        ASSERT_TRUE(key);
        ASSERT_EQ(key->DeleteValue(u"uid"), OS::ERROR_SUCCESS_CODE);
        EXPECT_EQ(key->Flush(), OS::ERROR_SUCCESS_CODE);
        // This process reads its own changes; the file has none of them yet.
        EXPECT_EQ(Get(u"AuthMech"), u"1");
        EXPECT_EQ(Get(u"UID"), u"<missing>");
        EXPECT_EQ(Inode(MachineFile()), before);

        // Another writer meanwhile: what it changes and the save does not stays.
        WriteFile(MachineFile(), "[Driver]\nAuthMech=3\nUID=operator\nSSL=1\n[ODBC]\nTrace=Yes\n");
        EXPECT_EQ(transaction.Commit(), OS::ERROR_SUCCESS_CODE);
    }
    EXPECT_EQ(ReadFile(MachineFile()), "[Driver]\nAuthMech=1\nSSL=1\nKrbRealm=EXAMPLE.COM\n[ODBC]\nTrace=Yes\n");

    // Not committed: nothing reaches the file, and nothing is read back.
    const std::string committed = ReadFile(MachineFile());
    {
        OS::RegistryTransaction transaction;
        ASSERT_EQ(Set(u"AuthMech", u"0"), OS::ERROR_SUCCESS_CODE);
    }
    EXPECT_EQ(Get(u"AuthMech"), u"1");
    EXPECT_EQ(ReadFile(MachineFile()), committed);

    // A file that stopped being text before the commit is not written over.
    {
        OS::RegistryTransaction transaction;
        ASSERT_EQ(Set(u"AuthMech", u"0"), OS::ERROR_SUCCESS_CODE);
        WriteFile(MachineFile(), std::string("[Driver]\nAuthMech=\0\n", 19));
        EXPECT_EQ(transaction.Commit(), OS::ERROR_BADDB_CODE);
        EXPECT_NE(OS::GetRegistryDiagnostic().find(MachineFile() + ", line 2: "), std::string::npos)
            << OS::GetRegistryDiagnostic();
    }
    EXPECT_EQ(ReadFile(MachineFile()), std::string("[Driver]\nAuthMech=\0\n", 19));
}

TEST_F(DriverConfigurationTest, AFileThatIsNoTextIsNamedAndNeverWritten)
{
    const std::string broken = "[Driver]\nUID=\xC3\x28\n";
    WriteFile(MachineFile(), broken);
    const auto opened = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY));
    EXPECT_EQ(opened.GetError(), OS::ERROR_BADDB_CODE);
    EXPECT_EQ(OS::GetRegistryDiagnostic(), MachineFile() + ", line 2: the line is not valid UTF-8 text");
    EXPECT_EQ(Set(u"UID", u"alice"), OS::ERROR_BADDB_CODE);
    EXPECT_EQ(
        OS::DeleteRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo"), OS::ERROR_FILE_NOT_FOUND_CODE);
    EXPECT_EQ(ReadFile(MachineFile()), broken);
}

TEST_F(DriverConfigurationTest, ModeOwnerAndSymbolicLinksAreKept)
{
    // A link, as /etc/name.ini pointing into the driver's folder: the
    // target is replaced, the link stays a link.
    fs::create_directory(m_root.Path() / "driver");
    const std::string target = (m_root.Path() / "driver" / "real.ini").string();
    WriteFile(target, "[Driver]\nUID=a\n");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("driver/real.ini", MachineFile());
    ASSERT_EQ(Set(u"UID", u"b"), OS::ERROR_SUCCESS_CODE);
    EXPECT_TRUE(fs::is_symlink(MachineFile()));
    EXPECT_EQ(ReadFile(target), "[Driver]\nUID=b\n");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640U);
    EXPECT_TRUE(fs::is_empty(m_root.Path() / "driver") == false);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root.Path() / "driver"), fs::directory_iterator()), 1)
        << "no file left beside it";

    // A dangling link: the file is made at its target.
    fs::remove(MachineFile());
    fs::create_symlink("driver/new.ini", MachineFile());
    ASSERT_EQ(Set(u"UID", u"c"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(ReadFile((m_root.Path() / "driver" / "new.ini").string()), "[Driver]\nUID=c\n");

    if (::geteuid() != 0) {
        GTEST_SKIP() << "the rest needs root to give files to another user";
    }
    // Owned by another user: root keeps the owner.
    fs::remove(MachineFile());
    WriteFile(MachineFile(), "[Driver]\n");
    ASSERT_EQ(::chown(MachineFile().c_str(), 65534, 65534), 0);
    ASSERT_EQ(Set(u"UID", u"d"), OS::ERROR_SUCCESS_CODE);
    ASSERT_EQ(::stat(MachineFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534U);
    EXPECT_EQ(status.st_gid, 65534U);

    // A link another user planted is not followed by root.
    fs::remove(MachineFile());
    fs::create_symlink(target, MachineFile());
    ASSERT_EQ(::lchown(MachineFile().c_str(), 65534, 65534), 0);
    const std::string kept = ReadFile(target);
    EXPECT_EQ(Set(u"UID", u"e"), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find("symbolic link of another user"), std::string::npos)
        << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile(target), kept);
}

TEST_F(DriverConfigurationTest, KeysAboveTheDriverKeySeeItAndKeysBelowItCannotBeMade)
{
    WriteFile(MachineFile(), "[Driver]\nUID=operator\n");
    auto vendor = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver");
    ASSERT_TRUE(vendor) << "there by the file's driver key alone";
    const auto name = vendor->EnumSubKey(0);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, u"Driver");
    EXPECT_EQ(vendor->QueryInfo()->subKeyCount, 1U);
    CreateKey(u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Setup");
    CreateKey(u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Alpha");
    EXPECT_EQ(*vendor->EnumSubKey(0), u"Alpha");
    EXPECT_EQ(*vendor->EnumSubKey(1), u"Driver");
    EXPECT_EQ(*vendor->EnumSubKey(2), u"Setup");
    EXPECT_EQ(vendor->EnumSubKey(3).GetError(), OS::ERROR_NO_MORE_ITEMS_CODE);

    const auto below = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY) + u"\\Sub");
    EXPECT_EQ(below.GetError(), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find(MachineFile()), std::string::npos);

    const auto exported = OS::ExportRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo");
    ASSERT_TRUE(exported);
    EXPECT_NE(exported->find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                             "\"UID\"=\"operator\"\r\n"),
        std::string::npos)
        << *exported;
    EXPECT_NE(exported->find("Setup]"), std::string::npos) << *exported;

    // A tree deleted above takes the driver key along, and only that of the file.
    WriteFile(MachineFile(), "; kept\n[Driver]\nUID=operator\n[ODBC]\nTrace=No\n");
    EXPECT_EQ(OS::DeleteRegistryKey(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver"),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::DeleteRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(ReadFile(MachineFile()), "; kept\n[ODBC]\nTrace=No\n");
    EXPECT_EQ(OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo").GetError(),
        OS::ERROR_FILE_NOT_FOUND_CODE);
}

TEST_F(DriverConfigurationTest, AWindowsExportOfTheDriverKeyImportsIntoTheFileAndBack)
{
    WriteFile(MachineFile(), "# the driver's settings\n[Driver]\nLogLevel=2\n");
    const std::string windowsExport = "Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                                      "\"SparkServerType\"=\"3\"\r\n"
                                      "\"LogFileCount\"=dword:00000032\r\n"
                                      "\"LogLevel\"=-\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other Vendor]\r\n"
                                      "\"Setting\"=\"in the hive\"\r\n";
    OS::RegistryFileParser parser;
    ASSERT_TRUE(parser.Parse(windowsExport));
    ASSERT_EQ(OS::ApplyRegistryChanges(parser.TakeChanges()), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(ReadFile(MachineFile()), "# the driver's settings\n[Driver]\nSparkServerType=3\nLogFileCount=50\n");
    EXPECT_EQ(StringValue(CreateKey(u"SOFTWARE\\Other Vendor"), u"Setting"), u"in the hive");

    const auto exported = OS::ExportRegistryTree(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY));
    ASSERT_TRUE(exported);
    EXPECT_EQ(*exported,
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
        "\"SparkServerType\"=\"3\"\r\n\"LogFileCount\"=\"50\"\r\n\r\n");

    // What the file cannot hold stops the whole import before anything is written.
    OS::RegistryFileParser binary;
    ASSERT_TRUE(binary.Parse("Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Imported]\r\n\"A\"=\"1\"\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                             "\"Blob\"=hex:01,02\r\n"));
    EXPECT_EQ(OS::ApplyRegistryChanges(binary.TakeChanges()), OS::ERROR_INVALID_PARAMETER_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find("\"Blob\""), std::string::npos) << OS::GetRegistryDiagnostic();
    EXPECT_EQ(OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Imported").GetError(),
        OS::ERROR_FILE_NOT_FOUND_CODE);
}

TEST_F(DriverConfigurationTest, AMissingDirectoryOrAFileThisUserMayNotReplaceIsRefused)
{
    ::setenv("SPARKINI", (m_root.Path() / "missing" / "spark.ini").c_str(), 1);
    EXPECT_EQ(Get(u"UID"), u"<no key>") << "no file is no key, not an error";
    EXPECT_EQ(Set(u"UID", u"a"), OS::ERROR_PATH_NOT_FOUND_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find("missing/spark.ini: the directory "), std::string::npos)
        << OS::GetRegistryDiagnostic();
    EXPECT_FALSE(fs::exists(m_root.Path() / "missing"));
    ::unsetenv("SPARKINI");

    // Outside /etc a new file keeps what the umask allows: only /etc's
    // files must be readable by every user's driver whatever the umask.
    const mode_t umask = ::umask(077);
    EXPECT_EQ(Set(u"UID", u"a"), OS::ERROR_SUCCESS_CODE);
    ::umask(umask);
    struct stat status {};
    ASSERT_EQ(::stat(MachineFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600U);
}

/// An extended attribute's bytes, or "<none>".
std::string Attribute(const std::string& path, const char* name)
{
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    return size < 0 ? "<none>" : value.substr(0, static_cast<size_t>(size));
}

std::atomic<int> g_lockWaitNotices{0};

TEST_F(DriverConfigurationTest, ASaveKeepsTheAccessAclAndExtendedAttributesOrIsRefused)
{
    WriteFile(MachineFile(), "[Driver]\nUID=a\n");
    ::chmod(MachineFile().c_str(), 0640);
    // A service account may read and write the file through the ACL alone.
    ASSERT_EQ(std::system(("setfacl -m u:65534:rw '" + MachineFile() + "'").c_str()), 0) << "setfacl is needed";
    ASSERT_EQ(::setxattr(MachineFile().c_str(), "user.origin", "ops", 3, 0), 0);
    const std::string acl = Attribute(MachineFile(), "system.posix_acl_access");
    struct stat before {};
    ASSERT_EQ(::stat(MachineFile().c_str(), &before), 0);

    ASSERT_EQ(Set(u"UID", u"b"), OS::ERROR_SUCCESS_CODE) << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile(MachineFile()), "[Driver]\nUID=b\n");
    EXPECT_EQ(Attribute(MachineFile(), "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(MachineFile(), "user.origin"), "ops");
    struct stat after {};
    ASSERT_EQ(::stat(MachineFile().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced";
    EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777) << "the ACL's mask stays the group's bits";

    // What cannot be given to the new file stops the save before the rename.
    OS::SetFileFaultHook([](OS::FileOperation operation, const std::u16string&) {
        return operation == OS::FileOperation::SetAttributes ? OS::ERROR_ACCESS_DENIED_CODE : OS::ERROR_SUCCESS_CODE;
    });
    EXPECT_EQ(Set(u"UID", u"c"), OS::ERROR_ACCESS_DENIED_CODE);
    OS::SetFileFaultHook(nullptr);
    EXPECT_NE(
        OS::GetRegistryDiagnostic().find("cannot give the new file the attributes of the old one"), std::string::npos)
        << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile(MachineFile()), "[Driver]\nUID=b\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root.Path()), fs::directory_iterator()), 1)
        << "nothing left beside it";
}

TEST_F(DriverConfigurationTest, ASaveRunningOutOfSpaceAnywhereLeavesTheFileAsItWas)
{
    const std::string initial = "; kept\n[Driver]\nUID=a\nPWD=x\n\n[Other]\nKept=1\n";
    WriteFile(MachineFile(), initial);
    size_t failures = 0;
    for (int64_t room = 0;; ++room) {
        OS::SetFileWriteBudget(room);
        OS::RegistryTransaction transaction;
        ASSERT_EQ(Set(u"UID", u"administrator"), OS::ERROR_SUCCESS_CODE);
        ASSERT_EQ(Set(u"KrbRealm", u"EXAMPLE.COM"), OS::ERROR_SUCCESS_CODE);
        const OS::ErrorCode committed = transaction.Commit();
        OS::SetFileWriteBudget(-1);
        if (committed == OS::ERROR_SUCCESS_CODE) {
            break;
        }
        ++failures;
        ASSERT_EQ(committed, OS::ERROR_DISK_FULL_CODE) << OS::GetRegistryDiagnostic();
        EXPECT_NE(
            OS::GetRegistryDiagnostic().find("cannot write the new file: No space left on device"), std::string::npos)
            << OS::GetRegistryDiagnostic();
        ASSERT_EQ(ReadFile(MachineFile()), initial);
        ASSERT_EQ(std::distance(fs::directory_iterator(m_root.Path()), fs::directory_iterator()), 1);
        ASSERT_LT(room, 1000);
    }
    EXPECT_EQ(failures, ReadFile(MachineFile()).size()) << "every byte of the new file can be the one that fails";
    EXPECT_EQ(ReadFile(MachineFile()),
        "; kept\n[Driver]\nUID=administrator\nPWD=x\nKrbRealm=EXAMPLE.COM\n\n"
        "[Other]\nKept=1\n");
}

TEST_F(DriverConfigurationTest, ALockHeldByAnotherProgramStopsTheSaveAfterABoundedWait)
{
    WriteFile(MachineFile(), "[Driver]\nUID=a\n");
    // Any user who may read the file may take the lock.
    const int reader = ::open(MachineFile().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);
    OS::SetLockWaitNotice([](const std::string&) { ++g_lockWaitNotices; });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Set(u"UID", u"b"), OS::ERROR_LOCK_VIOLATION_CODE);
    const auto waited = std::chrono::steady_clock::now() - started;
    OS::SetLockWaitNotice(nullptr);
    ::close(reader);
    EXPECT_GE(waited, OS::LOCK_WAIT_LIMIT);
    EXPECT_EQ(g_lockWaitNotices.load(), 1) << "told once what is waited for";
    EXPECT_NE(OS::GetRegistryDiagnostic().find("another program holds the driver configuration file locked"),
        std::string::npos)
        << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile(MachineFile()), "[Driver]\nUID=a\n");
    ASSERT_EQ(Set(u"UID", u"b"), OS::ERROR_SUCCESS_CODE) << "saved once the lock is gone";
}

TEST_F(DriverConfigurationTest, ANameTooLongForTheUsualTemporaryNameIsSaved)
{
    const std::string path = (m_root.Path() / (std::string(250, 'n') + ".ini")).string();
    ::setenv("SPARKINI", path.c_str(), 1);
    ASSERT_EQ(Set(u"UID", u"a"), OS::ERROR_SUCCESS_CODE) << OS::GetRegistryDiagnostic();
    ASSERT_EQ(Set(u"UID", u"b"), OS::ERROR_SUCCESS_CODE) << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile(path), "[Driver]\nUID=b\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root.Path()), fs::directory_iterator()), 1);
}

TEST_F(DriverConfigurationTest, AnotherUsersLinkOnTheWayAndAGroupThatCannotBeKeptAreRefused)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give files and links to another user";
    }
    // rootlink -> theirs/conf/v.ini, where theirs/conf is another user's link
    // to a folder of theirs: root's save must not follow it.
    const fs::path theirs = m_root.Path() / "theirs";
    fs::create_directories(theirs / "real");
    WriteFile((theirs / "real" / "v.ini").string(), "[Driver]\nUID=theirs\n");
    fs::create_directory_symlink("real", theirs / "conf");
    ASSERT_EQ(::lchown((theirs / "conf").c_str(), 65534, 65534), 0);
    fs::create_symlink(theirs / "conf" / "v.ini", MachineFile());
    EXPECT_EQ(Set(u"UID", u"root"), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_NE(OS::GetRegistryDiagnostic().find((theirs / "conf").string() + " is a symbolic link of another user"),
        std::string::npos)
        << OS::GetRegistryDiagnostic();
    EXPECT_EQ(ReadFile((theirs / "real" / "v.ini").string()), "[Driver]\nUID=theirs\n");

    // A user's own file whose group they are not in: a file they write could
    // not keep the group, which they are told before anything is done.
    fs::remove(MachineFile());
    WriteFile(MachineFile(), "[Driver]\n");
    ASSERT_EQ(::chown(MachineFile().c_str(), 65534, 54321), 0);
    ASSERT_EQ(::chown(m_root.Path().c_str(), 65534, 65534), 0);
    const std::string report = RunUnprivileged([] {
        const OS::ErrorCode writable = OS::CheckRegistryKeyWritable(OS::RegistryHive::LocalMachine, DRIVER_KEY);
        return std::to_string(writable) + " " + OS::GetRegistryDiagnostic();
    });
    EXPECT_NE(report.find("5 "), std::string::npos) << report;
    EXPECT_NE(report.find("belongs to a group this user is not in"), std::string::npos) << report;
}

TEST(DurableFileRaceTest, FirstSavesToAMissingFileAtOnceAllSucceed)
{
    // A first save writes its new file before any lock exists; another
    // writer's save under the lock may take it for one a killed writer left.
    const TempDir directory;
    const std::string path = (directory.Path() / "odbc.ini").string();
    constexpr int WRITERS = 4;
    constexpr int ROUNDS = 20;
    for (int round = 0; round < ROUNDS; ++round) {
        std::filesystem::remove(path);
        std::vector<pid_t> children;
        for (int writer = 0; writer < WRITERS; ++writer) {
            const pid_t child = ::fork();
            if (child == 0) {
                const OS::DurableFile file(path, OS::DurableFileRules{"the data source file", true, false, 0600});
                int failed = 0;
                for (int save = 0; save < 3; ++save) {
                    const std::string line = "[W" + std::to_string(writer) + "S" + std::to_string(save) + "]\n";
                    failed += file.Update([&](const OS::FileContents& current, std::optional<std::string>& text) {
                        text = current.bytes + line;
                        return OS::ERROR_SUCCESS_CODE;
                    }) != OS::ERROR_SUCCESS_CODE;
                }
                ::_exit(failed);
            }
            children.push_back(child);
        }
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        std::ifstream in(path, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (int writer = 0; writer < WRITERS; ++writer) {
            for (int save = 0; save < 3; ++save) {
                EXPECT_NE(
                    text.find("[W" + std::to_string(writer) + "S" + std::to_string(save) + "]\n"), std::string::npos)
                    << text;
            }
        }
    }
}

} // namespace
} // namespace Dravo::Test

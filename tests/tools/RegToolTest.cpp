// dravo-reg as administrators and scripts use it: reg's syntax, output,
// prompts and exit codes, over real hive files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"
#include "tools/dravo-reg/RegTool.h"

namespace Dravo::Test {
namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class RegToolTest : public testing::Test {
protected:
    void SetUp() override
    {
        OS::SetRegistryRoot(m_root.Path().string());
        OS::DiscardRegistryCache();
    }
    void TearDown() override { OS::SetRegistryRoot({}); }

    static Result Reg(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        Tools::RegTool tool(in, out, err);
        Result result;
        result.exitCode = tool.Run(arguments);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    static void ExpectDone(const Result& result)
    {
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "The operation completed successfully.\n");
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TempDir m_root;
};

constexpr const char* KEY = "HKLM\\SOFTWARE\\Dravo\\Driver";

/// A registry file as Windows exports it: UTF-16LE with a byte-order mark.
std::string WindowsExportBytes(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}
constexpr const char* NOT_FOUND = "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(RegToolTest, AddsEveryTypeAndQueriesItInRegsFormat)
{
    ExpectDone(Reg({"add", KEY, "/v", "SparkServerType", "/d", "3"}));
    ExpectDone(Reg({"ADD", KEY, "/v", "LogFileCount", "/t", "reg_dword", "/d", "50"}));
    ExpectDone(Reg({"add", KEY, "-v", "Mask", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"}));
    ExpectDone(Reg({"add", KEY, "/v", "Big", "/t", "REG_QWORD", "/d", "18446744073709551615"}));
    ExpectDone(Reg({"add", KEY, "/v", "Bytes", "/t", "REG_BINARY", "/d", "00ff7A"}));
    ExpectDone(Reg({"add", KEY, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a,b c", "/s", ","}));
    ExpectDone(Reg({"add", KEY, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\logs"}));
    ExpectDone(Reg({"add", KEY, "/ve", "/d", "default"}));
    ExpectDone(Reg({"add", std::string(KEY) + "\\Sub"}));

    const Result query = Reg({"query", "hkey_local_machine\\SOFTWARE\\Dravo\\Driver"});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_EQ(query.out,
        "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver\n"
        "    SparkServerType    REG_SZ    3\n"
        "    LogFileCount    REG_DWORD    0x32\n"
        "    Mask    REG_DWORD    0xffffffff\n"
        "    Big    REG_QWORD    0xffffffffffffffff\n"
        "    Bytes    REG_BINARY    00FF7A\n"
        "    List    REG_MULTI_SZ    a\\0b c\n"
        "    Path    REG_EXPAND_SZ    %HOME%\\logs\n"
        "    (Default)    REG_SZ    default\n"
        "\n"
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver\\Sub\n"
        "\n");

    const Result one = Reg({"query", KEY, "/v", "logfilecount"});
    EXPECT_EQ(one.out, "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver\n    LogFileCount    REG_DWORD    0x32\n\n");
    const Result unset = Reg({"query", std::string(KEY) + "\\Sub", "/ve"});
    EXPECT_EQ(unset.exitCode, 0);
    EXPECT_NE(unset.out.find("    (Default)    REG_SZ    (value not set)\n"), std::string::npos);

    const Result recursive = Reg({"query", "HKLM\\SOFTWARE", "/s"});
    EXPECT_NE(recursive.out.find("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver\\Sub\n"), std::string::npos);
    EXPECT_NE(recursive.out.find("    SparkServerType    REG_SZ    3\n"), std::string::npos);
}

TEST_F(RegToolTest, BadCommandsFailWithRegsMessagesAndWriteNothing)
{
    EXPECT_EQ(Reg({"query", KEY}).err, NOT_FOUND);
    EXPECT_EQ(Reg({"query", KEY}).exitCode, 1);
    ExpectDone(Reg({"add", KEY, "/v", "x", "/d", "1"}));
    EXPECT_EQ(Reg({"query", KEY, "/v", "y"}).err, NOT_FOUND);

    const Result root = Reg({"query", "HKCR\\Something"});
    EXPECT_EQ(root.exitCode, 1);
    EXPECT_EQ(root.err.rfind("ERROR: Invalid key name.\n", 0), 0U);
    for (const std::vector<std::string>& bad :
        std::vector<std::vector<std::string>>{{"query"}, {"query", KEY, "/v", "x", "/ve"}, {"query", KEY, "/x"},
            {"add", KEY, "/v"}, {"delete", KEY, "/v", "x", "/va"}, {"export", KEY}, {"import"}, {"frobnicate"}}) {
        const Result result = Reg(bad);
        EXPECT_EQ(result.exitCode, 1) << bad[0];
        EXPECT_EQ(result.err.rfind("ERROR: Invalid syntax.\n", 0), 0U) << result.err;
    }
    for (const char* number : {"4294967296", "-1", "12abc", "0x", ""}) {
        const Result result = Reg({"add", KEY, "/v", "n", "/t", "REG_DWORD", "/d", number, "/f"});
        EXPECT_EQ(result.exitCode, 1) << number;
    }
    EXPECT_EQ(Reg({"add", KEY, "/v", "b", "/t", "REG_BINARY", "/d", "abc"}).exitCode, 1);
    EXPECT_EQ(Reg({"add", KEY, "/v", "t", "/t", "REG_LINK", "/d", "x"}).exitCode, 1);
    EXPECT_EQ(Reg({"query", KEY, "/v", "n"}).err, NOT_FOUND);
}

TEST_F(RegToolTest, ChangesToExistingDataAskFirstUnlessForced)
{
    ExpectDone(Reg({"add", KEY, "/v", "x", "/d", "old"}));
    const Result declined = Reg({"add", KEY, "/v", "x", "/d", "new"}, "no\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.out, "Value x exists, overwrite (Yes/No)? The operation was canceled by the user.\n");
    EXPECT_NE(Reg({"query", KEY, "/v", "x"}).out.find("REG_SZ    old"), std::string::npos);
    EXPECT_EQ(Reg({"add", KEY, "/v", "x", "/d", "new"}, "yes\n").exitCode, 0);
    EXPECT_NE(Reg({"query", KEY, "/v", "x"}).out.find("REG_SZ    new"), std::string::npos);

    ExpectDone(Reg({"add", KEY, "/v", "y", "/d", "1"}));
    EXPECT_EQ(Reg({"delete", KEY, "/v", "x"}, "n\n").exitCode, 1);
    EXPECT_EQ(Reg({"delete", KEY, "/v", "x"}, "y\n").exitCode, 0);
    EXPECT_EQ(Reg({"delete", KEY, "/v", "x", "/f"}).err, NOT_FOUND);
    ExpectDone(Reg({"add", KEY + std::string("\\Sub"), "/v", "z", "/d", "1"}));
    ExpectDone(Reg({"delete", KEY, "/va", "/f"}));
    EXPECT_EQ(Reg({"query", KEY, "/v", "y"}).err, NOT_FOUND);
    EXPECT_EQ(Reg({"query", KEY + std::string("\\Sub"), "/v", "z"}).exitCode, 0);

    const Result keep = Reg({"delete", "HKLM\\SOFTWARE\\Dravo"}, "\n");
    EXPECT_EQ(keep.exitCode, 1);
    EXPECT_EQ(
        keep.out.rfind("Permanently delete the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo (Yes/No)? ", 0), 0U);
    ExpectDone(Reg({"delete", "HKLM\\SOFTWARE\\Dravo", "/f"}));
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Dravo"}).err, NOT_FOUND);
}

TEST_F(RegToolTest, ExportAndImportMoveKeysBetweenMachines)
{
    ExpectDone(Reg({"add", KEY, "/v", "SparkServerType", "/d", "3"}));
    ExpectDone(Reg({"add", "HKCU\\SOFTWARE\\Mine", "/v", "n", "/t", "REG_DWORD", "/d", "7"}));
    const std::string file = (m_root / "backup.reg").string();
    ExpectDone(Reg({"export", "HKLM\\SOFTWARE\\Dravo", file}));
    EXPECT_EQ(ReadFile(file),
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver]\r\n\"SparkServerType\"=\"3\"\r\n\r\n");
    EXPECT_EQ(Reg({"export", "HKLM\\SOFTWARE\\Dravo", file}, "no\n").exitCode, 1);
    ExpectDone(Reg({"export", "HKLM\\SOFTWARE\\Dravo", file, "/y"}));

    ExpectDone(Reg({"delete", "HKLM\\SOFTWARE\\Dravo", "/f"}));
    ExpectDone(Reg({"import", file}));
    EXPECT_NE(Reg({"query", KEY, "/v", "SparkServerType"}).out.find("REG_SZ    3"), std::string::npos);

    // Windows' own export: UTF-16LE with a byte-order mark, both hives.
    const std::u16string windows = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                   u"[HKEY_CURRENT_USER\\SOFTWARE\\Mine]\r\n\"n\"=-\r\n\"w\"=\"\u00e9\"\r\n\r\n"
                                   u"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Driver]\r\n\r\n";
    const std::string windowsFile = (m_root / "windows.reg").string();
    std::ofstream(windowsFile, std::ios::binary) << WindowsExportBytes(windows);
    ExpectDone(Reg({"import", windowsFile}));
    EXPECT_EQ(Reg({"query", "HKCU\\SOFTWARE\\Mine"}).out,
        "\nHKEY_CURRENT_USER\\SOFTWARE\\Mine\n    w    REG_SZ    \xC3\xA9\n\n");
    EXPECT_EQ(Reg({"query", KEY}).err, NOT_FOUND);
}

TEST_F(RegToolTest, AnExportIsNoWiderThanItsSourceAndFollowsNoOtherUsersLink)
{
    ExpectDone(Reg({"add", KEY, "/v", "EncryptedPWD", "/d", "_ABCDEF"}));
    const std::string hive = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Dravo");
    ASSERT_EQ(::chmod(hive.c_str(), 0640), 0);
    const std::string file = (m_root / "export.reg").string();
    const mode_t oldMask = ::umask(022);
    ExpectDone(Reg({"export", "HKLM\\SOFTWARE\\Dravo", file}));
    // An old file's wider mode is narrowed too.
    ::chmod(file.c_str(), 0666);
    ExpectDone(Reg({"export", "HKLM\\SOFTWARE\\Dravo", file, "/y"}));
    ::umask(oldMask);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640U);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a link to another user";
    }
    // Another user's link at the export's name: root's canary stays.
    const std::string canary = (m_root / "canary").string();
    std::ofstream(canary) << "canary\n";
    ::chmod(canary.c_str(), 0600);
    const std::string planted = (m_root / "planted.reg").string();
    std::filesystem::create_symlink(canary, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 65534, 65534), 0);
    EXPECT_EQ(Reg({"export", "HKLM\\SOFTWARE\\Dravo", planted, "/y"}).exitCode, 1);
    EXPECT_EQ(ReadFile(canary), "canary\n");
}

TEST_F(RegToolTest, AnImportFileThatDoesNotParseChangesNothing)
{
    const std::string file = (m_root / "broken.reg").string();
    std::ofstream(file, std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\r\n\"ok\"=\"1\"\r\n"
                                             "\"bad\"=dword:xyz\r\n";
    const Result result = Reg({"import", file});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(file + ", line 5: "), std::string::npos) << result.err;
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\New"}).err, NOT_FOUND);
    EXPECT_EQ(Reg({"import", (m_root / "missing.reg").string()}).exitCode, 1);
}

TEST_F(RegToolTest, TheProgramTakesARegistryRootAndExplainsItself)
{
    const auto program = BuiltProgram("bin/dravo-reg");
    const std::string root = m_root.Path().string();
    const ProgramRun added = RunProgram(program, {"--registry-root", root, "ADD", KEY, "/v", "v", "/d", "1", "/f"});
    EXPECT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_NE(ReadFile(root + "/HKEY_LOCAL_MACHINE.reg").find("\"v\"=\"1\"\r\n"), std::string::npos);
    const ProgramRun missing = RunProgram(program, {"--registry-root", root, "query", "HKCU\\Nothing"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.errors, NOT_FOUND);
    const ProgramRun help = RunProgram(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("QUERY | ADD | DELETE | EXPORT | IMPORT"), std::string::npos);
    EXPECT_NE(RunProgram(program, {"add", "/?"}).output.find("REG_MULTI_SZ"), std::string::npos);
}

/// The program starts as the configuration tool does: the driver key is the
/// "[Driver]" section of the driver's own file, for every operation, and a
/// Windows export of the key goes into the file and comes back out the same.
TEST_F(RegToolTest, TheProgramSeesTheDriverKeyInTheDriversOwnFile)
{
    const auto program = BuiltProgram("bin/dravo-reg");
    const std::string root = m_root.Path().string();
    const std::string file = root + "/vezuravuz.ini";
    const std::string driverKey = "HKLM\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";
    const std::string shown = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";
    const auto reg = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--registry-root", root});
        return RunProgram(program, arguments);
    };
    std::ofstream(file, std::ios::binary) << "; by hand\r\n[Driver]\r\nSparkServerType = 3\r\n[ODBC]\r\nTrace=No\r\n";

    ProgramRun run = reg({"query", driverKey});
    EXPECT_EQ(run.output, "\n" + shown + "\n    SparkServerType    REG_SZ    3\n\n") << run.errors;
    run = reg({"add", driverKey, "/v", "LogFileCount", "/t", "REG_DWORD", "/d", "50", "/f"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(reg({"query", driverKey, "/v", "logfilecount"}).output,
        "\n" + shown + "\n    LogFileCount    REG_SZ    50\n\n");
    run = reg({"add", driverKey, "/v", "Blob", "/t", "REG_BINARY", "/d", "0102", "/f"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("Invalid argument"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(file + ": the value \"Blob\" cannot be kept"), std::string::npos) << run.errors;
    EXPECT_EQ(
        ReadFile(file), "; by hand\r\n[Driver]\r\nSparkServerType = 3\r\nLogFileCount=50\r\n[ODBC]\r\nTrace=No\r\n");

    // Exported, deleted with everything above it, imported again.
    const std::string exported = root + "/driver.reg";
    EXPECT_EQ(reg({"export", driverKey, exported, "/y"}).exitCode, 0);
    EXPECT_EQ(ReadFile(exported),
        "Windows Registry Editor Version 5.00\r\n\r\n[" + shown
            + "]\r\n\"SparkServerType\"=\"3\"\r\n\"LogFileCount\"=\"50\"\r\n\r\n");
    run = reg({"query", "HKLM\\SOFTWARE\\Dravo", "/s"});
    EXPECT_NE(run.output.find("\n" + shown + "\n    SparkServerType    REG_SZ    3\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(reg({"delete", "HKLM\\SOFTWARE\\Dravo", "/f"}).exitCode, 0);
    EXPECT_EQ(ReadFile(file), "; by hand\r\n[ODBC]\r\nTrace=No\r\n");
    EXPECT_EQ(reg({"query", driverKey}).errors, NOT_FOUND);
    run = reg({"import", exported});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(
        ReadFile(file), "; by hand\r\n[ODBC]\r\nTrace=No\r\n\r\n[Driver]\r\nSparkServerType=3\r\nLogFileCount=50\r\n");

    // As regedit writes it: UTF-16 with its byte-order mark.
    const std::u16string windows = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                   u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                                   u"\"LogFileCount\"=dword:00000007\r\n\"SparkServerType\"=-\r\n\r\n";
    std::ofstream(root + "/windows.reg", std::ios::binary) << WindowsExportBytes(windows);
    EXPECT_EQ(reg({"import", root + "/windows.reg"}).exitCode, 0);
    EXPECT_EQ(ReadFile(file), "; by hand\r\n[ODBC]\r\nTrace=No\r\n\r\n[Driver]\r\nLogFileCount=7\r\n");
    EXPECT_FALSE(std::filesystem::exists(root + "/HKEY_LOCAL_MACHINE.reg")) << "the hive was never needed";
}

} // namespace
} // namespace Dravo::Test

// dravo-spark-config meeting a driver configuration file it cannot use as it
// is: one this user may not replace, on a read-only file system, in a
// directory that is not there, on a disk that fills while it saves, a file
// that is no text, a link, a FIFO. For each: the exit code and message the
// user gets, and proof that the file is as it was or as the whole save wrote
// it. The hive files keep their own case: a change with room for its record
// but not for a rewrite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/reliability/HiveContents.h"
#include "tests/reliability/SyscallTracer.h"
#include "tests/reliability/ToolFaultFixture.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

/// Runs the program as "nobody" when the tests run as root (whom permission
/// bits do not stop); as the test's own user otherwise.
std::vector<std::string> UnprivilegedWrapper()
{
    if (::geteuid() != 0) {
        return {};
    }
    return {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

class ToolFaultTest : public ToolFaultFixture {};

TEST_F(ToolFaultTest, AFileThisUserMayNotReplaceIsRefusedBeforeTheDialog)
{
    if (::geteuid() == 0 && !fs::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "setpriv (util-linux) is not installed";
    }
    WriteConfiguration(MachineConfigurationText());
    const std::string before = ReadFileBytes(ConfigurationPath());

    // The new file is written beside the old one, and takes its owner: the
    // directory, the file, and the file's owner each count.
    struct Case {
        const char* what;
        fs::perms directory;
        fs::perms file;
        std::string message;
        bool needsRoot;
    } cases[] = {
        {"read-only directory", fs::perms(0555), fs::perms(0666),
            "the directory " + m_root.string() + " is not writable: Permission denied", false},
        {"read-only file", fs::perms(0777), fs::perms(0444),
            "the driver configuration file is not writable: Permission denied", false},
        {"another user's file", fs::perms(0777), fs::perms(0666),
            "the driver configuration file belongs to another user", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && ::geteuid() != 0) {
            continue;
        }
        fs::permissions(m_root, c.directory);
        fs::permissions(ConfigurationPath(), c.file);
        const ProgramRun run = RunScript(KERBEROS_SCRIPT, UnprivilegedWrapper());
        ASSERT_NE(run.exitCode, 127) << "the program could not be started: " << run.errors;
        EXPECT_EQ(run.exitCode, EXIT_NEEDS_ADMINISTRATOR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "administrator rights are needed")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, ConfigurationPath().string() + ": " + c.message)) << run.errors;
        EXPECT_EQ(run.output, "") << "no dialog may open";
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);
    }
    fs::permissions(m_root, fs::perms(0755));
}

TEST_F(ToolFaultTest, AFileOnAReadOnlyFileSystemIsRefusedBeforeTheDialog)
{
    if (!MountSandbox::Available()) {
        GTEST_SKIP() << MountSandbox::Why();
    }
    WriteConfiguration(MachineConfigurationText());
    const std::string before = ReadFileBytes(ConfigurationPath());
    ASSERT_TRUE(MountSandbox::BindReadOnly(m_root)) << MountSandbox::Why();
    Mounted(m_root);

    // Root cannot write it either, so the tool does not ask for rights.
    const ProgramRun run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors,
        "the driver configuration, " + ConfigurationPath().string()
            + ", cannot be written: " + ConfigurationPath().string() + ": the directory " + m_root.string()
            + " is not writable: Read-only file system"))
        << run.errors;
    EXPECT_FALSE(Contains(run.errors, "sudo")) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);
}

TEST_F(ToolFaultTest, AMissingDirectoryIsReportedAndAFreshFileKeepsTheUmask)
{
    // The directory is where the file is looked for, not made by the tool.
    const fs::path nested = m_base / "not" / "there";
    ToolRunOptions options;
    options.arguments = Arguments(nested);
    options.input = KERBEROS_SCRIPT;
    options.environment = m_environment;
    const ProgramRun refused = RunTool(Program(), options);
    EXPECT_EQ(refused.exitCode, EXIT_SETTINGS_ERROR) << refused.errors;
    EXPECT_TRUE(Contains(refused.errors, "--registry-root: the directory " + nested.string() + " does not exist"))
        << refused.errors;
    EXPECT_FALSE(Contains(refused.errors, "sudo")) << refused.errors;
    EXPECT_FALSE(fs::exists(m_base / "not"));

    // With the directory there: the defaults are shown and saved, in a file
    // that keeps what the umask allows (only /etc's are readable by every
    // user's driver whatever the umask).
    fs::create_directories(nested);
    options.wrapper = {"/bin/sh", "-c", "umask 077; exec \"$0\" \"$@\""};
    options.input = "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\n"
                    "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
                    "select 1040 User Name\n"
                    "type 1044 alice\n"
                    "click 1\n";
    const ProgramRun run = RunTool(Program(), options);
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    const ConfigurationContents saved(nested / "vezuravuz.ini");
    ASSERT_TRUE(saved.Parsed()) << saved.Error();
    EXPECT_EQ(saved.Text(u"UID"), "alice");
    EXPECT_EQ(saved.Text(u"AuthMech"), "2");
    EXPECT_EQ(saved.Bytes().rfind("[Driver]\n", 0), 0U) << saved.Bytes();
    EXPECT_EQ(fs::status(nested / "vezuravuz.ini").permissions(), fs::perms(0600));
    EXPECT_EQ(std::distance(fs::directory_iterator(nested), fs::directory_iterator()), 1) << "nothing else is made";
}

TEST_F(ToolFaultTest, ADirectoryThatIsAFileIsReportedAndKept)
{
    const fs::path notADirectory = m_base / "registry.txt";
    WriteFileBytes(notADirectory, "not a directory\n");
    ToolRunOptions options;
    options.arguments = Arguments(notADirectory);
    options.input = KERBEROS_SCRIPT;
    options.environment = m_environment;
    const ProgramRun run = RunTool(Program(), options);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "--registry-root: " + notADirectory.string() + " is not a directory"))
        << run.errors;
    EXPECT_FALSE(Contains(run.errors, "sudo")) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFileBytes(notADirectory), "not a directory\n");
}

TEST_F(ToolFaultTest, ADirectoryRemovedWhileTheDialogIsOpenIsReportedAtTheSave)
{
    // Removed after the dialog closed and before the save began, and removed
    // while the save waits for the file's lock: either way the save names
    // the file and makes nothing.
    for (const bool atTheLock : {false, true}) {
        SCOPED_TRACE(atTheLock ? "at the lock" : "before the save");
        fs::create_directories(m_root);
        WriteConfiguration(MachineConfigurationText());
        if (!atTheLock) {
            EnableTraceLog(m_root);
        }
        SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
        ASSERT_TRUE(atTheLock ? tool.RunTo(IsWriterLock) : tool.RunTo(SaveBegins(tool)))
            << "the program ended before it saved: " << tool.Finish().errors;
        fs::remove_all(m_root);
        const ProgramRun run = tool.Finish();
        EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved: ")) << run.errors;
        EXPECT_TRUE(Contains(
            run.errors, ConfigurationPath().string() + ": the directory " + m_root.string() + " does not exist"))
            << run.errors;
        EXPECT_FALSE(fs::exists(m_root));
    }

    // Made again, the save has all it needs.
    fs::create_directories(m_root);
    const ProgramRun run = RunScript(KERBEROS_SCRIPT);
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    EXPECT_EQ(Contents().Text(u"KrbServiceName"), "spark");
}

/// The disk fills at every point of a save in turn (the test build of the
/// tool, whose writes fail with a full disk after so many bytes). Each
/// failure is reported, the file is as it was, nothing is left beside it,
/// and a run with room saves it all.
TEST_F(ToolFaultTest, ASaveThatRunsOutOfSpaceAnywhereChangesNothingAndCanBeRepeated)
{
    const std::string initial = MachineConfigurationText();
    const Reference reference = SaveWithoutFault(initial, KERBEROS_SCRIPT);
    ASSERT_GT(reference.bytes.size(), 97U);

    size_t failures = 0;
    for (size_t room = 0;; room += 97) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        WriteConfiguration(initial);
        const ProgramRun run = RunScriptWithFileFaults(KERBEROS_SCRIPT, "write-budget=" + std::to_string(room));
        if (run.exitCode == EXIT_SAVED) {
            EXPECT_EQ(ReadFileBytes(ConfigurationPath()), reference.bytes);
            break;
        }
        ++failures;
        ASSERT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, ConfigurationPath().string() + ": cannot write the new file")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "No space left on device")) << run.errors;
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), initial);
        EXPECT_EQ(LeftBehind(), std::vector<std::string>());

        const ProgramRun again = RunScript(KERBEROS_SCRIPT);
        ASSERT_EQ(again.exitCode, EXIT_SAVED) << again.errors;
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), reference.bytes) << "the save repeated with room";
        ASSERT_LT(room, 64U * 1024) << "the save never completed";
    }
    EXPECT_EQ(failures, (reference.bytes.size() + 96) / 97) << "every limit short of the new file";
}

/// Every other step of a save failing in turn, as a disk or a file system
/// fails: each is reported with the file's name and leaves it as it was.
/// The tool's own log, on the same full disk, stops nothing.
TEST_F(ToolFaultTest, EveryStepOfASaveThatFailsIsReportedAndTheFileKeepsEverything)
{
    std::string initial = MachineConfigurationText();
    initial.insert(initial.find("SparkServerType"), "LogLevel=6\r\nLogPath=" + m_home.Path().string() + "\r\n");
    const struct {
        const char* fault;
        const char* message;
    } cases[] = {
        {"write-budget=0", "No space left on device"},
        {"fail=open:.tmp-:1:112", ": cannot create a new file in "},
        {"fail=set-attributes:.tmp-:1:5", ": cannot give the new file the attributes of the old one"},
        {"fail=flush:.tmp-:1:1117", ": cannot flush the new file"},
        {"fail=rename:.tmp-:1:5", ": cannot put the new file in place"},
        {"fail=lock:/vezuravuz.ini:0:33", ": cannot lock the driver configuration file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        WriteConfiguration(initial);
        const ProgramRun run = RunScriptWithFileFaults(KERBEROS_SCRIPT, c.fault);
        ASSERT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, ConfigurationPath().string())) << run.errors;
        EXPECT_TRUE(Contains(run.errors, c.message)) << run.errors;
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), initial);
        EXPECT_EQ(LeftBehind(), std::vector<std::string>());
    }
}

/// The hives keep their own way with a full disk: a change to a key of the
/// machine hive with room for its record but not for the copy that folding
/// the records into a plain file takes stands, and a later one folds them.
TEST_F(ToolFaultTest, AHiveChangeWithRoomForItsRecordButNotForARewriteSucceeds)
{
    const fs::path hivePath = m_root / "HKEY_LOCAL_MACHINE.reg";
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other Vendor]\r\n";
    for (int i = 0; i < 400; ++i) {
        text += "\"Padding" + std::to_string(i) + "\"=\"" + std::string(200, 'p') + "\"\r\n";
    }
    WriteFileBytes(hivePath, text);

    const ProgramRun added = RegWithFileFaults(
        {"ADD", "HKLM\\SOFTWARE\\Other Vendor", "/v", "Service", "/d", "spark", "/f"}, "write-budget=16384");
    EXPECT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_NE(ReadFileBytes(hivePath).find("\r\n; change "), std::string::npos) << "the change stays as a record";
    const HiveContents hive(hivePath);
    EXPECT_EQ(hive.Values().at(HiveContents::Slot(u"SOFTWARE\\Other Vendor", u"Service")).data,
        OS::MakeRegistryStringData(u"spark"));
    EXPECT_EQ(hive.Values().size(), 401U);

    ASSERT_EQ(Reg({"ADD", "HKLM\\SOFTWARE\\Other Vendor", "/v", "Service", "/d", "spark2", "/f"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(hivePath).find("\r\n; change "), std::string::npos) << "folded once there is room";
    EXPECT_EQ(HiveContents(hivePath).Values().size(), 401U);
}

/// Files that are no text, the machine's and the user's: each is named with
/// its line and left exactly as it was. The machine's keeps the dialog from
/// opening; the user's, read only for the tool's own log, is warned about
/// and the machine's file is edited.
TEST_F(ToolFaultTest, AFileThatIsNoTextIsNamedAndNeverWrittenOver)
{
    const std::string section = "[Driver]\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"a NUL byte", section + "AuthMech=3\r\n" + std::string("UID=a\0b\r\n", 9),
            ", line 3: the line holds a NUL byte: the file is not text"},
        {"text that is not UTF-8", section + "UID=\xC3\x28\r\n", ", line 2: the line is not valid UTF-8 text"},
        {"binary junk",
            std::string("\x7F"
                        "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0",
                18),
            ", line 1: "},
        {"UTF-16 as Windows writes it", std::string("\xFF\xFE[\0D\0r\0i\0v\0e\0r\0]\0", 18), ", line 1: "},
        {"a surrogate in UTF-8", section + "UID=\xED\xA0\x80\r\n", ", line 2: the line is not valid UTF-8 text"},
    };
    for (const fs::path& file : {ConfigurationPath(), UserConfigurationFile(m_root)}) {
        const bool machine = file == ConfigurationPath();
        for (const Case& c : cases) {
            SCOPED_TRACE(file.string() + ": " + c.what);
            fs::remove(ConfigurationPath());
            fs::remove(UserConfigurationFile(m_root));
            WriteFileBytes(file, c.bytes);
            const ProgramRun run = RunScript(KERBEROS_SCRIPT);
            EXPECT_EQ(run.exitCode, machine ? EXIT_SETTINGS_ERROR : EXIT_SAVED) << run.errors;
            EXPECT_TRUE(Contains(run.errors,
                (machine ? "the driver configuration cannot be read: "
                         : "the user's driver configuration cannot be read: ")
                    + file.string() + c.message))
                << run.errors;
            EXPECT_TRUE(Contains(run.errors, machine ? "Nothing was changed" : "the file was left as it is"))
                << run.errors;
            if (machine) {
                EXPECT_EQ(run.output, "") << "no dialog may open";
            }
            EXPECT_EQ(ReadFileBytes(file), c.bytes);
        }
    }
}

TEST_F(ToolFaultTest, AFileReachedThroughALinkIsSavedAtItsTargetAndOtherKindsAreRefused)
{
    // A link, as /etc/name.ini into the driver's folder: the target is
    // replaced with its mode, and the link stays a link.
    const fs::path target = m_base / "driver" / "spark.ini";
    fs::create_directory(m_base / "driver");
    WriteFileBytes(target, MachineConfigurationText());
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink(target, ConfigurationPath());
    const Reference reference = SaveWithoutFault(MachineConfigurationText(), KERBEROS_SCRIPT);
    ProgramRun run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    EXPECT_TRUE(fs::is_symlink(ConfigurationPath()));
    EXPECT_EQ(ReadFileBytes(target), reference.bytes);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_base / "driver"), fs::directory_iterator()), 1);
    fs::remove(ConfigurationPath());

    // A FIFO would block a reader that opened it plainly.
    ASSERT_EQ(::mkfifo(ConfigurationPath().c_str(), 0644), 0);
    run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(
        Contains(run.errors, ConfigurationPath().string() + ": the driver configuration file is not a regular file"))
        << run.errors;
    fs::remove(ConfigurationPath());

    fs::create_directory(ConfigurationPath());
    run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, ConfigurationPath().string())) << run.errors;
    EXPECT_TRUE(fs::is_directory(ConfigurationPath()));
    EXPECT_TRUE(fs::is_empty(ConfigurationPath()));
}

/// Another process breaks the file while the save waits for its lock: the
/// save reads it again under the lock, names it, and keeps it.
TEST_F(ToolFaultTest, AFileBrokenWhileTheSaveWaitsIsNotWrittenOver)
{
    WriteConfiguration(MachineConfigurationText());
    SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
    ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
    const std::string broken = MachineConfigurationText() + std::string("Half=written\0", 13);
    // Replaced, as an editor saves, rather than changed in place.
    WriteFileBytes(m_base / "edited.ini", broken);
    fs::rename(m_base / "edited.ini", ConfigurationPath());
    const ProgramRun run = tool.Finish();
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "the file is not text")) << run.errors;
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), broken);
}

} // namespace
} // namespace Dravo::Test

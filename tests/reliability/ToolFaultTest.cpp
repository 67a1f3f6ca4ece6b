// dravo-spark-config meeting a registry it cannot use as it is: a machine
// hive it may not write, a hive directory that is not there, a disk that
// fills while it saves, a hive that does not parse. For each: the exit code
// and message the user gets, and proof that the hive lost nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(ToolFaultTest, AMachineHiveThisUserMayNotWriteIsRefusedBeforeTheDialog)
{
    if (::geteuid() == 0 && !fs::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "setpriv (util-linux) is not installed";
    }
    WriteHive(MachineHiveText());
    const std::string before = ReadFileBytes(HivePath());

    // Neither the directory (where a rewrite puts the new file) nor the file
    // itself (where changes are appended) may be written; each is enough.
    struct Case {
        const char* what;
        fs::perms directory;
        fs::perms file;
    } cases[] = {
        {"read-only directory", fs::perms(0555), fs::perms(0666)},
        {"read-only file", fs::perms(0777), fs::perms(0444)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::permissions(m_root, c.directory);
        fs::permissions(HivePath(), c.file);
        const ProgramRun run = RunScript(KERBEROS_SCRIPT, UnprivilegedWrapper());
        ASSERT_NE(run.exitCode, 127) << "the program could not be started: " << run.errors;
        EXPECT_EQ(run.exitCode, EXIT_NEEDS_ADMINISTRATOR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "administrator rights are needed")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, HivePath().string())) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "Permission denied")) << run.errors;
        EXPECT_EQ(run.output, "") << "no dialog may open";
        EXPECT_EQ(ReadFileBytes(HivePath()), before);
    }
    fs::permissions(m_root, fs::perms(0755));
}

TEST_F(ToolFaultTest, AHiveOnAReadOnlyFileSystemIsRefusedBeforeTheDialog)
{
    if (!MountSandbox::Available()) {
        GTEST_SKIP() << MountSandbox::Why();
    }
    WriteHive(MachineHiveText());
    const std::string before = ReadFileBytes(HivePath());
    ASSERT_TRUE(MountSandbox::BindReadOnly(m_root)) << MountSandbox::Why();
    Mounted(m_root);

    // Root cannot write it either, so the tool does not ask for rights.
    const ProgramRun run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "the machine registry, " + HivePath().string() + ", cannot be written: "
        + m_root.string() + ": the hive directory is not writable: Read-only file system")) << run.errors;
    EXPECT_FALSE(Contains(run.errors, "sudo")) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFileBytes(HivePath()), before);
}

TEST_F(ToolFaultTest, AMissingHiveDirectoryIsCreatedWhenTheUserMayAndReportedWhenNot)
{
    const fs::path nested = m_base / "not" / "there" / "yet";
    ToolRunOptions options;
    options.arguments = Arguments(nested);
    options.input = KERBEROS_SCRIPT;
    options.environment = m_environment;

    // Nobody may create it below a directory only root may write.
    ::chmod(m_base.Path().c_str(), 0755);
    if (::geteuid() == 0 && fs::exists("/usr/bin/setpriv")) {
        options.wrapper = UnprivilegedWrapper();
        const ProgramRun refused = RunTool(Program(), options);
        EXPECT_EQ(refused.exitCode, EXIT_NEEDS_ADMINISTRATOR) << refused.errors;
        EXPECT_TRUE(Contains(refused.errors, m_base.Path().string())) << refused.errors;
        EXPECT_FALSE(fs::exists(m_base / "not"));
        options.wrapper.clear();
    }

    // An empty registry: the defaults are shown and saved; the directories
    // are made readable by every user's driver whatever the umask.
    options.wrapper = {"/bin/sh", "-c", "umask 077; exec \"$0\" \"$@\""};
    options.input = "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\n"
                    "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
                    "select 1040 User Name\n"
                    "type 1044 alice\n"
                    "click 1\n";
    const ProgramRun run = RunTool(Program(), options);
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    const HiveContents saved(nested / "HKEY_LOCAL_MACHINE.reg");
    ASSERT_TRUE(saved.Parsed()) << saved.Error();
    EXPECT_EQ(saved.Text(u"UID"), "alice");
    EXPECT_EQ(saved.Text(u"AuthMech"), "2");
    for (const fs::path& made : {m_base / "not", m_base / "not" / "there", nested}) {
        EXPECT_EQ(fs::status(made).permissions(), fs::perms(0755)) << made;
    }
    EXPECT_EQ(fs::status(nested / "HKEY_LOCAL_MACHINE.reg").permissions(), fs::perms(0644));
}

TEST_F(ToolFaultTest, AHiveDirectoryThatIsAFileIsReportedAndKept)
{
    const fs::path notADirectory = m_base / "registry.txt";
    WriteFileBytes(notADirectory, "not a directory\n");
    ToolRunOptions options;
    options.arguments = Arguments(notADirectory);
    options.input = KERBEROS_SCRIPT;
    options.environment = m_environment;
    const ProgramRun run = RunTool(Program(), options);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, notADirectory.string() + ": the hive directory is not a directory")) << run.errors;
    EXPECT_FALSE(Contains(run.errors, "sudo")) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFileBytes(notADirectory), "not a directory\n");
}

TEST_F(ToolFaultTest, AHiveDirectoryRemovedWhileTheDialogIsOpenIsMadeAgainBySave)
{
    WriteHive(MachineHiveText());
    const Reference reference = SaveWithoutFault(MachineHiveText(), KERBEROS_SCRIPT);

    // Removed after the dialog closed and before the save began: the save
    // makes the directory and the driver key again.
    {
        EnableTraceLog(m_root);
        SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
        ASSERT_TRUE(tool.RunTo(SaveBegins(tool))) << "the program ended before it saved: " << tool.Finish().errors;
        fs::remove_all(m_root);
        const ProgramRun run = tool.Finish();
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
        const HiveContents after = Hive();
        ASSERT_TRUE(after.Parsed()) << after.Error();
        EXPECT_EQ(after.Text(u"AuthMech"), "1");
        EXPECT_EQ(after.Text(u"VendorExtra"), "<absent>");
        EXPECT_EQ(fs::status(m_root).permissions(), fs::perms(0755));
    }

    // Removed while the save's first write waits for the hive's lock.
    WriteHive(MachineHiveText());
    {
        SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
        ASSERT_TRUE(tool.RunTo(IsHiveLock)) << "the program ended before it saved: " << tool.Finish().errors;
        fs::remove_all(m_root);
        const ProgramRun run = tool.Finish();
        // The other process took the key away under the first write, which
        // is refused as writing to a deleted key is on Windows.
        EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved: Illegal operation attempted "
                                         "on a registry key that has been marked for deletion.")) << run.errors;
    }
    // Run again, the save has all it needs.
    const ProgramRun run = RunScript(KERBEROS_SCRIPT);
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;

    // The other process took everything with the directory; what the save
    // writes is all there is, and it is exactly what a save writes.
    const HiveContents after = Hive();
    ASSERT_TRUE(after.Parsed()) << after.Error();
    for (const std::u16string& name : reference.writeOrder) {
        const auto value = after.Driver(name);
        ASSERT_TRUE(value) << Support::WideString(name).GetAsUTF8();
        EXPECT_EQ(*value, reference.values.at(HiveContents::Slot(DRIVER_KEY, name)));
    }
    EXPECT_EQ(after.Text(u"VendorExtra"), "<absent>");
}

/// The disk fills at every point of a save in turn: RLIMIT_FSIZE stops the
/// hive file at a chosen size (the shell ignores SIGXFSZ, so the write fails
/// with EFBIG as it would with ENOSPC). Each failure is reported, every value
/// already stored survives, and a later run with room saves everything.
TEST_F(ToolFaultTest, ASaveThatRunsOutOfSpaceAnywhereLosesNothingAndCanBeRepeated)
{
    const std::string initial = MachineHiveText();
    const Reference reference = SaveWithoutFault(initial, KERBEROS_SCRIPT);
    ASSERT_FALSE(reference.writeOrder.empty());
    WriteHive(initial);
    const HiveContents before = Hive();
    const size_t start = initial.size();

    // Record sizes vary; stepping by 97 bytes lands inside every record.
    size_t failures = 0;
    for (size_t room = 0;; room += 97) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        WriteHive(initial);
        const std::vector<std::string> limit = {"/bin/sh", "-c",
            "trap '' XFSZ; exec /usr/bin/prlimit --fsize=" + std::to_string(start + room) + " \"$0\" \"$@\""};
        const ProgramRun run = RunScript(KERBEROS_SCRIPT, limit);
        if (run.exitCode == EXIT_SAVED) {
            break;
        }
        ++failures;
        ASSERT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
        ExpectOldOrNew(before, reference, Hive(), "after the failed save");

        const ProgramRun again = RunScript(KERBEROS_SCRIPT);
        ASSERT_EQ(again.exitCode, EXIT_SAVED) << again.errors;
        EXPECT_EQ(Hive().Values(), reference.values) << "the save repeated with room";
        ASSERT_LT(room, 64U * 1024) << "the save never completed";
    }
    EXPECT_GT(failures, reference.writeOrder.size() / 2) << "the limit should have stopped the save at most writes";
}

/// A real full disk: a small tmpfs holds the registry and a file that takes
/// all but a little of it; the tool's log goes to the same disk.
TEST_F(ToolFaultTest, ASaveOnAFullDiskIsReportedAndTheHiveKeepsEverything)
{
    if (!MountSandbox::Available()) {
        GTEST_SKIP() << MountSandbox::Why();
    }
    ASSERT_TRUE(MountSandbox::MountTmpfs(m_root, 256 * 1024)) << MountSandbox::Why();
    Mounted(m_root);
    std::string initial = MachineHiveText();
    initial += "\"LogLevel\"=\"6\"\r\n\"LogPath\"=\"" + m_root.string() + "\"\r\n";
    const Reference reference = SaveWithoutFault(initial, KERBEROS_SCRIPT);

    // tmpfs hands out whole pages: vary where the hive's last page ends.
    int failures = 0;
    for (size_t padding = 0; padding < 4096; padding += 512) {
        SCOPED_TRACE("padding " + std::to_string(padding));
        for (const auto& entry : fs::directory_iterator(m_root)) {
            fs::remove_all(entry.path());
        }
        const std::string text = initial + "\"Padding\"=\"" + std::string(padding, 'p') + "\"\r\n";
        WriteHive(text);
        const HiveContents before = Hive();
        {
            std::ofstream filler(m_root / "filler", std::ios::binary);
            const std::string block(4096, 'f');
            while (MountSandbox::FreeBytes(m_root) > 0 && filler.write(block.data(), block.size()).flush()) {
            }
        }
        ASSERT_EQ(MountSandbox::FreeBytes(m_root), 0);

        Reference withPadding = reference;
        withPadding.values[HiveContents::Slot(DRIVER_KEY, u"Padding")] = *before.Driver(u"Padding");
        const ProgramRun run = RunScript(KERBEROS_SCRIPT);
        // The changes may still fit into the hive's last page.
        if (run.exitCode == EXIT_SAVED) {
            EXPECT_EQ(Hive().Values(), withPadding.values);
            continue;
        }
        ++failures;
        ASSERT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "There is not enough space on the disk.")) << run.errors;
        ExpectOldOrNew(before, withPadding, Hive(), "on the full disk");

        fs::remove(m_root / "filler");
        const ProgramRun again = RunScript(KERBEROS_SCRIPT);
        ASSERT_EQ(again.exitCode, EXIT_SAVED) << again.errors;
        EXPECT_EQ(Hive().Values(), withPadding.values);
    }
    EXPECT_GT(failures, 4) << "most saves should have met the full disk";
}

/// Room for the changes but not for the copy of the hive that folding them
/// into a plain file takes: the save stands, and a later one folds them.
TEST_F(ToolFaultTest, ASaveWithRoomForItsChangesButNotForARewriteSucceeds)
{
    if (!MountSandbox::Available()) {
        GTEST_SKIP() << MountSandbox::Why();
    }
    ASSERT_TRUE(MountSandbox::MountTmpfs(m_root, 256 * 1024)) << MountSandbox::Why();
    Mounted(m_root);
    std::string text = MachineHiveText();
    for (int i = 0; i < 400; ++i) {
        text += "\"Padding" + std::to_string(i) + "\"=\"" + std::string(200, 'p') + "\"\r\n";
    }
    WriteHive(text);
    const HiveContents before = Hive();
    {
        std::ofstream filler(m_root / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (MountSandbox::FreeBytes(m_root) > 16 * 1024 && filler.write(block.data(), block.size()).flush()) {
        }
    }
    ASSERT_LT(static_cast<size_t>(MountSandbox::FreeBytes(m_root)), text.size());

    const ProgramRun run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    const std::string saved = ReadFileBytes(HivePath());
    EXPECT_NE(saved.find("\r\n; change "), std::string::npos) << "the changes stay as records";
    EXPECT_EQ(Hive().Text(u"KrbServiceName"), "spark");
    EXPECT_EQ(Hive().Text(u"Padding399"), std::string(200, 'p'));

    fs::remove(m_root / "filler");
    ASSERT_EQ(RunScript(KERBEROS_SCRIPT).exitCode, EXIT_SAVED);
    EXPECT_EQ(ReadFileBytes(HivePath()).find("\r\n; change "), std::string::npos) << "folded once there is room";
    EXPECT_EQ(Hive().Text(u"KrbServiceName"), "spark");
}

/// Hives that cannot be read: each is named with what is wrong, no dialog
/// opens, and the file is left exactly as it was.
TEST_F(ToolFaultTest, AHiveThatCannotBeReadIsNamedAndNeverWrittenOver)
{
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"a value line that is no value", header + key + "\"AuthMech\"=\"3\"\r\n\"SSL\"=bogus\r\n", ", line 5: "},
        {"text that is not UTF-8", header + key + "\"UID\"=\"\xC3\x28\"\r\n", ", line 4: the line is not valid UTF-8 text"},
        {"no header line", key + "\"AuthMech\"=\"3\"\r\n", ", line 1: "},
        {"binary junk", std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0", 18), ", line 1: "},
        {"a section of the other hive", header + "[HKEY_CURRENT_USER\\SOFTWARE\\Dravo]\r\n", ", line 3: "},
        {"UTF-16 cut in the middle of a character", std::string("\xFF\xFE" "W\0i\0n\0d", 9), ", line 1: "},
        {"an unclosed key name", header + "[HKEY_LOCAL_MACHINE\\SOFTWARE\r\n", ", line 3: "},
        {"a dword too long", header + key + "\"LogFileCount\"=dword:000000320\r\n", ", line 4: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteHive(c.bytes);
        const ProgramRun run = RunScript(KERBEROS_SCRIPT);
        EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
        EXPECT_TRUE(Contains(run.errors, "the registry cannot be read: " + HivePath().string() + c.message))
            << run.errors;
        EXPECT_TRUE(Contains(run.errors, "Nothing was changed")) << run.errors;
        EXPECT_EQ(run.output, "") << "no dialog may open";
        EXPECT_EQ(ReadFileBytes(HivePath()), c.bytes);
    }
}

TEST_F(ToolFaultTest, AHiveThatIsNoRegularFileIsNamedAndLeftAlone)
{
    // A link planted in place of the hive is not followed: its target, a
    // valid hive elsewhere, stays as it is.
    const fs::path target = m_base / "elsewhere.reg";
    WriteFileBytes(target, MachineHiveText());
    fs::create_symlink(target, HivePath());
    ProgramRun run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, HivePath().string() + ": the hive file is a symbolic link")) << run.errors;
    EXPECT_EQ(ReadFileBytes(target), MachineHiveText());
    EXPECT_TRUE(fs::is_symlink(HivePath()));
    fs::remove(HivePath());

    // A FIFO would block a reader that opened it plainly.
    ASSERT_EQ(::mkfifo(HivePath().c_str(), 0644), 0);
    run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, HivePath().string() + ": the hive file is not a regular file")) << run.errors;
    fs::remove(HivePath());

    fs::create_directory(HivePath());
    run = RunScript(KERBEROS_SCRIPT);
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, HivePath().string())) << run.errors;
    EXPECT_TRUE(fs::is_directory(HivePath()));
    EXPECT_TRUE(fs::is_empty(HivePath()));
}

/// Another process breaks the hive while the dialog is open: the save stops
/// at its first write, names the file and line, and keeps the file.
TEST_F(ToolFaultTest, AHiveBrokenWhileTheDialogIsOpenIsNotWrittenOver)
{
    WriteHive(MachineHiveText());
    SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
    ASSERT_TRUE(tool.RunTo(IsHiveLock)) << tool.Finish().errors;
    const std::string broken = MachineHiveText() + "\"Half written=\r\n";
    // Replaced, as an editor saves, rather than changed in place.
    WriteFileBytes(m_base / "edited.reg", broken);
    fs::rename(m_base / "edited.reg", HivePath());
    const ProgramRun run = tool.Finish();
    EXPECT_EQ(run.exitCode, EXIT_SETTINGS_ERROR) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "The driver configuration could not be saved")) << run.errors;
    EXPECT_EQ(ReadFileBytes(HivePath()), broken);
}

} // namespace
} // namespace Dravo::Test

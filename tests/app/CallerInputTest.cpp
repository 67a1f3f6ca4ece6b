// What a caller hands the root-run tool: files and streams that never end or
// are no files, inputs past their bounds, and an environment passed on by
// sudo. Each is refused at once, with the file named, and changes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

class CallerInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(Root());
        m_environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        m_environment["HOME"] = m_directory.Path().string();
        m_environment["XDG_CONFIG_HOME"] = std::nullopt;
        m_environment["SPARKINI"] = std::nullopt;
        m_environment["SUDO_UID"] = std::nullopt;
        m_environment["ODBCINI"] = (m_directory.Path() / "odbc.ini").string();
        m_environment["ODBCSYSINI"] = m_directory.Path().string();
        WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=3\n");
    }

    [[nodiscard]] fs::path Root() const { return m_directory.Path() / "registry"; }
    [[nodiscard]] fs::path File() const { return Root() / "vezuravuz.ini"; }

    /// The tool on the registry root, given at most 20 seconds: a hang is a
    /// failure, not a stuck test.
    ProgramRun Run(std::vector<std::string> arguments, const std::string& input = "")
    {
        ToolRunOptions options;
        options.arguments = {"--registry-root", Root().string()};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.input = input;
        options.environment = m_environment;
        options.wrapper = {"timeout", "20"};
        return RunTool(BuiltProgram("bin/dravo-spark-config"), options);
    }

    TempDir m_directory;
    std::map<std::string, std::optional<std::string>> m_environment;
};

TEST_F(CallerInputTest, EndlessHugeAndIrregularInputsAreRefusedAtOnceAndChangeNothing)
{
    const std::string before = ReadFileBytes(File());
    const fs::path folder = m_directory.Path() / "folder";
    fs::create_directory(folder);
    // A sparse gigabyte, and a file just past the bound.
    const fs::path sparse = m_directory.Path() / "sparse.ini";
    fs::resize_file((WriteFileBytes(sparse, "[Driver]\n"), sparse), 1024LL * 1024 * 1024);
    const fs::path nul = m_directory.Path() / "nul.ini";
    WriteFileBytes(nul, std::string("[Driver]\nUID=a\0b\n", 17));
    const struct {
        std::vector<std::string> arguments;
        std::string input;
        std::string expected;
    } cases[] = {
        {{"apply", "/dev/zero"}, "", "/dev/zero: is a device"},
        {{"apply", sparse.string()}, "", "is larger than 16 MiB"},
        {{"apply", nul.string()}, "", "holds a NUL byte"},
        {{"apply", "-"}, std::string(17 * 1024 * 1024, 'x'), "standard input: is larger than 16 MiB"},
        {{"set", "--password-file", "/dev/zero"}, "", "/dev/zero: is a device"},
        {{"set", "--password-stdin"}, std::string(2048, 'p'), "the password is larger than 1 KiB"},
        {{"set", "--password-stdin"}, std::string(1024 * 1024, 'p'), "standard input: is larger than 64 KiB"},
        {{"set", "--password-file", folder.string()}, "", "is a directory"},
        {{"--script", "/dev/zero"}, "", "is a device"},
        {{"--script", folder.string()}, "", "is a directory"},
    };
    for (const auto& trial : cases) {
        const auto started = std::chrono::steady_clock::now();
        const ProgramRun run = Run(trial.arguments, trial.input);
        const std::string shown = trial.arguments.front() + " " + trial.arguments.back();
        EXPECT_NE(run.exitCode, 0) << shown;
        EXPECT_NE(run.exitCode, 124) << shown << ": hangs";
        EXPECT_NE(run.errors.find(trial.expected), std::string::npos) << shown << ": " << run.errors;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << shown;
        EXPECT_EQ(ReadFileBytes(File()), before) << shown;
    }

    // The configuration itself: too large to be one, read no further.
    fs::rename(File(), m_directory.Path() / "kept.ini");
    WriteFileBytes(File(), "[Driver]\n");
    fs::resize_file(File(), 100LL * 1024 * 1024);
    const ProgramRun get = Run({"get", "UID"});
    EXPECT_NE(get.exitCode, 0);
    EXPECT_NE(get.errors.find("larger than 16 MiB"), std::string::npos) << get.errors;
    EXPECT_EQ(fs::file_size(File()), 100ULL * 1024 * 1024);
    fs::rename(m_directory.Path() / "kept.ini", File());

    // unixODBC's file a FIFO or a device: refused before unixODBC reads it.
    const fs::path fifo = m_directory.Path() / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& odbcIni : {fifo.string(), std::string("/dev/zero")}) {
        m_environment["ODBCINI"] = odbcIni;
        const ProgramRun run = Run({"get", "UID"});
        EXPECT_NE(run.exitCode, 124) << odbcIni << ": hangs";
        EXPECT_NE(run.errors.find("the data source file " + odbcIni + " is a"), std::string::npos)
            << odbcIni << ": " << run.errors;
    }
}

TEST_F(CallerInputTest, AUsersFileThatCannotBeReadIsNamedOnTheCommandLineToo)
{
    static constexpr char NO_TEXT[] = "[Driver]\nLogLevel=\xFF\xFE\0\n";
    WriteFileBytes(Root() / ".vezuravuz.ini", std::string(NO_TEXT, sizeof NO_TEXT - 1));
    const ProgramRun run = Run({"get", "SparkServerType"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find("warning: the user's driver configuration cannot be read: "), std::string::npos)
        << run.errors;
}

TEST_F(CallerInputTest, APasswordFileKeepsNoByteOrderMarkAndOpenSslReadsNoConfiguration)
{
    // A configuration naming a provider module that is not there: read, it
    // stops every cipher.
    const fs::path conf = m_directory.Path() / "openssl.cnf";
    WriteFileBytes(conf,
        "openssl_conf = init\n[init]\nproviders = p\n[p]\nevil = evil\n[evil]\n"
        "module = "
            + (m_directory.Path() / "evil.so").string() + "\nactivate = 1\n");
    m_environment["OPENSSL_CONF"] = conf.string();
    const ProgramRun plain = Run({"set", "--password-stdin"}, "s3cret\n");
    ASSERT_EQ(plain.exitCode, 0) << plain.errors;
    const std::string stored = DriverSectionValue(File(), "EncryptedPWD");
    ASSERT_EQ(stored.rfind("_", 0), 0U) << stored;

    const fs::path withMark = m_directory.Path() / "password";
    WriteFileBytes(withMark, "\xEF\xBB\xBFs3cret\r\n");
    const ProgramRun marked = Run({"set", "--password-file", withMark.string(), "--json"});
    ASSERT_EQ(marked.exitCode, 0) << marked.errors;
    EXPECT_NE(marked.output.find("\"changed\":false"), std::string::npos) << marked.output;
    EXPECT_EQ(DriverSectionValue(File(), "EncryptedPWD"), stored);
}

/// Sets or clears the immutable flag, which stops root's writes too.
bool SetImmutable(const fs::path& path, bool immutable)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL), true)
        && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

TEST_F(CallerInputTest, RootRefusedAWriteIsToldWhyAndNotToAskForRights)
{
    // Another user's link is not even read through.
    const fs::path target = m_directory.Path() / "target.ini";
    WriteFileBytes(target, "[Driver]\n");
    fs::rename(File(), m_directory.Path() / "kept.ini");
    fs::create_symlink(target, File());
    if (::geteuid() != 0 || ::lchown(File().c_str(), 65534, 65534) != 0) {
        GTEST_SKIP() << "needs root, and a link of another user";
    }
    const ProgramRun linked = Run({"--script", "-"}, "click 2\n");
    EXPECT_NE(linked.errors.find("is a symbolic link of another user"), std::string::npos) << linked.errors;

    // A file root may not write either: told why, not to use sudo.
    fs::remove(File());
    fs::rename(m_directory.Path() / "kept.ini", File());
    if (!SetImmutable(File(), true)) {
        GTEST_SKIP() << "the file system keeps no immutable flag";
    }
    const ProgramRun run = Run({"--script", "-"}, "click 2\n");
    EXPECT_TRUE(SetImmutable(File(), false));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.errors.find("cannot be written"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("sudo"), std::string::npos) << run.errors;
}

TEST_F(CallerInputTest, RootUnderSudoTakesNoFileOrCodeChoiceFromTheCallersEnvironment)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, as under sudo";
    }
    const fs::path theirs = m_directory.Path() / "theirs.ini";
    WriteFileBytes(theirs, "[Driver]\nUID=theirs\n");
    WriteFileBytes(File(), "[Driver]\nUID=roots\n");
    m_environment["SUDO_UID"] = "1000";
    m_environment["SPARKINI"] = theirs.string();
    m_environment["ODBCSYSINI"] = m_directory.Path().string();
    const ProgramRun run = Run({"get", "UID"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("roots"), std::string::npos) << run.output;
    EXPECT_NE(run.errors.find("SPARKINI"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("ODBCSYSINI"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("not used"), std::string::npos) << run.errors;

    // Without sudo's mark the same environment is the caller's own.
    m_environment["SUDO_UID"] = std::nullopt;
    const ProgramRun own = Run({"get", "UID"});
    EXPECT_NE(own.output.find("theirs"), std::string::npos) << own.output << own.errors;
    EXPECT_EQ(own.errors.find("not used"), std::string::npos) << own.errors;
}

} // namespace
} // namespace Dravo::Test

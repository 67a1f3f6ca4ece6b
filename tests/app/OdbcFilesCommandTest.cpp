// dravo-spark-config --dsn on unixODBC's shared files, read back by unixODBC's
// own odbcinst: the sections it saves and removes are those unixODBC takes
// for them, what unixODBC would read otherwise is refused with its line, and
// a save overlapping unixODBC's own writer, paused half-way through its
// rewrite of the file, loses nothing of either.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

constexpr const char* PRODUCT_DRIVER = "Dravo Spark ODBC Driver";

class OdbcFilesCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_directory.Path() / "registry");
        WriteFileBytes(Folder() / "odbcinst.ini",
            std::string("[") + PRODUCT_DRIVER
                + "]\nDriver=/nonexistent/libdriver.so\n\n[SQLite3]\nDriver=/nonexistent/libsqlite.so\n");
        WriteFileBytes(Folder() / "odbc.ini", "");
        // odbcinst, run from here, reads the same files as the tool.
        ::setenv("ODBCSYSINI", Folder().c_str(), 1);
        ::setenv("ODBCINI", UserFile().c_str(), 1);
        m_environment["DRAVO_REGISTRY_ROOT"] = (m_directory.Path() / "registry").string();
        m_environment["HOME"] = m_directory.Path().string();
        m_environment["XDG_CONFIG_HOME"] = std::nullopt;
        m_environment["SPARKINI"] = (m_directory.Path() / "vezuravuz.ini").string();
        m_environment["ODBCSYSINI"] = Folder().string();
        m_environment["ODBCINI"] = UserFile().string();
    }

    void TearDown() override
    {
        ::unsetenv("ODBCSYSINI");
        ::unsetenv("ODBCINI");
    }

    [[nodiscard]] std::filesystem::path Folder() const { return m_directory.Path(); }
    [[nodiscard]] std::filesystem::path UserFile() const { return m_directory.Path() / "user.ini"; }

    ProgramRun Tool(std::vector<std::string> arguments, const std::string& fileFaults = {},
        std::vector<std::string> wrapper = {}) const
    {
        ToolRunOptions options;
        options.arguments = std::move(arguments);
        options.environment = m_environment;
        options.wrapper = std::move(wrapper);
        if (!fileFaults.empty()) {
            // The test build of the tool, which takes its file faults from there.
            options.environment["DRAVO_FILE_FAULTS"] = fileFaults;
            return RunTool(BuiltProgram("tests/tool_with_test_libraries"), options);
        }
        return RunTool(BuiltProgram("bin/dravo-spark-config"), options);
    }

    /// A data source as unixODBC's odbcinst lists it.
    static std::string UnixOdbcShows(const std::string& name)
    {
        return RunProgram("/usr/bin/odbcinst", {"-q", "-s", "-h", "-n", name}).output;
    }

    TempDir m_directory;
    std::map<std::string, std::optional<std::string>> m_environment;
};

TEST_F(OdbcFilesCommandTest, ASaveChangesOnlyWhatUnixOdbcTakesForTheDataSourceOrIsRefusedWithTheLine)
{
    // "[Other" without its "]" is a data source to unixODBC.
    WriteFileBytes(UserFile(),
        std::string("[Sales]\nDriver=") + PRODUCT_DRIVER + "\nHost=h\nPort=1\n[Other\nDriver=SQLite3\nPort=9\n");
    const ProgramRun set = Tool({"set", "--dsn", "Sales", "Port=4242"});
    ASSERT_EQ(set.exitCode, 0) << set.errors;
    EXPECT_NE(UnixOdbcShows("Sales").find("Port=4242"), std::string::npos) << UnixOdbcShows("Sales");
    EXPECT_NE(UnixOdbcShows("Other").find("Port=9"), std::string::npos) << ReadFileBytes(UserFile());
    const ProgramRun removed = Tool({"remove", "--dsn", "Sales"});
    ASSERT_EQ(removed.exitCode, 0) << removed.errors;
    EXPECT_EQ(ReadFileBytes(UserFile()), "[Other\nDriver=SQLite3\nPort=9\n");

    // A value that would push its padded line past unixODBC's 999 bytes.
    const std::string padded = std::string("[Sales]\nDriver=") + PRODUCT_DRIVER + "\nHost" + std::string(26, ' ') + "="
        + std::string(26, ' ') + "old\n";
    WriteFileBytes(UserFile(), padded);
    const ProgramRun longLine = Tool({"set", "--dsn", "Sales", "Host=" + std::string(941, 'v') + "[Evil]"});
    EXPECT_EQ(longLine.exitCode, 3) << longLine.errors;
    EXPECT_NE(longLine.errors.find(UserFile().string() + ", line 3: "), std::string::npos) << longLine.errors;
    EXPECT_EQ(ReadFileBytes(UserFile()), padded);

    // A file unixODBC reads nothing of is not written to.
    const std::string marked = std::string("\xEF\xBB\xBF[Sales]\nDriver=") + PRODUCT_DRIVER + "\nHost=h\n";
    WriteFileBytes(UserFile(), marked);
    const ProgramRun bom = Tool({"set", "--dsn", "Sales", "Host=h2"});
    EXPECT_NE(bom.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(UserFile()), marked);
}

TEST_F(OdbcFilesCommandTest, AnotherDriversDataSourceIsRefusedWithItsNameAndDriver)
{
    const std::string theirs = "[Other]\nDriver=SQLite3\nDatabase=/tmp/other.db\n";
    WriteFileBytes(UserFile(), theirs);
    const ProgramRun set = Tool({"set", "--dsn", "Other", "Host=x"});
    EXPECT_EQ(set.exitCode, 3) << set.errors;
    EXPECT_NE(set.errors.find("the data source Other belongs to the driver SQLite3"), std::string::npos) << set.errors;
    EXPECT_EQ(ReadFileBytes(UserFile()), theirs);
}

TEST_F(OdbcFilesCommandTest, AFolderThatCannotBeFlushedAfterTheRenameIsReportedWithTheChangeInPlace)
{
    WriteFileBytes(UserFile(), std::string("[Sales]\nDriver=") + PRODUCT_DRIVER + "\nHost=h1\n");
    const ProgramRun set = Tool({"set", "--dsn", "Sales", "Host=h2"}, "fail=flush-directory::0:1117");
    EXPECT_EQ(set.exitCode, 3) << set.errors;
    EXPECT_NE(set.errors.find("the change is in place"), std::string::npos) << set.errors;
    EXPECT_EQ(set.errors.find("nothing was changed"), std::string::npos) << set.errors;
    EXPECT_NE(ReadFileBytes(UserFile()).find("Host=h2\n"), std::string::npos);
}

TEST_F(OdbcFilesCommandTest, AFileNoRightsCouldMakeWritableIsNotAskedForAdministratorRights)
{
    if (::geteuid() != 0 || !std::filesystem::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    }
    // root, and a folder where the data sources' file should be.
    std::filesystem::create_directory(UserFile());
    const ProgramRun folder = Tool({"set", "--dsn", "Sales", "Host=h"});
    EXPECT_EQ(folder.exitCode, 3) << folder.errors;
    EXPECT_EQ(folder.errors.find("administrator rights"), std::string::npos) << folder.errors;
    std::filesystem::remove(UserFile());

    // A user's own file in a folder they may not write.
    WriteFileBytes(UserFile(), std::string("[Sales]\nDriver=") + PRODUCT_DRIVER + "\nHost=h1\n");
    ::chmod(m_directory.Path().c_str(), 0755);
    ASSERT_EQ(::chown(UserFile().c_str(), 65534, 65534), 0);
    const ProgramRun user = Tool({"set", "--dsn", "Sales", "Host=h2"}, {},
        {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(user.exitCode, 3) << user.errors;
    EXPECT_EQ(user.errors.find("administrator rights"), std::string::npos) << user.errors;
    EXPECT_NE(ReadFileBytes(UserFile()).find("Host=h1\n"), std::string::npos);
}

TEST_F(OdbcFilesCommandTest, ASaveOverlappingAPausedUnixOdbcWriterKeepsEverySectionOrFails)
{
    if (!std::filesystem::exists("/usr/bin/strace")) {
        GTEST_SKIP() << "needs strace (scripts/install-deps.sh installs it)";
    }
    std::string sections;
    for (int i = 1; i <= 300; ++i) {
        sections += "[DS" + std::to_string(i) + "]\nDriver=SQLite3\nDatabase=/tmp/db" + std::to_string(i)
            + "\nDescription=section number " + std::to_string(i) + "\n\n";
    }
    WriteFileBytes(UserFile(), sections);
    const std::filesystem::path added = m_directory.Path() / "added.ini";
    WriteFileBytes(added, "[New]\nDriver=SQLite3\nDatabase=/tmp/new\n");

    // unixODBC's writer cuts the file and stops for 1.5 s after its first
    // 4 KiB; the tool saves in that pause.
    auto writer = std::async(std::launch::async, [&] {
        return RunProgram("/usr/bin/strace",
            {"-f", "-o", "/dev/null", "-e", "trace=write", "-e", "inject=write:delay_enter=1500000:when=2",
                "/usr/bin/odbcinst", "-i", "-s", "-h", "-f", added.string()});
    });
    for (int wait = 0; wait < 500 && std::filesystem::file_size(UserFile()) != 4096; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(std::filesystem::file_size(UserFile()), 4096U) << "the writer never stopped half-way";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const ProgramRun ours = Tool({"set", "--dsn", "Ours", "Host=h1"});
    const ProgramRun theirs = writer.get();
    ASSERT_EQ(theirs.exitCode, 0) << theirs.errors;

    const std::string listed = RunProgram("/usr/bin/odbcinst", {"-q", "-s", "-h"}).output;
    for (int i = 1; i <= 300; ++i) {
        ASSERT_NE(listed.find("[DS" + std::to_string(i) + "]\n"), std::string::npos) << "DS" << i << " lost:\n"
                                                                                     << ReadFileBytes(UserFile());
    }
    EXPECT_NE(listed.find("[New]\n"), std::string::npos) << ReadFileBytes(UserFile());
    // Waited for the other writer to finish: then saved over its whole file.
    EXPECT_EQ(ours.exitCode, 0) << ours.errors;
    if (ours.exitCode == 0) {
        EXPECT_NE(UnixOdbcShows("Ours").find("Host=h1"), std::string::npos) << ReadFileBytes(UserFile());
    }
}

} // namespace
} // namespace Dravo::Test

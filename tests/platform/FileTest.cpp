#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/File.h"
#include "tests/common/TempDir.h"

namespace OS = Dravo::OS;

namespace {

std::u16string U16(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::u16string(text.begin(), text.end()); // test paths are ASCII
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

constexpr OS::FileOpenOptions LOG_OPTIONS{true, 0600};

// A file that a link planted at the log name must not reach.
class PlantedLinkTest : public ::testing::Test {
protected:
    void SetUp() override { WriteAll(m_secret, "secret"); }

    Dravo::Test::TempDir m_dir;
    std::filesystem::path m_secret = m_dir / "secret.txt";
    std::filesystem::path m_log = m_dir / "tool.log";
};

TEST_F(PlantedLinkTest, SymbolicLinkAtTheNameIsRefusedForEveryCreation)
{
    std::filesystem::create_symlink(m_secret, m_log);
    for (OS::FileCreation creation :
        {OS::FileCreation::OpenExisting, OS::FileCreation::CreateAlways, OS::FileCreation::OpenAlways}) {
        OS::File file;
        EXPECT_NE(file.Open(U16(m_log), OS::FileAccess::Write, creation, LOG_OPTIONS), OS::ERROR_SUCCESS_CODE);
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_EQ(ReadAll(m_secret), "secret");

    // A dangling link is not followed to create its target either.
    std::filesystem::remove(m_log);
    std::filesystem::create_symlink(m_dir / "created-through-link", m_log);
    OS::File file;
    EXPECT_NE(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::OpenAlways, LOG_OPTIONS),
        OS::ERROR_SUCCESS_CODE);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "created-through-link"));

    // Without the option, links are followed as usual.
    EXPECT_EQ(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::OpenAlways), OS::ERROR_SUCCESS_CODE);
}

TEST_F(PlantedLinkTest, HardLinkAndFifoAreRefusedWithoutHarm)
{
    std::filesystem::create_hard_link(m_secret, m_log);
    OS::File file;
    EXPECT_EQ(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::CreateAlways, LOG_OPTIONS),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(ReadAll(m_secret), "secret"); // not truncated

    std::filesystem::remove(m_log);
    ASSERT_EQ(::mkfifo(m_log.c_str(), 0600), 0);
    // Returns at once instead of waiting for a reader, for writing and reading.
    EXPECT_NE(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::OpenAlways, LOG_OPTIONS),
        OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(file.Open(U16(m_log), OS::FileAccess::Read, OS::FileCreation::OpenExisting, LOG_OPTIONS),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(PlantedLinkTest, RegularFilesAreOpenedTruncatedAndCreatedPrivate)
{
    WriteAll(m_log, "old");
    OS::File file;
    ASSERT_EQ(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::CreateAlways, LOG_OPTIONS),
        OS::ERROR_SUCCESS_CODE);
    size_t written = 0;
    EXPECT_EQ(file.Write("new", 3, written), OS::ERROR_SUCCESS_CODE);
    file.Close();
    EXPECT_EQ(ReadAll(m_log), "new");

    const mode_t oldMask = ::umask(0);
    const auto created = m_dir / "created.log";
    EXPECT_EQ(file.Open(U16(created), OS::FileAccess::Write, OS::FileCreation::OpenAlways, LOG_OPTIONS),
        OS::ERROR_SUCCESS_CODE);
    const auto plain = m_dir / "plain.txt";
    OS::File other;
    EXPECT_EQ(other.Open(U16(plain), OS::FileAccess::Write, OS::FileCreation::OpenAlways), OS::ERROR_SUCCESS_CODE);
    ::umask(oldMask);
    struct stat info {};
    ASSERT_EQ(::stat(created.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600U);
    ASSERT_EQ(::stat(plain.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644U);
}

TEST_F(PlantedLinkTest, RotationMovesAndRemovesOnlyRegularFiles)
{
    std::filesystem::create_symlink(m_secret, m_log);
    const auto moved = m_dir / "tool.1.log";
    EXPECT_EQ(OS::RenameFile(U16(m_log), U16(moved), true), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::RemoveFile(U16(m_log), true), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_TRUE(std::filesystem::is_symlink(m_log));
    EXPECT_FALSE(OS::PathExists(U16(moved)));

    // A link planted at the target name is replaced, not written through.
    std::filesystem::remove(m_log);
    WriteAll(m_log, "log");
    std::filesystem::create_symlink(m_secret, moved);
    EXPECT_EQ(OS::RenameFile(U16(m_log), U16(moved), true), OS::ERROR_SUCCESS_CODE);
    EXPECT_FALSE(std::filesystem::is_symlink(moved));
    EXPECT_EQ(ReadAll(moved), "log");
    EXPECT_EQ(ReadAll(m_secret), "secret");
    EXPECT_EQ(OS::RemoveFile(U16(moved), true), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(OS::RemoveFile(U16(moved), true), OS::ERROR_FILE_NOT_FOUND_CODE);
}

TEST_F(PlantedLinkTest, AnotherUsersFolderLinkOnTheWayOrLogFileIsRefused)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give links and files to another user";
    }
    // LogPath names m_dir/logs, which another user made a link to a folder
    // of root's: root neither writes nor rotates there.
    const auto elsewhere = m_dir / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    WriteAll(elsewhere / "tool.log", "root's");
    std::filesystem::create_directory_symlink(elsewhere, m_dir / "logs");
    ASSERT_EQ(::lchown((m_dir / "logs").c_str(), 65534, 65534), 0);
    OS::File file;
    EXPECT_EQ(
        file.Open(U16(m_dir / "logs" / "tool.log"), OS::FileAccess::Write, OS::FileCreation::OpenAlways, LOG_OPTIONS),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::RenameFile(U16(m_dir / "logs" / "tool.log"), U16(m_dir / "logs" / "tool.1.log"), true),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(OS::RemoveFile(U16(m_dir / "logs" / "tool.log"), true), OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(ReadAll(elsewhere / "tool.log"), "root's");
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "tool.1.log"));

    // A log file another user made (and can read) is not appended to.
    WriteAll(m_log, "theirs");
    ASSERT_EQ(::chown(m_log.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(m_log.c_str(), 0666), 0);
    EXPECT_EQ(file.Open(U16(m_log), OS::FileAccess::Write, OS::FileCreation::OpenAlways, LOG_OPTIONS),
        OS::ERROR_ACCESS_DENIED_CODE);
    EXPECT_EQ(ReadAll(m_log), "theirs");
}

TEST(FileTest, DirectoriesAndExistence)
{
    const Dravo::Test::TempDir dir;
    const auto sub = dir / "sub";
    EXPECT_FALSE(OS::PathExists(U16(sub)));
    EXPECT_EQ(OS::CreateDirectoryLevel(U16(sub)), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(OS::CreateDirectoryLevel(U16(sub)), OS::ERROR_ALREADY_EXISTS_CODE);
    EXPECT_EQ(OS::CreateDirectoryLevel(U16(dir / "a" / "b")), OS::ERROR_PATH_NOT_FOUND_CODE);
    EXPECT_TRUE(OS::IsDirectory(U16(sub)));
    EXPECT_TRUE(OS::PathExists(U16(sub)));
    EXPECT_FALSE(OS::IsDirectory(U16(dir / "none")));
    EXPECT_TRUE(OS::IsPathSeparator(u'/'));
    EXPECT_FALSE(OS::IsPathSeparator(u'a'));

    OS::File file;
    EXPECT_EQ(file.Open(u"", OS::FileAccess::Read, OS::FileCreation::OpenExisting), OS::ERROR_INVALID_NAME_CODE);
    EXPECT_EQ(file.Open(U16(sub), OS::FileAccess::Read, OS::FileCreation::OpenExisting), OS::ERROR_ACCESS_DENIED_CODE);
}

} // namespace

// The rest of the OS layer on Windows: the system's texts, the program's
// path, the installer library's place, files and the documents folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/File.h"
#include "platform/KnownFolders.h"
#include "platform/ModulePath.h"
#include "platform/OdbcInstaller.h"
#include "platform/SystemError.h"
#include "tests/common/TempDir.h"

namespace Dravo::OS {
namespace {

std::u16string Utf16(const std::filesystem::path& path)
{
    const std::wstring wide = path.wstring();
    return std::u16string(wide.begin(), wide.end());
}

TEST(SystemWin32Test, ErrorTextsAreTheSystemsOwn)
{
    for (const ErrorCode code : {ERROR_FILE_NOT_FOUND_CODE, ERROR_ACCESS_DENIED_CODE, ERROR_NO_MORE_ITEMS_CODE}) {
        const std::u16string text = GetSystemErrorMessage(code);
        ASSERT_GE(text.size(), 3U) << code;
        EXPECT_EQ(text.substr(text.size() - 2), u"\r\n") << code;
    }
    EXPECT_NE(GetSystemErrorMessage(ERROR_FILE_NOT_FOUND_CODE), GetSystemErrorMessage(ERROR_ACCESS_DENIED_CODE));
}

TEST(SystemWin32Test, ProgramAndInstallerAreFoundWhereWindowsKeepsThem)
{
    const std::u16string program = GetModuleFilePath();
    ASSERT_GT(program.size(), 4U);
    EXPECT_EQ(program.substr(program.size() - 4), u".exe");
    EXPECT_NE(program.find(PATH_SEPARATOR), std::u16string::npos);

    wchar_t system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(length, 0U);
    std::string expected(system, system + length);
    expected += "\\odbccp32.dll";
    EXPECT_EQ(OdbcInstaller::GetLibraryPath(), expected);

    const auto documents = GetDocumentsFolder();
    ASSERT_TRUE(documents.has_value());
    EXPECT_FALSE(documents->empty());
}

TEST(SystemWin32Test, FilesLockReplaceAndRefuseLinks)
{
    ::Dravo::Test::TempDir directory;
    const std::u16string name = Utf16(directory / "data.txt");
    File writer;
    ASSERT_EQ(writer.Open(name, FileAccess::ReadWrite, FileCreation::CreateAlways), ERROR_SUCCESS_CODE);
    size_t written = 0;
    ASSERT_EQ(writer.Write("hello", 5, written), ERROR_SUCCESS_CODE);
    EXPECT_EQ(written, 5U);
    ASSERT_EQ(writer.Lock(0, 1), ERROR_SUCCESS_CODE);

    // Another handle to the same file meets the lock.
    File other;
    ASSERT_EQ(other.Open(name, FileAccess::ReadWrite, FileCreation::OpenExisting), ERROR_SUCCESS_CODE);
    EXPECT_EQ(other.Lock(0, 1), ERROR_LOCK_VIOLATION_CODE);
    ASSERT_EQ(writer.Unlock(0, 1), ERROR_SUCCESS_CODE);
    EXPECT_EQ(other.Lock(0, 1), ERROR_SUCCESS_CODE);
    EXPECT_EQ(other.Unlock(0, 1), ERROR_SUCCESS_CODE);

    uint64_t size = 0;
    ASSERT_EQ(other.GetSize(size), ERROR_SUCCESS_CODE);
    EXPECT_EQ(size, 5U);
    int64_t position = 0;
    ASSERT_EQ(other.Seek(1, SeekOrigin::Begin, position), ERROR_SUCCESS_CODE);
    char buffer[8] = {};
    size_t read = 0;
    ASSERT_EQ(other.Read(buffer, sizeof buffer, read), ERROR_SUCCESS_CODE);
    EXPECT_EQ(std::string(buffer, read), "ello");
    ASSERT_EQ(other.Read(buffer, sizeof buffer, read), ERROR_SUCCESS_CODE);
    EXPECT_EQ(read, 0U);
    writer.Close();
    other.Close();

    // A new file replaces the old one; while the old one is open elsewhere
    // Windows refuses, unlike POSIX systems, and both stay as they were.
    const std::u16string replacement = Utf16(directory / "new.txt");
    {
        File created;
        ASSERT_EQ(created.Open(replacement, FileAccess::Write, FileCreation::CreateAlways), ERROR_SUCCESS_CODE);
    }
    File reader;
    ASSERT_EQ(reader.Open(name, FileAccess::Read, FileCreation::OpenExisting), ERROR_SUCCESS_CODE);
    EXPECT_EQ(RenameFile(replacement, name, true), ERROR_ACCESS_DENIED_CODE);
    EXPECT_TRUE(PathExists(replacement));
    reader.Close();
    EXPECT_EQ(RenameFile(replacement, name, true), ERROR_SUCCESS_CODE);
    EXPECT_FALSE(PathExists(replacement));
    EXPECT_EQ(RenameFile(Utf16(directory.Path()), name, true), ERROR_ACCESS_DENIED_CODE);

    // Where links are refused, a second name of the file is not written through.
    const std::u16string link = Utf16(directory / "link.txt");
    if (::CreateHardLinkW(
            reinterpret_cast<const wchar_t*>(link.c_str()), reinterpret_cast<const wchar_t*>(name.c_str()), nullptr)) {
        FileOpenOptions options;
        options.refuseLinks = true;
        File refused;
        EXPECT_EQ(refused.Open(link, FileAccess::Write, FileCreation::CreateAlways, options), ERROR_ACCESS_DENIED_CODE);
    }

    EXPECT_EQ(File().Open(Utf16(directory / "absent" / "x.txt"), FileAccess::Read, FileCreation::OpenExisting),
        ERROR_PATH_NOT_FOUND_CODE);
    EXPECT_EQ(CreateDirectoryLevel(Utf16(directory.Path())), ERROR_ALREADY_EXISTS_CODE);
    EXPECT_TRUE(IsDirectory(Utf16(directory.Path())));
}

} // namespace
} // namespace Dravo::OS

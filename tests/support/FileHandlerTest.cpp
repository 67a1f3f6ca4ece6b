#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/FileFaults.h"
#include "support/ErrorException.h"
#include "support/FileHandler.h"
#include "tests/common/TempDir.h"

namespace Support = Dravo::Support;
namespace OS = Dravo::OS;
using Support::FileHandler;
using Support::WideString;

namespace {

// The system's wording of an error, without the line end: on Windows
// whatever the system says (Wine words some differently), elsewhere this
// system's words for the errno; WINDOWS_TEXT is what Windows says.
WideString SystemText(OS::ErrorCode code, const char16_t* windowsText)
{
    (void)windowsText;
    std::u16string text = OS::GetSystemErrorMessage(code);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
        text.pop_back();
    }
    return WideString(text);
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

WideString NameOf(const std::filesystem::path& path)
{
    return WideString(path.string());
}

// Opens and returns the exception raised, or fails the test.
Support::ProductException OpenFailure(const WideString& name, int32_t mode, const OS::FileOpenOptions& options = {})
{
    try {
        FileHandler file(name, mode, options);
    } catch (const Support::ProductException& e) {
        return e;
    }
    ADD_FAILURE() << "opened " << name.GetAsUTF8();
    return Support::ProductException(0, WideString(u"none"));
}

std::vector<std::string> ReadLines(const std::filesystem::path& path, std::string* lastLine = nullptr)
{
    FileHandler file(NameOf(path), Support::FILE_MODE_READ);
    std::vector<std::string> lines;
    std::string line = "junk";
    while (file.ReadLine(line)) {
        lines.push_back(line);
    }
    if (lastLine) {
        *lastLine = line;
    }
    return lines;
}

TEST(FileHandlerTest, ModesCreateTruncateAndAppend)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "data.txt";
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_WRITE_TRUNCATE);
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Write("hello", 5), 5U);
    }
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_APPEND);
        EXPECT_EQ(file.Write(" world", 6), 6U);
    }
    EXPECT_EQ(ReadAll(path), "hello world");
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_READ_WRITE);
        EXPECT_EQ(file.Write("J", 1), 1U);
    }
    EXPECT_EQ(ReadAll(path), "Jello world");
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_READ_WRITE_OPEN_ALWAYS);
        char buffer[5] = {};
        EXPECT_EQ(file.Read(buffer, 5), 5U);
        EXPECT_EQ(std::string(buffer, 5), "Jello");
    }
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_READ_WRITE_TRUNCATE);
    }
    EXPECT_EQ(ReadAll(path), "");
    {
        FileHandler file(NameOf(dir / "new.txt"), Support::FILE_MODE_READ_WRITE_OPEN_ALWAYS);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "new.txt"));

    // The modes that open an existing file fail on a missing one.
    for (int32_t mode : {Support::FILE_MODE_READ, Support::FILE_MODE_READ_WRITE}) {
        const auto e = OpenFailure(NameOf(dir / "missing.txt"), mode);
        EXPECT_EQ(e.GetMessageKey(), WideString(u"CannotOpenFile"));
        ASSERT_EQ(e.GetParameters().size(), 2U);
        EXPECT_EQ(e.GetParameters()[0], NameOf(dir / "missing.txt"));
        EXPECT_EQ(e.GetParameters()[1],
            SystemText(OS::ERROR_FILE_NOT_FOUND_CODE, u"The system cannot find the file specified."));
        EXPECT_EQ(e.GetComponentId(), 3);
        EXPECT_EQ(e.GetDiagState(), 63);
    }
}

TEST(FileHandlerTest, WritingModesCreateOneMissingDirectoryLevel)
{
    const Dravo::Test::TempDir dir;
    for (int32_t mode = 2; mode <= 6; ++mode) {
        const auto sub = dir / ("sub" + std::to_string(mode));
        const auto path = sub / "file.log";
        if (mode == Support::FILE_MODE_READ_WRITE) {
            // Creates the directory, then fails on the missing file.
            OpenFailure(NameOf(path), mode);
        } else {
            FileHandler file(NameOf(path), mode);
            EXPECT_TRUE(file.IsOpen()) << mode;
        }
        EXPECT_TRUE(std::filesystem::is_directory(sub)) << mode;
    }
    const auto e = OpenFailure(NameOf(dir / "absent" / "file.log"), Support::FILE_MODE_READ);
    EXPECT_EQ(e.GetMessageKey(), WideString(u"CannotOpenFile"));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent"));

    // Only one level: a missing grandparent is an error naming the path.
    const auto deep = OpenFailure(NameOf(dir / "a" / "b" / "file.log"), Support::FILE_MODE_APPEND);
    EXPECT_EQ(deep.GetMessageKey(), WideString(u"CannotOpenFile"));
    EXPECT_EQ(deep.GetParameters()[1],
        SystemText(OS::ERROR_PATH_NOT_FOUND_CODE, u"The system cannot find the path specified."));
}

TEST(FileHandlerTest, RejectsEmptyNamesUnknownModesAndDirectories)
{
    const Dravo::Test::TempDir dir;
    for (const WideString& name : {WideString(), WideString(u"")}) {
        const auto e = OpenFailure(name, Support::FILE_MODE_READ);
        EXPECT_EQ(e.GetMessageKey(), WideString(u"InvalidFileName"));
        EXPECT_FALSE(e.HasParameters());
    }
    for (int32_t mode : {0, 7, -1}) {
        const auto e = OpenFailure(NameOf(dir / "x"), mode);
        EXPECT_EQ(e.GetMessageKey(), WideString(u"UnrecognizedOpenMode"));
    }
#if defined(_WIN32)
    EXPECT_EQ(OpenFailure(NameOf(dir.Path()), Support::FILE_MODE_READ).GetParameters()[1],
        SystemText(OS::ERROR_ACCESS_DENIED_CODE, u"Access is denied."));
#else
    // Denied as Windows denies it, in this system's words for why.
    EXPECT_EQ(
        OpenFailure(NameOf(dir.Path()), Support::FILE_MODE_READ).GetParameters()[1], WideString(u"Is a directory"));
#endif
}

TEST(FileHandlerTest, LinesEndAtLineFeedByte255OrEndOfFile)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "lines.txt";
    WriteAll(path, "first\r\nsec\rond\n\nthird\xFFnext\nlast");
    std::string last;
    EXPECT_EQ(ReadLines(path, &last), (std::vector<std::string>{"first", "second", "", "third", "next", "last"}));
    EXPECT_EQ(last, "");

    // Byte 255 at the start of a read is the end of the text.
    WriteAll(path,
        "a\n\xFF"
        "after");
    EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"a"}));
    WriteAll(path, "");
    EXPECT_TRUE(ReadLines(path).empty());
    WriteAll(path, "\r");
    EXPECT_EQ(ReadLines(path), (std::vector<std::string>{""}));

    // A long line crosses the read-ahead blocks; the position ends right
    // after each line, so raw reads continue where the line stopped.
    const std::string longLine(10000, 'x');
    WriteAll(path, longLine + "\nABC");
    FileHandler file(NameOf(path), Support::FILE_MODE_READ);
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, longLine);
    char rest[3] = {};
    EXPECT_EQ(file.Read(rest, 3), 3U);
    EXPECT_EQ(std::string(rest, 3), "ABC");
}

TEST(FileHandlerTest, FormattedAndWideTextIsWrittenExactly)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "out.txt";
    const std::string text255(255, 'a');
    const std::string text256(256, 'b');
    const std::string longText(5000, 'c');
    {
        FileHandler file(NameOf(path), Support::FILE_MODE_WRITE_TRUNCATE);
        file.WriteFormatted("%s", text255.c_str());
        file.WriteFormatted("%s", text256.c_str());
        file.WriteFormatted("%s|%d|%s", "x", -42, longText.c_str());
        file.WriteWString(WideString(u"|Gr\u00FC\u00DFe"));
        file.WriteWString(WideString());
    }
    EXPECT_EQ(ReadAll(path),
        text255 + text256 + "x|-42|" + longText
            + "|Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST(FileHandlerTest, SeekPositionAndReopen)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "seek.txt";
    WriteAll(path, "0123456789");
    FileHandler file(NameOf(path), Support::FILE_MODE_READ_WRITE);
    EXPECT_EQ(file.GetName(), NameOf(path));
    EXPECT_EQ(file.Seek(-3, Support::FILE_SEEK_FROM_END), 7);
    EXPECT_EQ(file.Seek(2, Support::FILE_SEEK_FROM_START), 2);
    EXPECT_EQ(file.Seek(3, Support::FILE_SEEK_FROM_CURRENT), 5);
    EXPECT_EQ(file.Seek(1, 0), 6); // any other origin counts from here
    EXPECT_EQ(file.GetPosition(), 6);
    EXPECT_EQ(file.Seek(-100, Support::FILE_SEEK_FROM_START), -1);
    EXPECT_EQ(file.GetSize(), 10);

    ASSERT_TRUE(file.Reopen(Support::FILE_MODE_APPEND));
    EXPECT_EQ(file.Write("X", 1), 1U);
    EXPECT_EQ(ReadAll(path), "0123456789X");
    std::filesystem::remove(path);
    EXPECT_FALSE(file.Reopen(Support::FILE_MODE_READ));
    EXPECT_FALSE(file.IsOpen());
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 1), 0U);
    EXPECT_EQ(file.Write("y", 1), 0U);
    EXPECT_EQ(file.Seek(0, Support::FILE_SEEK_FROM_START), -1);
    EXPECT_EQ(file.GetPosition(), -1);
}

TEST(FileHandlerTest, LockExcludesOtherOpenersUntilDestruction)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "locked.txt";
    auto first = std::make_unique<FileHandler>(NameOf(path), Support::FILE_MODE_READ_WRITE_OPEN_ALWAYS);
    FileHandler second(NameOf(path), Support::FILE_MODE_READ_WRITE);
    ASSERT_TRUE(first->Lock()); // empty file: one byte is locked
    EXPECT_FALSE(second.Lock());
    first.reset();
    EXPECT_TRUE(second.Lock());
    EXPECT_TRUE(second.Unlock());
}

TEST(FileHandlerTest, FailuresOfTheSystemAreReportedNotRaised)
{
    const Dravo::Test::TempDir dir;
    const auto path = dir / "faults.txt";
    FileHandler file(NameOf(path), Support::FILE_MODE_READ_WRITE_TRUNCATE);
    OS::SetFileFaultHook([](OS::FileOperation operation, const std::u16string&) {
        return operation == OS::FileOperation::Write || operation == OS::FileOperation::Flush ? OS::ERROR_DISK_FULL_CODE
                                                                                              : OS::ERROR_SUCCESS_CODE;
    });
    EXPECT_EQ(file.Write("abc", 3), 0U);
    EXPECT_FALSE(file.Flush());
    EXPECT_EQ(file.GetPosition(), -1);
    file.WriteFormatted("%d", 5);
    OS::SetFileFaultHook(nullptr);
    EXPECT_EQ(ReadAll(path), "");

    OS::SetFileFaultHook([](OS::FileOperation operation, const std::u16string&) {
        return operation == OS::FileOperation::MakeDirectory ? OS::ERROR_ACCESS_DENIED_CODE : OS::ERROR_SUCCESS_CODE;
    });
    const auto e = OpenFailure(NameOf(dir / "sub" / "x.log"), Support::FILE_MODE_APPEND);
    OS::SetFileFaultHook(nullptr);
    EXPECT_EQ(e.GetParameters()[1], SystemText(OS::ERROR_ACCESS_DENIED_CODE, u"Access is denied."));
}

TEST(FileHandlerTest, SystemErrorTextDropsLineEnds)
{
    EXPECT_EQ(Support::GetSystemErrorText(OS::ERROR_ACCESS_DENIED_CODE),
        SystemText(OS::ERROR_ACCESS_DENIED_CODE, u"Access is denied."));
    EXPECT_EQ(Support::GetSystemErrorText(999999), WideString(u"<unknown>"));
}

} // namespace

// Line reading from a file that cannot seek back: a FIFO, as an import file
// chosen on purpose may be.
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/FileHandler.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

TEST(FileHandlerFifoTest, EveryLineOfAFifoIsRead)
{
    const TempDir dir;
    const std::filesystem::path path = dir / "lines.fifo";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Lines of every length across several blocks read ahead.
    std::vector<std::string> written;
    std::string text;
    for (int i = 0; i < 1500; ++i) {
        written.push_back("line " + std::to_string(i) + std::string(static_cast<size_t>(i % 37), '.'));
        text += written.back() + (i % 2 == 0 ? "\n" : "\r\n");
    }
    std::thread writer([&] { std::ofstream(path, std::ios::binary) << text; });
    std::vector<std::string> read;
    {
        Support::FileHandler file(Support::WideString(path.string()), Support::FILE_MODE_READ);
        std::string line;
        while (file.ReadLine(line)) {
            read.push_back(line);
        }
    }
    writer.join();
    EXPECT_EQ(read, written);
}

} // namespace
} // namespace Dravo::Test

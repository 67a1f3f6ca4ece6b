// Figures for the support library: log lines per second through the file
// logger (trace level, rotation on) beside plain fprintf, and the cost of a
// WideString round trip UTF-8 -> UTF-16 -> UTF-8. Prints figures; it asserts
// nothing about them.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/Thread.h"
#include "support/DSIFileLogger.h"
#include "support/Platform.h"
#include "support/WideString.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace Support = Dravo::Support;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BenchLogging(const std::filesystem::path& dir, int lines)
{
    Support::LogSettings settings;
    settings.level = 6;
    settings.directory = dir.string() + "/";
    settings.maxFileSize = 1048576;
    settings.fileCount = 5;
    double loggerSeconds = 0;
    {
        Support::DSIFileLogger logger(Support::WideString(u"bench.log"), settings);
        const auto start = Clock::now();
        for (int i = 0; i < lines; ++i) {
            logger.LogTrace("Dravo::DSI", "Bench", "Run", "line %d of %s", i, "the logger benchmark");
        }
        loggerSeconds = SecondsSince(start);
    }

    const std::string plainPath = (dir / "plain.log").string();
    std::FILE* plain = std::fopen(plainPath.c_str(), "wb");
    if (!plain) {
        std::perror(plainPath.c_str());
        return;
    }
    const auto thread = static_cast<unsigned long long>(Dravo::OS::GetCurrentThreadId());
    const auto start = Clock::now();
    for (int i = 0; i < lines; ++i) {
        std::fprintf(plain, "%s %s %llu %s::%s: line %d of %s\r\n", Support::FormatLogTimestamp().c_str(), "TRACE",
            thread, "Bench", "Run", i, "the logger benchmark");
    }
    std::fclose(plain);
    const double plainSeconds = SecondsSince(start);

    std::printf("log lines, %d at trace level, 1 MiB x 5 files rotating:\n", lines);
    std::printf(
        "  DSIFileLogger      %10.0f lines/s  (%.2f us/line)\n", lines / loggerSeconds, 1e6 * loggerSeconds / lines);
    std::printf(
        "  fprintf to FILE*   %10.0f lines/s  (%.2f us/line)\n", lines / plainSeconds, 1e6 * plainSeconds / lines);
}

void BenchRoundTrip(const char* label, const std::string& utf8, int rounds)
{
    size_t check = 0;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        const Support::WideString wide(utf8);
        check += wide.GetAsUTF8().size();
    }
    const double seconds = SecondsSince(start);
    if (check != utf8.size() * static_cast<size_t>(rounds)) {
        std::printf("  round trip changed the text!\n");
    }
    std::printf("  %-44s %8.0f ns per round trip\n", label, 1e9 * seconds / rounds);
}

void BenchRoundTrips(int rounds)
{
    const std::string ascii = "Driver=Dravo Spark ODBC Driver;Host=spark.example.com;Port=10000";
    std::string mixed;
    for (int i = 0; i < 8; ++i) {
        mixed += "Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x82\xAC "; // "Grüße € ": 8 characters
    }
    std::printf("WideString round trip UTF-8 -> UTF-16 -> UTF-8, 64 characters, %d rounds:\n", rounds);
    BenchRoundTrip("ASCII, platform not started (ICU direct)", ascii.substr(0, 64), rounds);
    BenchRoundTrip("non-ASCII, platform not started (ICU direct)", mixed, rounds);
    Support::InitializePlatform(false);
    BenchRoundTrip("ASCII, platform started (converter pool)", ascii.substr(0, 64), rounds);
    BenchRoundTrip("non-ASCII, platform started (converter pool)", mixed, rounds);
    Support::UninitializePlatform();
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const auto dir =
        std::filesystem::temp_directory_path() / ("dravo-support-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir);
    BenchLogging(dir, lines);
    std::filesystem::remove_all(dir);
    BenchRoundTrips(rounds);
    return 0;
}

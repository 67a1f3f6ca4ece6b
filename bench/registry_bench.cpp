// The registry's cost per value: N writes, each one open-set-close under one
// key, then N reads enumerating the key, for N = 100, 1,000 and 10,000. Every
// write is atomic and visible to other processes when it returns.
//
//   registry_bench [ROUNDS]   (default 3; the median round is printed)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace {

using Clock = std::chrono::steady_clock;
using Dravo::OS::RegistryHive;
using Dravo::OS::RegistryKey;

constexpr char16_t KEY[] = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Bench";

struct Figures {
    double writeMicroseconds = 0;
    double readMicroseconds = 0;
    double coldReadMicroseconds = 0;
    uintmax_t fileBytes = 0;
};

double MicrosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::u16string Numbered(const char16_t* prefix, int number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", number);
    std::u16string text(prefix);
    text.append(digits, digits + std::char_traits<char>::length(digits));
    return text;
}

[[noreturn]] void Fail(const char* what, uint32_t code)
{
    std::fprintf(stderr, "%s failed with error %u: %s\n", what, code, Dravo::OS::GetRegistryDiagnostic().c_str());
    std::exit(1);
}

/// Enumerates every value; returns microseconds per value.
double ReadAll(int count)
{
    const Clock::time_point start = Clock::now();
    auto key = RegistryKey::Open(RegistryHive::LocalMachine, KEY);
    if (!key) {
        Fail("open", key.GetError());
    }
    const auto info = key->QueryInfo();
    if (!info || info->valueCount != static_cast<uint32_t>(count)) {
        Fail("query", info.GetError());
    }
    size_t bytes = 0;
    for (uint32_t i = 0; i < info->valueCount; ++i) {
        const auto value = key->EnumValue(i);
        if (!value) {
            Fail("enumerate", value.GetError());
        }
        bytes += value->data.size();
    }
    if (bytes == 0) {
        Fail("enumerate", 0);
    }
    return MicrosecondsSince(start) / count;
}

Figures RunOnce(int count, const std::filesystem::path& root)
{
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    Dravo::OS::SetRegistryRoot(root.string());
    Dravo::OS::DiscardRegistryCache();

    Figures figures;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto key = RegistryKey::Create(RegistryHive::LocalMachine, KEY);
        if (!key) {
            Fail("create", key.GetError());
        }
        const uint32_t written = key->SetStringValue(Numbered(u"Value", i), Numbered(u"some setting text ", i));
        if (written != 0) {
            Fail("set", written);
        }
        key->Close();
    }
    figures.writeMicroseconds = MicrosecondsSince(start) / count;
    figures.readMicroseconds = ReadAll(count);
    // As another process would: parse the file first.
    Dravo::OS::DiscardRegistryCache();
    figures.coldReadMicroseconds = ReadAll(count);
    figures.fileBytes = std::filesystem::file_size(Dravo::OS::GetHiveFilePath(RegistryHive::LocalMachine));
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::filesystem::path root = std::filesystem::temp_directory_path()
        / ("dravo-registry-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::printf("open-set-close writes under one key, then enumeration; median of %d rounds\n", rounds);
    std::printf("%8s %14s %14s %16s %12s\n", "N", "us/write", "us/read", "us/read (cold)", "file bytes");
    for (const int count : {100, 1000, 10000}) {
        std::vector<Figures> runs;
        for (int round = 0; round < rounds; ++round) {
            runs.push_back(RunOnce(count, root));
        }
        std::sort(runs.begin(), runs.end(),
            [](const Figures& a, const Figures& b) { return a.writeMicroseconds < b.writeMicroseconds; });
        const Figures& median = runs[runs.size() / 2];
        std::printf("%8d %14.1f %14.2f %16.2f %12ju\n", count, median.writeMicroseconds, median.readMicroseconds,
            median.coldReadMicroseconds, median.fileBytes);
    }
    std::filesystem::remove_all(root);
    Dravo::OS::SetRegistryRoot({});
    return 0;
}

// The driver-wide settings' load and save with N server-side properties, for
// N = 0, 100, 1,000 and 10,000, with the driver key in each of its two
// stores: the driver's configuration file (as the tool keeps it on Linux,
// the save in one transaction, as the tool makes it) and the machine hive
// (where every other key is). The load reads the driver key once into the
// snapshot and fills the model; the save writes every setting, every
// property (each one changed, so that each is a real write) and the logging
// options, and is on disk when it returns. Each size runs in a fresh process
// so that its peak memory is its own. Beside them, in the same run, one
// durable replace of a file of the configuration's size (write a new file,
// fsync, rename), the floor of any save that is atomic and durable.
//
//   settings_bench [ROUNDS]   (default 3; the median round is printed)
//   settings_bench --one N [file|hive]   one load and save: "load-ms save-ms peak-kB"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "platform/RegistryTransaction.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/SODriverConnectionSettings.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Dravo::Support::WideString;
namespace VezurAVUZ = Dravo::VezurAVUZ;

constexpr int SIZES[] = {0, 100, 1000, 10000};

/// Wine 8's registry on our build machines: N open-set-close writes.
constexpr double WINE_MS_1000 = 39.0;
constexpr double WINE_MS_10000 = 1190.0;

enum class Store { File, Hive };

const char* StoreName(Store store)
{
    return store == Store::File ? "file" : "hive";
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

const char* const SETTING_LINES[][2] = {{"SparkServerType", "3"}, {"AuthMech", "3"}, {"UID", "user"},
    {"ThriftTransport", "2"}, {"SSL", "1"}, {"TrustedCerts", "/etc/ssl/certs.pem"}, {"HTTPPath", "/cliservice"},
    {"RowsFetchedPerBlock", "10000"}, {"LogLevel", "0"}, {"LogFileSize", "20971520"}, {"ApplySSPWithQueries", "1"},
    {"LCaseSspKeyName", "1"}};

std::string PropertyName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "SSP_property%05d", i);
    return name;
}

/// Writes the file and waits until it and its directory entry are on disk,
/// so that a save starts from a settled disk, as on a configured machine.
void WriteSettled(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
    for (const std::string& name : {path, std::filesystem::path(path).parent_path().string()}) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

/// A driver key as a configured machine holds it, with `properties` SSP_
/// values: the "[Driver]" section of the configuration file, or the hive.
void WriteDriverKey(Store store, int properties)
{
    std::string text;
    if (store == Store::File) {
        text = "; the driver's settings\n[Driver]\n";
        for (const auto& line : SETTING_LINES) {
            text += std::string(line[0]) + "=" + line[1] + "\n";
        }
        for (int i = 0; i < properties; ++i) {
            text += PropertyName(i) + "=value of property " + std::to_string(i) + "\n";
        }
        WriteSettled(Dravo::OS::GetRegistryKeyFilePath(
                         Dravo::OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String()),
            text);
    } else {
        text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\"
            + VezurAVUZ::GetDriverKeyPath().GetAsUTF8() + "]\r\n";
        for (const auto& line : SETTING_LINES) {
            text += "\"" + std::string(line[0]) + "\"=\"" + line[1] + "\"\r\n";
        }
        for (int i = 0; i < properties; ++i) {
            text += "\"" + PropertyName(i) + "\"=\"value of property " + std::to_string(i) + "\"\r\n";
        }
        WriteSettled(Dravo::OS::GetHiveFilePath(Dravo::OS::RegistryHive::LocalMachine), text);
    }
    Dravo::OS::DiscardRegistryCache();
}

/// One load and one save in this process; prints "load-ms save-ms peak-kB".
int RunOne(int properties, Store store)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("dravo-settings-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    ::unsetenv("SPARKINI");
    Dravo::OS::SetRegistryRoot(root.string());
    if (store == Store::File) {
        VezurAVUZ::SetProductIdentity();
    }
    WriteDriverKey(store, properties);

    VezurAVUZ::DriverKeySnapshot::ResetForTesting();
    const Clock::time_point loadStart = Clock::now();
    VezurAVUZ::SODriverRegistryKey registryKey;
    VezurAVUZ::SODriverServerSideProperties serverSide(true, registryKey);
    VezurAVUZ::SODriverHttpProperties http(registryKey);
    VezurAVUZ::SODriverConnectionSettings model(registryKey, serverSide, http, nullptr);
    model.Load();
    const double loadMs = MillisecondsSince(loadStart);
    if (serverSide.GetProperties().size() != static_cast<size_t>(properties)) {
        std::fprintf(stderr, "loaded %zu properties of %d\n", serverSide.GetProperties().size(), properties);
        return 1;
    }

    for (auto& [name, value] : serverSide.GetProperties()) {
        value += WideString(u" (changed)");
    }
    const Clock::time_point saveStart = Clock::now();
    {
        Dravo::OS::RegistryTransaction transaction;
        model.Save();
        if (transaction.Commit() != Dravo::OS::ERROR_SUCCESS_CODE) {
            std::fprintf(stderr, "the save failed: %s\n", Dravo::OS::GetRegistryDiagnostic().c_str());
            return 1;
        }
    }
    const double saveMs = MillisecondsSince(saveStart);

    std::printf("%.1f %.1f %ld\n", loadMs, saveMs, PeakKilobytes());
    std::filesystem::remove_all(root);
    return 0;
}

struct Figures {
    double loadMs = 0;
    double saveMs = 0;
    long peakKilobytes = 0;
};

bool RunChild(int properties, Store store, Figures& figures)
{
    char outputName[] = "/tmp/dravo-settings-bench-XXXXXX";
    const int output = ::mkstemp(outputName);
    if (output < 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    const std::string size = std::to_string(properties);
    char* arguments[] = {const_cast<char*>("settings_bench"), const_cast<char*>("--one"),
        const_cast<char*>(size.c_str()), const_cast<char*>(StoreName(store)), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 1;
    if (spawned == 0) {
        ::waitpid(child, &status, 0);
    }
    ::close(output);
    std::ifstream in(outputName);
    in >> figures.loadMs >> figures.saveMs >> figures.peakKilobytes;
    std::filesystem::remove(outputName);
    return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && in;
}

/// One durable replace of a file of `bytes` bytes in `directory`: a new file
/// written beside it, flushed, renamed over it; with the directory flushed
/// too when asked. In milliseconds.
double DurableReplace(const std::filesystem::path& directory, size_t bytes, bool flushDirectory)
{
    const std::string text(bytes, 'x');
    const std::string target = (directory / "replaced.ini").string();
    const std::string temporary = (directory / ".replaced.ini.new").string();
    const Clock::time_point start = Clock::now();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || ::fsync(fd) != 0
        || ::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        return -1;
    }
    if (flushDirectory) {
        const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directoryFd < 0 || ::fsync(directoryFd) != 0) {
            return -1;
        }
        ::close(directoryFd);
    }
    return MillisecondsSince(start);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--one") {
        return RunOne(std::atoi(argv[2]), argc > 3 && std::string(argv[3]) == "hive" ? Store::Hive : Store::File);
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("driver-wide settings, load and save, median of %d rounds (fresh process each):\n", rounds);
    std::printf(
        "  %8s %12s %12s %12s %12s %14s\n", "SSP_", "file load", "file save", "hive load", "hive save", "peak RSS MiB");
    double fileSaveMs[std::size(SIZES)] = {};
    size_t index = 0;
    for (const int properties : SIZES) {
        Figures median[2];
        for (const Store store : {Store::File, Store::Hive}) {
            std::vector<Figures> runs;
            for (int round = 0; round < rounds; ++round) {
                Figures figures;
                if (!RunChild(properties, store, figures)) {
                    std::fprintf(stderr, "the run with %d properties (%s) failed\n", properties, StoreName(store));
                    return 1;
                }
                runs.push_back(figures);
            }
            std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) { return a.saveMs < b.saveMs; });
            median[store == Store::File ? 0 : 1] = runs[runs.size() / 2];
        }
        fileSaveMs[index++] = median[0].saveMs;
        std::printf("  %8d %12.1f %12.1f %12.1f %12.1f %14.1f\n", properties, median[0].loadMs, median[0].saveMs,
            median[1].loadMs, median[1].saveMs, static_cast<double>(median[0].peakKilobytes) / 1024.0);
    }

    // The floor beside it: a file the size of a configuration with no
    // properties, replaced durably in the same directory, in turn with the
    // save of no properties, so that both meet the same disk; the ratio is
    // taken pair by pair.
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("dravo-settings-bench-replace-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    std::vector<double> saves;
    std::vector<double> plain;
    std::vector<double> withDirectory;
    std::vector<double> ratios;
    for (int round = 0; round < std::max(rounds, 11); ++round) {
        Figures figures;
        if (!RunChild(0, Store::File, figures)) {
            std::fprintf(stderr, "the save of no properties failed\n");
            return 1;
        }
        saves.push_back(figures.saveMs);
        plain.push_back(DurableReplace(directory, 700, false));
        withDirectory.push_back(DurableReplace(directory, 700, true));
        ratios.push_back(saves.back() / plain.back());
    }
    std::filesystem::remove_all(directory);
    std::printf("\nthe save of no properties beside one durable replace of a 700-byte file, in turn, median of %zu:\n",
        saves.size());
    std::printf("  save (file), as above                   %8.2f ms\n", Median(saves));
    std::printf("  write, fsync, rename                    %8.2f ms\n", Median(plain));
    std::printf("  write, fsync, rename, fsync directory   %8.2f ms\n", Median(withDirectory));
    std::printf("\ngoals:\n");
    std::printf("  save of no properties: %.2f x the replace, pair by pair (goal: at most 2 x)\n", Median(ratios));
    std::printf("  save of 1,000 properties: %.1f ms (Wine, 1,000 writes: %.0f ms)\n", fileSaveMs[2], WINE_MS_1000);
    std::printf("  save of 10,000 properties: %.1f ms (Wine, 10,000 writes: %.0f ms; goal: at most that)\n",
        fileSaveMs[3], WINE_MS_10000);
    return 0;
}

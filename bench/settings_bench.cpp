// The driver-wide settings' load and save with N server-side properties, for
// N = 0, 100, 1,000 and 10,000: the load reads the driver key once into the
// snapshot and fills the model; the save writes every setting, every property
// (each one changed, so that each is a real write) and the logging options,
// then flushes the hive. Each size runs in a fresh process so that its peak
// memory is its own.
//
//   settings_bench [ROUNDS]   (default 3; the median round is printed)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ProductNames.h"
#include "platform/Registry.h"
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

/// A driver key as a configured machine holds it, with `properties` SSP_ values.
void WriteHive(int properties)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\"
        + VezurAVUZ::GetDriverKeyPath().GetAsUTF8() + "]\r\n";
    for (const char* line : {"\"SparkServerType\"=\"3\"", "\"AuthMech\"=\"3\"", "\"UID\"=\"user\"",
             "\"ThriftTransport\"=\"2\"", "\"SSL\"=\"1\"", "\"TrustedCerts\"=\"/etc/ssl/certs.pem\"",
             "\"HTTPPath\"=\"/cliservice\"", "\"RowsFetchedPerBlock\"=\"10000\"", "\"LogLevel\"=\"0\"",
             "\"LogFileSize\"=\"20971520\"", "\"ApplySSPWithQueries\"=\"1\"", "\"LCaseSspKeyName\"=\"1\""}) {
        text += std::string(line) + "\r\n";
    }
    char name[32];
    for (int i = 0; i < properties; ++i) {
        std::snprintf(name, sizeof name, "SSP_property%05d", i);
        text += "\"" + std::string(name) + "\"=\"value of property " + std::to_string(i) + "\"\r\n";
    }
    std::ofstream(Dravo::OS::GetHiveFilePath(Dravo::OS::RegistryHive::LocalMachine), std::ios::binary) << text;
    Dravo::OS::DiscardRegistryCache();
}

/// One load and one save in this process; prints "load-ms save-ms peak-kB".
int RunOne(int properties)
{
    const std::filesystem::path root = std::filesystem::temp_directory_path()
        / ("dravo-settings-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    Dravo::OS::SetRegistryRoot(root.string());
    WriteHive(properties);

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
    model.Save();
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

bool RunChild(int properties, Figures& figures)
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
        const_cast<char*>(size.c_str()), nullptr};
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

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--one") {
        return RunOne(std::atoi(argv[2]));
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("driver-wide settings, load and save, median of %d rounds (fresh process each):\n", rounds);
    std::printf("  %8s %12s %12s %14s\n", "SSP_", "load ms", "save ms", "peak RSS MiB");
    for (const int properties : SIZES) {
        std::vector<Figures> runs;
        for (int round = 0; round < rounds; ++round) {
            Figures figures;
            if (!RunChild(properties, figures)) {
                std::fprintf(stderr, "the run with %d properties failed\n", properties);
                return 1;
            }
            runs.push_back(figures);
        }
        std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) { return a.saveMs < b.saveMs; });
        const Figures& median = runs[runs.size() / 2];
        std::printf("  %8d %12.1f %12.1f %14.1f\n", properties, median.loadMs, median.saveMs,
            static_cast<double>(median.peakKilobytes) / 1024.0);
    }
    return 0;
}

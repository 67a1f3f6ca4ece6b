// A change of one data source in an odbc.ini of COUNT data sources, as the
// setup library and the program save it (one replace of the file), beside
// the floor of any atomic and durable save of that file: its bytes written
// beside it, flushed, renamed over it and the folder flushed. The two run in
// turn, ROUNDS times each, in one process; the medians are printed.
//
//   data_source_bench [COUNT [ROUNDS]]    (defaults: 1000 21)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "settings/DataSourceChanges.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Replace(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string temporary = path + ".replace";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    // Stamped as the tool's own saves are, so that the next save does not
    // take this replace for another program's rewrite in place and wait.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {{0, UTIME_OMIT}, now};
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())
        || ::futimens(fd, times) != 0 || ::fsync(fd) != 0 || ::close(fd) != 0
        || ::rename(temporary.c_str(), path.c_str()) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    const int folder = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 21;
    char pattern[] = "/tmp/dravo-data-source-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    const std::string path = folder + "/odbc.ini";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < count; ++i) {
            out << "[Bench" << i << "]\nDriver=Dravo Spark ODBC Driver\nDESCRIPTION=Sales cluster\n"
                << "Host=spark.example.com\nPort=10001\nSchema=sales\nSparkServerType=3\nAuthMech=3\nUID=analyst\n"
                << "ThriftTransport=1\nSSL=0\nRowsFetchedPerBlock=10000\nDefaultStringColumnLength=255\n\n";
        }
    }
    ::setenv("ODBCINI", path.c_str(), 1);
    ::setenv("ODBCSYSINI", folder.c_str(), 1);
    if (!Dravo::OS::OdbcInstaller::IsAvailable()) {
        return 1;
    }
    const Dravo::Support::WideString name("Bench" + std::to_string(count / 2));
    std::vector<double> saves;
    std::vector<double> replaces;
    for (int round = 0; round < rounds; ++round) {
        Dravo::VezurAVUZ::DataSourceChanges changes;
        changes.Write(
            Dravo::Support::WideString(u"DESCRIPTION"), Dravo::Support::WideString("changed " + std::to_string(round)));
        auto start = Clock::now();
        changes.Apply(name, Dravo::Support::WideString(u"Dravo Spark ODBC Driver"),
            Dravo::VezurAVUZ::DataSourceChanges::Start::AsItIs, Dravo::OS::DataSourceScope::User);
        saves.push_back(Milliseconds(Clock::now() - start));
        start = Clock::now();
        Replace(path);
        replaces.push_back(Milliseconds(Clock::now() - start));
    }
    const auto bytes = std::filesystem::file_size(path);
    std::printf("one data source changed in an odbc.ini of %d (%ju bytes), median of %d\n", count,
        static_cast<uintmax_t>(bytes), rounds);
    std::printf("  the data source's save     %8.2f ms\n", Median(saves));
    std::printf("  durable replace of the file %7.2f ms\n", Median(replaces));
    std::printf("  save / replace             %8.2fx\n", Median(saves) / Median(replaces));
    std::filesystem::remove_all(folder);
    return 0;
}

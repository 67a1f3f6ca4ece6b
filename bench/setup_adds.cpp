// Adds data sources one after another through unixODBC's SQLConfigDataSource,
// as an application or a deployment script does, and prints the time taken;
// or changes one data source, and prints the time of that one call.
//
//   setup_adds DRIVER COUNT [KEY=VALUE...]
//   setup_adds DRIVER change NAME [KEY=VALUE...]
//
// The data sources added are named Bench0000, Bench0001, ... and get the
// attributes given. Exit code 1 when any call fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <odbcinst.h>

namespace {

std::string Attributes(int first, int argc, char** argv)
{
    std::string attributes;
    for (int index = first; index < argc; ++index) {
        attributes += argv[index];
        attributes += '\0';
    }
    return attributes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[2], "change") == 0 && argc < 4)) {
        std::fprintf(stderr,
            "usage: setup_adds DRIVER COUNT [KEY=VALUE...]\n"
            "       setup_adds DRIVER change NAME [KEY=VALUE...]\n");
        return 64;
    }
    if (std::strcmp(argv[2], "change") == 0) {
        const std::string list = "DSN=" + std::string(argv[3]) + '\0' + Attributes(4, argc, argv) + '\0';
        const auto start = std::chrono::steady_clock::now();
        const bool changed = SQLConfigDataSource(nullptr, ODBC_CONFIG_DSN, argv[1], list.c_str());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("change in %.2f ms%s\n", seconds * 1000, changed ? "" : " (failed)");
        return changed ? 0 : 1;
    }
    const int count = std::atoi(argv[2]);
    const std::string attributes = Attributes(3, argc, argv);
    int failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int index = 0; index < count; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "DSN=Bench%04d", index);
        const std::string list = name + std::string(1, '\0') + attributes + '\0';
        if (!SQLConfigDataSource(nullptr, ODBC_ADD_DSN, argv[1], list.c_str())) {
            ++failed;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d adds in %.2f s (%d failed)\n", count, seconds, failed);
    return failed == 0 ? 0 : 1;
}

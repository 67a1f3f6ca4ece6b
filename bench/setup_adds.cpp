// Adds data sources one after another through unixODBC's SQLConfigDataSource,
// as an application or a deployment script does, and prints the time taken.
//
//   setup_adds DRIVER COUNT [KEY=VALUE...]
//
// The data sources are named Bench0000, Bench0001, ... and get the attributes
// given. Exit code 1 when any add fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <odbcinst.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: setup_adds DRIVER COUNT [KEY=VALUE...]\n");
        return 64;
    }
    const int count = std::atoi(argv[2]);
    std::string attributes;
    for (int index = 3; index < argc; ++index) {
        attributes += argv[index];
        attributes += '\0';
    }
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

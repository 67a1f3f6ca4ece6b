// Program start on POSIX systems: argv is already what the program needs.
#include "platform/ProgramStart.h"

#include <sys/stat.h>
#include <unistd.h>

namespace Dravo::OS {

std::vector<std::string> GetProgramArguments(int argc, char** argv)
{
    if (argc <= 1 || argv == nullptr) {
        return {};
    }
    return std::vector<std::string>(argv + 1, argv + argc);
}

void ConnectStandardStreams() {}

bool IsCallerInteractive()
{
    struct stat input {};
    struct stat output {};
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1 && ::fstat(STDIN_FILENO, &input) == 0
        && ::fstat(STDOUT_FILENO, &output) == 0 && input.st_rdev == output.st_rdev;
}

bool HasAdministratorRights()
{
    return ::geteuid() == 0;
}

} // namespace Dravo::OS

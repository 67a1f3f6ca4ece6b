// Program start on POSIX systems: argv is already what the program needs.
#include "platform/ProgramStart.h"

namespace Dravo::OS {

std::vector<std::string> GetProgramArguments(int argc, char** argv)
{
    if (argc <= 1 || argv == nullptr) {
        return {};
    }
    return std::vector<std::string>(argv + 1, argv + argc);
}

void ConnectStandardStreams()
{
}

} // namespace Dravo::OS

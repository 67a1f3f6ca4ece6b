// Linked only into the test builds of the programs and of the setup library:
// the file faults that DRAVO_FILE_FAULTS describes (platform/FileFaults.h)
// are installed before anything runs, so that a test can fill the disk or
// fail a rename in a process of its own. What we install takes no such hook.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/FileFaults.h"

namespace {

const bool FILE_FAULTS_INSTALLED = [] {
    const char* description = std::getenv("DRAVO_FILE_FAULTS");
    if (!description || !*description) {
        return false;
    }
    std::string why;
    if (!Dravo::OS::InstallFileFaults(description, why)) {
        std::fprintf(stderr, "DRAVO_FILE_FAULTS: %s\n", why.c_str());
        std::abort();
    }
    return true;
}();

} // namespace

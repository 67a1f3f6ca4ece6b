// Questions about a whole hive that change nothing in it, and the cache of
// parsed files.
#include "platform/Registry.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "platform/posix/DriverConfigurationFile.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {

ErrorCode CheckRegistryHiveWritable(RegistryHive hive)
{
    ClearRegistryDiagnostic();
    return HiveFile::Get(hive).CheckWritable();
}

std::optional<std::string> WhyNotRegistryRoot(const std::string& directory)
{
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return "--registry-root: the directory " + directory + " does not exist";
        }
        return "--registry-root: the directory " + directory + " cannot be used: " + std::strerror(error);
    }
    if (!S_ISDIR(status.st_mode)) {
        return "--registry-root: " + directory + " is not a directory";
    }
    return std::nullopt;
}

void DiscardRegistryCache()
{
    HiveFile::DiscardAll();
    DriverConfigurationFile::DiscardAll();
}

void ReleaseRegistryState()
{
    HiveFile::ReleaseAll();
    DriverConfigurationFile::ReleaseAll();
    UnmountDriverConfiguration();
    SetRegistryRoot({});
}

} // namespace Dravo::OS

// Questions about a whole hive that change nothing in it, and the cache of
// parsed files.
#include "platform/Registry.h"
#include "platform/posix/DriverConfigurationFile.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {

ErrorCode CheckRegistryHiveWritable(RegistryHive hive)
{
    ClearRegistryDiagnostic();
    return HiveFile::Get(hive).CheckWritable();
}

void DiscardRegistryCache()
{
    HiveFile::DiscardAll();
    DriverConfigurationFile::DiscardAll();
}

} // namespace Dravo::OS

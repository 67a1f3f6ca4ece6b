// Questions about a whole hive that change nothing in it.
#include "platform/Registry.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {

ErrorCode CheckRegistryHiveWritable(RegistryHive hive)
{
    ClearRegistryDiagnostic();
    return HiveFile::Get(hive).CheckWritable();
}

} // namespace Dravo::OS

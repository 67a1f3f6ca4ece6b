// The first bytes of a file named as a driver library: any bytes give a
// header or none, and a header has a word size and a description.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driversupport/SharedLibraryHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Dravo::DriverSupport;
    const auto header = ReadSharedLibraryHeader(std::string_view(reinterpret_cast<const char*>(data), size));
    if (header && ((header->bits != 32 && header->bits != 64) || header->Describe().empty() || size < 20)) {
        __builtin_trap();
    }
    return 0;
}

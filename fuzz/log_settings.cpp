// The logging settings' texts: any text gives a level, a size and a count in
// range, never an exception.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/LogLevel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int32_t level = Dravo::Support::ParseLogLevel(text);
    if (level < 0 || level > 6) {
        __builtin_trap();
    }
    (void)Dravo::Support::ParseMaxLogFileSize(text);
    if (Dravo::Support::ParseLogFileCount(text) == 0) {
        __builtin_trap();
    }
    return 0;
}

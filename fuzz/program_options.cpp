// The command line of dravo-spark-config on arbitrary arguments (the input
// split at NUL bytes): the parse either gives an action with the values it
// read, or refuses with a reason, and never crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ProgramOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> arguments(1);
    for (size_t index = 0; index < size; ++index) {
        if (data[index] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[index]));
        }
    }
    using Dravo::VezurAVUZ::ProgramOptions;
    const ProgramOptions options = ProgramOptions::Parse(arguments);
    if ((options.action == ProgramOptions::Action::Invalid) == options.error.empty()) {
        std::abort();
    }
    for (const auto* value : {&options.scriptPath, &options.registryRoot, &options.dataSourceName}) {
        if (value->has_value() && (*value)->empty()) {
            std::abort();
        }
    }
    return 0;
}

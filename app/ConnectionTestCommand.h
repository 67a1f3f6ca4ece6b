// The test command: a data source's connection diagnosed step by step (the
// connection diagnosis), from the data source of --dsn, from settings given
// as NAME=VALUE, or from both (the words win). The settings step is check's
// own review of the values; the output is one line a step, or one JSON object.
#pragma once

#include <iosfwd>
#include <string>

#include "app/ProgramOptions.h"

namespace Dravo::VezurAVUZ {

/// A step of test failed.
inline constexpr int EXIT_TEST_FAILED = 6;

class ConnectionTestCommand {
public:
    ConnectionTestCommand(
        std::string programName, const ProgramOptions& options, std::ostream& output, std::ostream& errors);

    /// After the start-up: runs the test; the exit code.
    int Run();

private:
    std::string m_programName;
    const ProgramOptions& m_options;
    std::ostream& m_output;
    std::ostream& m_errors;
};

} // namespace Dravo::VezurAVUZ

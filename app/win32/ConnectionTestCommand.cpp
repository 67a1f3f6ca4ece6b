// The test command on Windows: the connection diagnosis has no Windows side
// yet (sockets, the resolver and the loader's checks), so it says so rather
// than report steps it cannot take.
#include "app/ConnectionTestCommand.h"

#include <ostream>

#include "app/ConfigurationToolApplication.h"

namespace Dravo::VezurAVUZ {

ConnectionTestCommand::ConnectionTestCommand(
    std::string programName, const ProgramOptions& options, std::ostream& output, std::ostream& errors)
    : m_programName(std::move(programName)), m_options(options), m_output(output), m_errors(errors)
{
}

int ConnectionTestCommand::Run()
{
    m_errors << m_programName << ": 'test' is not yet available on this system; the Test button of the data "
                                 "source dialog tests the connection through the driver.\n";
    return EXIT_UNAVAILABLE;
}

} // namespace Dravo::VezurAVUZ

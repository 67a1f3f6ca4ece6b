// The start of both Windows programs, the dialog program and the console one,
// once each has its standard streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace Dravo::VezurAVUZ {

/// Windows' own way of asking for help, /?, is --help.
void TranslateWindowsOptions(std::vector<std::string>& arguments);

/// Runs the tool on ARGUMENTS (after the program's name) and gives its exit status.
int RunWindowsTool(const std::string& programName, std::vector<std::string> arguments, std::istream& input,
    std::ostream& output, std::ostream& errors);

} // namespace Dravo::VezurAVUZ

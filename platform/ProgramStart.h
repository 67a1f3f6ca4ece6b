// What a program is given when it starts, in the form the rest of the program
// takes: its arguments as UTF-8 words, and standard streams that reach the user.
#pragma once

#include <string>
#include <vector>

namespace Dravo::OS {

/// The program's arguments after its own name, as UTF-8. On Windows they are
/// read from the wide command line (the narrow one loses what the code page
/// cannot hold); elsewhere they are argv as given.
std::vector<std::string> GetProgramArguments(int argc, char** argv);

/// A Windows GUI program has no console of its own: when it was given no
/// standard handles, its output goes to the console of the program that
/// started it, if any. Nothing to do elsewhere.
void ConnectStandardStreams();

/// True where a dialog can reach the person running this process: on
/// Windows always (its dialogs are windows); elsewhere when standard input
/// and standard output are one and the same terminal.
[[nodiscard]] bool IsCallerInteractive();

/// Whether this process has administrator rights already (root; on Windows
/// an elevated token), so that a refusal is not answered with "ask for them".
[[nodiscard]] bool HasAdministratorRights();

} // namespace Dravo::OS

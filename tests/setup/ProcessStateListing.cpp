// Built into a test copy of the setup library, never into the one installed:
// the pieces of process state the library has registered, one a line, "NAME
// held" or "NAME reset", so that a test can see what a call left behind.
#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/ProcessState.h"

/// Copies the listing into TEXT (cut to SIZE - 1 bytes and ended with a NUL)
/// and returns its whole length.
extern "C" size_t DravoListProcessState(char* text, size_t size)
{
    std::string listing;
    for (const Dravo::OS::ProcessStatePiece::Entry& entry : Dravo::OS::ProcessStatePiece::ListAll()) {
        listing += entry.name;
        listing += entry.held ? " held\n" : " reset\n";
    }
    if (text && size > 0) {
        const size_t length = std::min(listing.size(), size - 1);
        listing.copy(text, length);
        text[length] = '\0';
    }
    return listing.size();
}

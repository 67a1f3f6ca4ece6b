// Tells the user, for the whole of a save, that it waits for a lock another
// program holds: on the line below the dialog while one owns the terminal,
// on standard error otherwise.
#pragma once

#include <ostream>
#include <string>

namespace Dravo::VezurAVUZ {

class DialogBackend;

class LockWaitTelling {
public:
    /// BACKEND may be nullptr where no dialog is shown.
    LockWaitTelling(DialogBackend* backend, std::ostream& errors, const std::string& programName);
    LockWaitTelling(const LockWaitTelling&) = delete;
    LockWaitTelling& operator=(const LockWaitTelling&) = delete;
    ~LockWaitTelling();
};

} // namespace Dravo::VezurAVUZ

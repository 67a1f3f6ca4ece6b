// A save that reaches the driver configuration file as one change: while a
// transaction is open, the changes this process makes to a mounted driver key
// are held back (and read back by this process as made); Commit writes them
// all as one replace of the file, merged onto the file as it is then. Other
// keys are written as they are made, each change atomic as always.
//
// On Windows the object does nothing: the driver key is in the registry, and
// the product's writes go there value by value as before.
#pragma once

#include "platform/SystemError.h"

namespace Dravo::OS {

class RegistryTransaction {
public:
    /// Opens the transaction. One at a time in a process: a second one opened
    /// inside the first joins it, and its Commit leaves the writing to the first.
    RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    /// Without a Commit, the changes held back are dropped.
    ~RegistryTransaction();

    /// Lock, read the file again, apply the changes, write the new file
    /// beside it, flush it, rename it over the old one and flush the
    /// directory; for each file changed. On failure the file is as it was,
    /// GetRegistryDiagnostic() names it, and the changes are dropped. Ends the
    /// transaction either way.
    [[nodiscard]] ErrorCode Commit();

private:
    bool m_owner = false;
};

} // namespace Dravo::OS

// Saves wait a bounded time for a lock another program holds on the file they
// replace; a program tells its user what is waited for. Windows' registry
// has no such wait.
#pragma once

#include <string>

namespace Dravo::OS {

/// Told once, with the file's name, when a save has to wait for a lock
/// another program holds.
using LockWaitNotice = void (*)(const std::string& path);
/// Sets the notice (nullptr for none); for the whole process.
void SetLockWaitNotice(LockWaitNotice notice);

} // namespace Dravo::OS

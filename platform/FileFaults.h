// The one test seam for file faults that cannot be provoked for real on
// demand: a disk that fills after so many bytes, a rename or a flush that
// fails. Every file operation of this layer, the durable file engine's
// included, asks it before it touches the system, so that one mechanism
// proves crash and full-disk behaviour everywhere, with or without root.
// Nothing installed sets it: tests set it in their own process, and the test
// builds of the programs take it from their environment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/SystemError.h"

namespace Dravo::OS {

enum class FileOperation {
    Open,
    Read,
    Write,
    Seek,
    GetSize,
    Flush,
    Lock,
    Unlock,
    MakeDirectory,
    Rename,
    Remove,
    /// Putting a new file in place under a name where there was none.
    Link,
    Truncate,
    /// Owner, group, mode and extended attributes of a new file.
    SetAttributes,
    FlushDirectory,
};

/// The operation's name in a fault description ("rename", "flush-directory").
[[nodiscard]] std::string_view FileOperationName(FileOperation operation);

/// Decides for each operation: a non-zero code fails it with that code
/// before it touches the system.
using FileFaultHook = std::function<ErrorCode(FileOperation operation, const std::u16string& name)>;
/// Installs a hook (an empty one removes it); not while other threads work on files.
void SetFileFaultHook(FileFaultHook hook);

/// Every write fails with a full disk once this many more bytes have been
/// written (the write that crosses the limit puts down what fits); a
/// negative number turns the budget off.
void SetFileWriteBudget(int64_t bytes);

/// Installs the faults a text describes, for the test builds of the
/// programs: "write-budget=BYTES" and "fail=OPERATION:NAME-PART:NTH:CODE"
/// (the NTH operation, counted from 1, on a name that holds NAME-PART fails
/// with the Windows error CODE; NTH 0 fails every one), joined by ";". False,
/// with the reason, for a text it cannot read.
[[nodiscard]] bool InstallFileFaults(std::string_view description, std::string& why);

/// For this layer's implementations: the hook's answer, or success when no
/// hook is set.
[[nodiscard]] ErrorCode InjectedFileFault(FileOperation operation, const std::u16string& name);
[[nodiscard]] ErrorCode InjectedFileFault(FileOperation operation, std::string_view utf8Name);
/// How many of the bytes a write wants may go before the disk counts as
/// full; all of them when no budget is set.
[[nodiscard]] size_t FileWriteAllowance(size_t wanted);

} // namespace Dravo::OS

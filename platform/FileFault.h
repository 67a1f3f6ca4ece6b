// The fault a test hook asks for, checked by every file operation of both
// systems' File implementations before it touches the file. Private to
// platform/.
#pragma once

#include <string>

#include "platform/File.h"

namespace Dravo::OS {

/// The hook's answer for OPERATION on NAME, or success when no hook is set.
[[nodiscard]] ErrorCode InjectedFileFault(FileOperation operation, const std::u16string& name);

} // namespace Dravo::OS

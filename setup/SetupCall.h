// One call of an ODBC installer into the setup library: the program's
// start-up around the work, one call at a time, and every failure handed to
// the installer for its caller (SQLPostInstallerError) instead of escaping.
#pragma once

#include <functional>

#include "support/WideString.h"

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

/// Runs WORK with the start-up's logger and forgets the process-wide state
/// afterwards; true when it succeeded. A failure is logged, posted to the
/// installer (an InstallerError as it is, anything else translated) and its
/// message put in FAILURE. A dialog stopped by a signal hands the signal on
/// to the caller once the terminal is given back.
bool RunSetupCall(const char* function, const std::function<void(Support::DSIFileLogger& logger)>& work,
    Support::WideString* failure = nullptr) noexcept;

} // namespace Dravo::VezurAVUZ

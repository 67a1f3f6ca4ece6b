// What the user reads of a failure: one translation of whatever was thrown,
// shared by the program and the setup library, which each frame it their own
// way (a line on standard error, an installer error code).
#pragma once

#include <cstdint>

#include "support/ErrorException.h"
#include "support/WideString.h"

namespace Dravo::DriverSupport {

struct FailureText {
    enum class Kind {
        /// DSSetupException or VarloSetupException; setupErrorType says which.
        SetupError,
        /// Support::ErrorException.
        SupportError,
        OutOfMemory,
        /// A standard exception, or something of no known kind.
        Unexpected,
    };

    Kind kind = Kind::Unexpected;
    /// A DSErrorType, for Kind::SetupError.
    int32_t setupErrorType = DS_ERROR_REQUEST_FAILED;
    /// The text; a setup error's system reason follows on a line of its own,
    /// and nothing ends in a line break.
    Support::WideString text;
};

/// The exception being handled, as the user reads it. Only inside a catch
/// block.
[[nodiscard]] FailureText DescribeCurrentException();

} // namespace Dravo::DriverSupport

// A request of the ODBC installer that the setup library refuses or cannot
// carry out: the installer's error code and a message a person understands,
// both handed to the installer for its caller (SQLInstallerError).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// The installer's error codes this library reports (odbcinst.h).
enum class InstallerErrorCode : uint32_t {
    GeneralError = 1,
    InvalidWindow = 3,
    InvalidRequestType = 5,
    InvalidName = 7,
    InvalidKeywordValue = 8,
    RequestFailed = 11,
    UserCanceled = 16,
    OutOfMemory = 21,
};

class InstallerError : public std::runtime_error {
public:
    InstallerError(InstallerErrorCode code, Support::WideString message);
    /// The message of a string-table entry, with "%1", "%2"... replaced by
    /// the arguments in order.
    InstallerError(
        InstallerErrorCode code, uint32_t messageId, std::initializer_list<Support::WideString> arguments = {});

    [[nodiscard]] InstallerErrorCode GetCode() const { return m_code; }
    [[nodiscard]] const Support::WideString& GetMessage() const { return m_message; }

    /// A string-table text with its arguments in place.
    [[nodiscard]] static Support::WideString FormatMessage(
        uint32_t messageId, std::initializer_list<Support::WideString> arguments);

private:
    InstallerErrorCode m_code;
    Support::WideString m_message;
};

} // namespace Dravo::VezurAVUZ

#include "setup/SetupCall.h"

#include <csignal>
#include <mutex>
#include <optional>
#include <string>

#include "app/DialogBackend.h"
#include "app/StartupSequence.h"
#include "driversupport/FailureText.h"
#include "platform/OdbcInstaller.h"
#include "platform/ProcessState.h"
#include "platform/SharedLibrary.h"
#include "resources/StringIds.h"
#include "setup/InstallerError.h"
#include "support/DSIFileLogger.h"

#ifdef DRAVO_SETUP_PRIVATE_ICU
#include <unicode/uclean.h>
#endif

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

constexpr const char* LOG_NAMESPACE = "Dravo::VezurAVUZ";
constexpr const char* LOG_CLASS = "SetupLibrary";

/// One call at a time: each starts and forgets the process-wide state.
std::mutex g_callLock;
/// Stands for this module: nothing loads resources through the handle.
const int MODULE_ANCHOR = 0;

InstallerErrorCode CodeOfSetupError(int32_t errorType)
{
    switch (errorType) {
    case DriverSupport::DS_ERROR_INVALID_HWND:
        return InstallerErrorCode::InvalidWindow;
    case DriverSupport::DS_ERROR_INVALID_KEYWORD_VALUE:
        return InstallerErrorCode::InvalidKeywordValue;
    case DriverSupport::DS_ERROR_INVALID_NAME:
    case DriverSupport::DS_ERROR_INVALID_DSN:
        return InstallerErrorCode::InvalidName;
    case DriverSupport::DS_ERROR_INVALID_REQUEST_TYPE:
        return InstallerErrorCode::InvalidRequestType;
    default:
        return InstallerErrorCode::RequestFailed;
    }
}

/// The exception in flight as the installer's error.
InstallerError DescribeFailure(std::optional<int>& stopSignal)
{
    try {
        throw;
    } catch (const InstallerError& error) {
        return error;
    } catch (const DialogBackendUnavailable& error) {
        return InstallerError(
            InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_DIALOG_FAILED, {WideString(error.what())});
    } catch (const DialogInterrupted& interrupted) {
        stopSignal = interrupted.GetSignal();
        return InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_UNEXPECTED,
            {WideString(std::string(interrupted.what()) + "; nothing was changed.")});
    } catch (...) {
        const DriverSupport::FailureText failure = DriverSupport::DescribeCurrentException();
        switch (failure.kind) {
        case DriverSupport::FailureText::Kind::SetupError:
            return InstallerError(CodeOfSetupError(failure.setupErrorType), failure.text);
        case DriverSupport::FailureText::Kind::SupportError:
            return InstallerError(InstallerErrorCode::RequestFailed, failure.text);
        case DriverSupport::FailureText::Kind::OutOfMemory:
            return InstallerError(InstallerErrorCode::OutOfMemory, failure.text);
        case DriverSupport::FailureText::Kind::Unexpected:
            break;
        }
        return InstallerError(InstallerErrorCode::GeneralError, Resources::IDS_SETUP_UNEXPECTED, {failure.text});
    }
}

void Report(const InstallerError& error, Support::DSIFileLogger* logger, const char* function)
{
    if (logger) {
        logger->LogError(LOG_NAMESPACE, LOG_CLASS, function, "%s", error.GetMessage().GetAsUTF8().c_str());
    }
    (void)OS::OdbcInstaller::PostError(static_cast<uint32_t>(error.GetCode()), error.GetMessage().GetAsU16String());
}

} // namespace

bool RunSetupCall(
    const char* function, const std::function<void(Support::DSIFileLogger&)>& work, WideString* failure) noexcept
{
    const std::lock_guard lock(g_callLock);
    std::optional<int> stopSignal;
    bool succeeded = false;
    try {
        OS::KeepLinkedLibrariesLoaded();
        try {
            StartupSequence startup(const_cast<int*>(&MODULE_ANCHOR), StartupSequence::Lifetime::Call);
            try {
                work(startup.GetLogger());
                succeeded = true;
            } catch (...) {
                const InstallerError error = DescribeFailure(stopSignal);
                Report(error, &startup.GetLogger(), function);
                if (failure) {
                    *failure = error.GetMessage();
                }
            }
        } catch (...) {
            // The start-up itself failed, or the report did.
            const InstallerError error = DescribeFailure(stopSignal);
            Report(error, nullptr, function);
            if (failure) {
                *failure = error.GetMessage();
            }
            OS::ProcessStatePiece::ForgetAll();
        }
    } catch (...) {
        // Not even the report could be made: the return value must say it.
        succeeded = false;
    }
#ifdef DRAVO_SETUP_PRIVATE_ICU
    // This module's own copy of ICU: nobody else can be using it.
    u_cleanup();
#endif
    if (stopSignal) {
        // The terminal is ours no longer: the caller handles the stop as it
        // would have without us.
        std::raise(*stopSignal);
    }
    return succeeded;
}

} // namespace Dravo::VezurAVUZ

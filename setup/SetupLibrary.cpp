#include "setup/SetupLibrary.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/DialogBackend.h"
#include "dialogs/SODriverConfigurationDialog.h"
#include "platform/NarrowText.h"
#include "platform/ProgramStart.h"
#include "resources/StringIds.h"
#include "settings/SettingsSession.h"
#include "setup/AttributeList.h"
#include "setup/DataSourceSetup.h"
#include "setup/InstallerError.h"
#include "setup/SetupCall.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"
#include "support/WideString.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace Dravo::VezurAVUZ::SetupLibrary {
namespace {

using Support::WideString;

/// The dialogs for a caller's window. What the log file cannot take is
/// never written to the caller's streams (the start-up holds it back for the
/// whole call), so nothing is drawn over the dialogs either.
class CallerDialogs {
public:
    explicit CallerDialogs(void* window)
    {
        if (!OS::IsCallerInteractive()) {
            throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_NO_TERMINAL);
        }
#ifdef _WIN32
        // A handle that names no window would fail only in the dialog
        // manager, as an unexplained general error.
        if (!::IsWindow(static_cast<HWND>(window))) {
            throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_DIALOG_FAILED,
                {WideString(u"the window handle names no window")});
        }
#endif
        m_backend = DialogBackend::CreateForOwner(window);
    }

    [[nodiscard]] DialogBackend& Get()
    {
        return *m_backend;
    }

private:
    std::unique_ptr<DialogBackend> m_backend;
};

[[noreturn]] void RefuseRequest(uint16_t request)
{
    throw InstallerError(InstallerErrorCode::InvalidRequestType, Resources::IDS_SETUP_UNKNOWN_REQUEST,
        {Support::NumberConverter::ConvertUInt32ToWString(request)});
}

/// Copies a message into the caller's buffer as the installer API wants it.
template <class Unit>
void FillMessage(const std::basic_string<Unit>& text, Unit* message, uint16_t messageMax, uint16_t* messageOut)
{
    if (messageOut) {
        *messageOut = static_cast<uint16_t>(std::min<size_t>(text.size(), UINT16_MAX));
    }
    if (message && messageMax > 0) {
        const size_t length = std::min<size_t>(text.size(), messageMax - 1u);
        text.copy(message, length);
        message[length] = Unit{0};
    }
}

/// The texts of the narrow functions, in the system's narrow encoding.
std::u16string Widen(std::string_view text)
{
    std::optional<std::u16string> wide = OS::NarrowTextToUtf16(text);
    if (!wide) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, Resources::IDS_SETUP_ATTRIBUTES_NOT_TEXT);
    }
    return *std::move(wide);
}

/// ConfigDriver's work; FAILURE receives the message of a failure.
bool ConfigureDriver(void* window, uint16_t request, WideString& failure)
{
    return RunSetupCall(
        "ConfigDriver",
        [&](Support::DSIFileLogger& logger) {
            switch (request) {
            case INSTALL_DRIVER:
            case REMOVE_DRIVER:
                // The driver's own installer registers and removes it; this
                // library keeps nothing of its own to add or take away.
                return;
            case CONFIG_DRIVER:
                break;
            default:
                RefuseRequest(request);
            }
            if (!window) {
                throw InstallerError(
                    InstallerErrorCode::InvalidWindow, Resources::IDS_SETUP_DRIVER_DIALOG_NEEDS_WINDOW);
            }
            CallerDialogs dialogs(window);
            DriverSettingsSession session(logger);
            try {
                // Open refuses a driver file that cannot be read, which a bare
                // load would take as empty and OK would then overwrite. Its
                // warnings concern only the tool's own log settings.
                static_cast<void>(session.Open());
            } catch (const SessionFailure& refused) {
                throw InstallerError(InstallerErrorCode::RequestFailed, WideString(std::string(refused.what())));
            }
            SODriverConfigurationDialog dialog(session.GetSettings(), u"Configuration");
            if (dialogs.Get().RunDialog([&] { return dialog.DoModal(dialogs.Get().GetSystem(), nullptr); }) != 1) {
                throw InstallerError(InstallerErrorCode::UserCanceled, Resources::IDS_SETUP_CANCELLED);
            }
            session.SaveAsDialog();
        },
        &failure);
}

} // namespace

bool ConfigDataSource(void* window, uint16_t request, const char16_t* driver, const char16_t* attributes)
{
    return RunSetupCall("ConfigDSN", [&](Support::DSIFileLogger& logger) {
        if (request != ADD_DSN && request != CONFIG_DSN && request != REMOVE_DSN) {
            RefuseRequest(request);
        }
        const AttributeList list = AttributeList::Parse(AttributeList::Measure(attributes));
        DataSourceSetup setup(logger, WideString(driver ? driver : u""));
        // Removing asks nothing of anyone.
        if (!window || request == REMOVE_DSN) {
            switch (request) {
            case ADD_DSN:
                setup.Add(list);
                break;
            case CONFIG_DSN:
                setup.Configure(list);
                break;
            default:
                setup.Remove(list);
                break;
            }
            return;
        }
        std::optional<CallerDialogs> caller;
        const DataSourceSetup::Dialogs dialogs = [&]() -> DialogBackend& {
            if (!caller) {
                caller.emplace(window);
            }
            return caller->Get();
        };
        if (request == ADD_DSN) {
            setup.AddWithDialog(dialogs, list);
        } else {
            setup.ConfigureWithDialog(dialogs, list);
        }
    });
}

bool ConfigDataSourceNarrow(void* window, uint16_t request, const char* driver, const char* attributes)
{
    std::u16string wideDriver;
    std::u16string wideAttributes;
    try {
        wideDriver = Widen(driver ? std::string_view(driver) : std::string_view());
        wideAttributes = Widen(AttributeList::Measure(attributes));
    } catch (...) {
        // Reported like every failure of the call.
        return RunSetupCall("ConfigDSN",
            [failure = std::current_exception()](Support::DSIFileLogger&) { std::rethrow_exception(failure); });
    }
    // Measure keeps the NUL that ends the list; an empty list is one NUL.
    wideAttributes.push_back(u'\0');
    return ConfigDataSource(window, request, driver ? wideDriver.c_str() : nullptr, wideAttributes.c_str());
}

bool ConfigDriver(void* window, uint16_t request, const char16_t* driver, const char16_t* arguments, char16_t* message,
    uint16_t messageMax, uint16_t* messageOut)
{
    (void)driver;
    (void)arguments;
    WideString failure(u"");
    const bool succeeded = ConfigureDriver(window, request, failure);
    FillMessage(failure.GetAsU16String(), message, messageMax, messageOut);
    return succeeded;
}

bool ConfigDriverNarrow(void* window, uint16_t request, const char* driver, const char* arguments, char* message,
    uint16_t messageMax, uint16_t* messageOut)
{
    (void)driver;
    (void)arguments;
    WideString failure(u"");
    const bool succeeded = ConfigureDriver(window, request, failure);
    FillMessage(OS::Utf16ToNarrowText(failure.GetAsU16String()), message, messageMax, messageOut);
    return succeeded;
}

} // namespace Dravo::VezurAVUZ::SetupLibrary

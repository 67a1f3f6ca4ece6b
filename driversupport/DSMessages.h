// How the configuration-support library speaks to the user: the texts of its
// setup errors and of support exceptions, the configuration error message box,
// the busy and normal pointer, and the control-text helpers its dialogs share.
#pragma once

#include <cstdint>

#include "resources/StringIds.h"
#include "support/ErrorException.h"
#include "support/WideString.h"

namespace Dravo::UI {
class DialogHost;
class DialogSystem;
} // namespace Dravo::UI

namespace Dravo::DriverSupport {

class DSMessages {
public:
    DSMessages() = delete;

    /// The string-table id of a setup error's text; 0 for a code without one.
    [[nodiscard]] static uint32_t GetSetupErrorStringId(int32_t errorType);
    /// The text of a setup error from the string table. Raises ErrorException
    /// "DSStringResourceError" (component 110) when the string is missing.
    [[nodiscard]] static Support::WideString GetSetupErrorText(int32_t errorType);
    /// The same, with the system's reason on the next line when the
    /// exception carries one.
    [[nodiscard]] static Support::WideString GetSetupErrorText(const DSSetupException& exception);

    /// The text of a support exception for display: formatted through the
    /// process-wide message source when a driver object provides one, else the
    /// unformatted text (always so in this program).
    [[nodiscard]] static Support::WideString GetErrorExceptionText(const Support::ErrorException& exception);

    /// A warning box with the single OK button, captioned "DSN Configuration
    /// Error" (or nothing when that string is missing), owned by a dialog.
    /// The driver-wide dialogs pass their own caption's string id.
    static void ShowConfigurationError(UI::DialogHost& owner, const Support::WideString& text,
        uint32_t captionId = Resources::IDS_CONFIGURATION_ERROR_CAPTION);
    /// The same box with no owner.
    static void ShowConfigurationError(UI::DialogSystem& system, const Support::WideString& text,
        uint32_t captionId = Resources::IDS_CONFIGURATION_ERROR_CAPTION);
    static void ShowErrorException(UI::DialogHost& owner, const Support::ErrorException& exception);
    static void ShowErrorException(UI::DialogSystem& system, const Support::ErrorException& exception);

    /// The wait pointer and the normal pointer. Raises ErrorException
    /// "DSCursorResourceError" (component 110) with the system's text for the
    /// toolkit's reason when it cannot show it.
    static void SetBusyCursor(UI::DialogSystem& system);
    static void SetNormalCursor(UI::DialogSystem& system);

    /// A control's text without surrounding white space; empty, never null.
    [[nodiscard]] static Support::WideString GetControlText(const UI::DialogHost& host, int32_t controlId);
    static void SetControlText(UI::DialogHost& host, int32_t controlId, const Support::WideString& text);
};

} // namespace Dravo::DriverSupport

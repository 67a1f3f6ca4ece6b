// The connection test result dialog (template 133): it runs a test
// connection with the settings held in a configuration store as soon as it
// opens, under the busy pointer, and shows the outcome in a read-only text
// box: "SUCCESS! " with the driver's ODBC version, its own version, the
// program's bitness and the locale, or "FAILED!" with the error's text and
// what the connection diagnosis finds wrong, where the caller gives it.
#pragma once

#include <cstdint>
#include <functional>

#include "driversupport/DSDSNConfiguration.h"

#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/DialogSystem.h"

namespace Dravo::DriverSupport {

class DSConnectionTester;

/// The lines a failed test adds below the driver's message: what the
/// connection diagnosis found for the same settings.
using DSFailureSteps = std::function<Support::WideString(const DSConnectionSettingsMap& settings)>;

class DSTestResultDialog final : public UI::DialogHandler {
public:
    /// Both must outlive the dialog. FAILURE_STEPS, when given, runs after a
    /// failed test.
    DSTestResultDialog(DSDSNConfiguration& store, const DSConnectionTester& tester, DSFailureSteps failureSteps = {});

    /// Tests the store's settings (all but the logging options) through the
    /// tester and shows the report over a parent dialog; false when the
    /// dialog ended with code 0 (Escape), true after OK.
    static bool Show(UI::DialogHost& parent, DSDSNConfiguration& store, const DSConnectionTester& tester,
        const DSFailureSteps& failureSteps = {});
    /// The same without a parent window.
    static bool Show(UI::DialogSystem& system, DSDSNConfiguration& store, const DSConnectionTester& tester,
        const DSFailureSteps& failureSteps = {});

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static bool Run(UI::DialogSystem& system, UI::DialogHost* parent, DSDSNConfiguration& store,
        const DSConnectionTester& tester, const DSFailureSteps& failureSteps);

    /// The captions, then the test and its report.
    void Initialize(UI::DialogHost& host);
    static void DoOkAction(UI::DialogHost& host);
    static void DoCancelAction(UI::DialogHost& host);

    DSDSNConfiguration& m_store;
    const DSConnectionTester& m_tester;
    DSFailureSteps m_failureSteps;
};

} // namespace Dravo::DriverSupport

// The connection test result dialog (template 133): it runs a test
// connection with the settings held in a configuration store as soon as it
// opens, under the busy pointer, and shows the outcome in a read-only text
// box: "SUCCESS! " with the driver's ODBC version, its own version, the
// program's bitness and the locale, or "FAILED!" with the error's text.
#pragma once

#include <cstdint>

#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/DialogSystem.h"

namespace Dravo::DriverSupport {

class DSConnectionTester;
class DSDSNConfiguration;

class DSTestResultDialog final : public UI::DialogHandler {
public:
    /// Both must outlive the dialog.
    DSTestResultDialog(DSDSNConfiguration& store, const DSConnectionTester& tester);

    /// Tests the store's settings (all but the logging options) through the
    /// tester and shows the report over a parent dialog; false when the
    /// dialog ended with code 0 (Escape), true after OK.
    static bool Show(UI::DialogHost& parent, DSDSNConfiguration& store, const DSConnectionTester& tester);
    /// The same without a parent window.
    static bool Show(UI::DialogSystem& system, DSDSNConfiguration& store, const DSConnectionTester& tester);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static bool Run(UI::DialogSystem& system, UI::DialogHost* parent, DSDSNConfiguration& store,
        const DSConnectionTester& tester);

    /// The captions, then the test and its report.
    void Initialize(UI::DialogHost& host);
    static void DoOkAction(UI::DialogHost& host);
    static void DoCancelAction(UI::DialogHost& host);

    DSDSNConfiguration& m_store;
    const DSConnectionTester& m_tester;
};

} // namespace Dravo::DriverSupport

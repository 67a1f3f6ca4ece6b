// The logging options dialog (template 9109): the driver's log level, log
// directory and rotation numbers, edited on a configuration store, with
// import and export of a configuration file where the caller allows them.
// Every action finds the store through the window property "InputMap";
// setup errors and support exceptions are logged and shown in the
// configuration error message box, and the dialog stays open.
#pragma once

#include <cstdint>

#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/DialogSystem.h"

namespace Dravo::DriverSupport {

class DSDSNConfiguration;

class DSLoggingDialog final : public UI::DialogHandler {
public:
    /// The store must outlive the dialog.
    DSLoggingDialog(DSDSNConfiguration& store, bool importExportAllowed);

    /// Runs the dialog over a parent dialog; false when it ended with Cancel.
    /// The caller loads the logging options before and saves them when its
    /// own dialog is confirmed.
    static bool Show(UI::DialogHost& parent, DSDSNConfiguration& store, bool importExportAllowed);
    /// The same without a parent window.
    static bool Show(UI::DialogSystem& system, DSDSNConfiguration& store, bool importExportAllowed);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static bool Run(
        UI::DialogSystem& system, UI::DialogHost* parent, DSDSNConfiguration& store, bool importExportAllowed);

    void Initialize(UI::DialogHost& host);
    static void DoOkAction(UI::DialogHost& host);
    static void DoCancelAction(UI::DialogHost& host);
    static void DoImportAction(UI::DialogHost& host);
    static void DoExportAction(UI::DialogHost& host);
    static void BrowseForDir(UI::DialogHost& host);
    /// The directory, browse and rotation controls follow the level.
    static void ApplyLevelRule(UI::DialogHost& host);
    /// OK needs a directory and both rotation numbers unless logging is off.
    static void ApplyOkRule(UI::DialogHost& host);

    DSDSNConfiguration& m_store;
    bool m_importExportAllowed;
};

} // namespace Dravo::DriverSupport

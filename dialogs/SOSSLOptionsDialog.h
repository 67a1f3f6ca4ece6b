// The SSL options dialog (template 1091): whether SSL is on, which server
// certificates are accepted, and the client certificate, key and key password
// for two-way SSL. Its controls follow the check boxes and text boxes after
// every message; OK stores only what SSL and two-way SSL make meaningful.
#pragma once

#include <cstdint>

#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOConnectionSettings;

class SOSSLOptionsDialog final : public UI::DialogHandler {
public:
    /// mechanism: the "AuthMech" value of the mechanism selected in the main
    /// dialog; connectionDialog: the main dialog's connection-dialog mode,
    /// where passwords are never saved.
    SOSSLOptionsDialog(SOConnectionSettings& settings, uint32_t mechanism, bool connectionDialog);

    /// Runs the dialog over its owner: 1 after OK, 0 after Cancel.
    static int32_t Show(
        UI::DialogHost& owner, SOConnectionSettings& settings, uint32_t mechanism, bool connectionDialog);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;
    void OnOtherMessage(UI::DialogHost& host, UI::OtherMessage message) override;

private:
    void ApplyEnablingRules(UI::DialogHost& host) const;
    void Store(UI::DialogHost& host);
    static void ChooseFile(UI::DialogHost& host, int32_t editId);

    SOConnectionSettings& m_settings;
    uint32_t m_mechanism;
    bool m_connectionDialog;
    /// The rules run only once the controls hold their first values.
    bool m_initialized = false;
};

} // namespace Dravo::VezurAVUZ

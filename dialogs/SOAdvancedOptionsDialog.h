// The advanced options dialog (template 129): the query and fetch options of
// the configuration. It reads the server type from the main dialog's server
// type box whenever it needs it, so that it follows what the user has chosen
// there even before the main dialog is confirmed.
#pragma once

#include <cstdint>

#include "support/WideString.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOConnectionSettings;

class SOAdvancedOptionsDialog final : public UI::DialogHandler {
public:
    /// The owner is the main configuration dialog (its server type box 1038
    /// is read); both it and the settings must outlive this dialog.
    SOAdvancedOptionsDialog(UI::DialogHost& owner, SOConnectionSettings& settings);

    /// Runs the dialog over the main dialog: 1 after OK, 0 after Cancel. The
    /// settings change only on OK, apart from what the sub-dialogs it opens
    /// store when they end with OK. NOTE, when given, receives after OK what
    /// OK stored in place of a number typed, for the owner to tell.
    static int32_t Show(UI::DialogHost& owner, SOConnectionSettings& settings, Support::WideString* note = nullptr);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

    /// The server type the owner's box shows: 1, 2 or 3.
    [[nodiscard]] static uint32_t ReadServerType(const UI::DialogHost& owner);

private:
    void Store(UI::DialogHost& host);
    void ShowNumberHint(UI::DialogHost& host);
    /// What OK would store in place of a number typed; empty when nothing.
    [[nodiscard]] static Support::WideString DescribeNumberReplaced(const UI::DialogHost& host);

    UI::DialogHost& m_owner;
    SOConnectionSettings& m_settings;
    Support::WideString m_note;
};

} // namespace Dravo::VezurAVUZ

// The Edit Property dialog (template 131): one name/value pair of a property
// list, for both the server-side properties and the HTTP headers.
#pragma once

#include <cstdint>

#include "support/WideString.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

/// A property as the list dialogs edit it, without its storage prefix.
struct SOPropertyPair {
    Support::WideString name;
    Support::WideString value;
};

class SOEditPropertyDialog final : public UI::DialogHandler {
public:
    /// The pair must outlive the dialog; it changes only on OK.
    explicit SOEditPropertyDialog(SOPropertyPair& pair);

    /// Runs the dialog over its owner: 1 after OK (the pair then holds the
    /// trimmed name and value), 0 after Cancel (the pair is unchanged).
    static int32_t Show(UI::DialogHost& owner, SOPropertyPair& pair);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static void UpdateOkButton(UI::DialogHost& host);

    SOPropertyPair& m_pair;
};

} // namespace Dravo::VezurAVUZ

// The Edit Property dialog (template 131): one name/value pair of a property
// list, for both the server-side properties and the HTTP headers.
#pragma once

#include <cstdint>

#include "support/WideString.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOPropertySet;

/// A property as the list dialogs edit it, without its storage prefix.
struct SOPropertyPair {
    Support::WideString name;
    Support::WideString value;
};

class SOEditPropertyDialog final : public UI::DialogHandler {
public:
    /// The pair (and the set, when given) must outlive the dialog; the pair
    /// changes only on OK. With a set, OK refuses a name the set could not
    /// store, with a message, and the dialog stays open.
    explicit SOEditPropertyDialog(SOPropertyPair& pair, const SOPropertySet* properties = nullptr);

    /// Runs the dialog over its owner: 1 after OK (the pair then holds the
    /// trimmed name and value), 0 after Cancel (the pair is unchanged).
    static int32_t Show(UI::DialogHost& owner, SOPropertyPair& pair, const SOPropertySet* properties = nullptr);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static void UpdateOkButton(UI::DialogHost& host);
    /// Tells the user when the set could not store the name; true then.
    bool RefuseName(UI::DialogHost& host, const Support::WideString& name) const;

    SOPropertyPair& m_pair;
    const SOPropertySet* m_properties;
    /// Edited from the HTTP properties: the pair is a header.
    bool m_httpHeader = false;
};

} // namespace Dravo::VezurAVUZ

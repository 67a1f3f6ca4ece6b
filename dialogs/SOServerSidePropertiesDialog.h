// The server-side properties dialog (template 132): the property list plus
// "Convert Key Name to Lower Case" and "Apply properties with queries".
#pragma once

#include <cstdint>

#include "dialogs/SOPropertyListDialog.h"

namespace Dravo::VezurAVUZ {

class SOServerSideProperties;

class SOServerSidePropertiesDialog final : public SOPropertyListDialog {
public:
    /// fullFeaturedServerType: the server type chosen in the main dialog is 2
    /// or 3; with SharkServer "Apply properties with queries" is shown checked
    /// and is not stored.
    SOServerSidePropertiesDialog(SOServerSideProperties& properties, bool fullFeaturedServerType);

    /// Runs the dialog over its owner: 1 after OK, 0 after Cancel.
    static int32_t Show(UI::DialogHost& owner, SOServerSideProperties& properties, bool fullFeaturedServerType);

protected:
    void Store(UI::DialogHost& host) override;
    void Initialize(UI::DialogHost& host) override;

private:
    SOServerSideProperties& m_properties;
    bool m_fullFeaturedServerType;
};

} // namespace Dravo::VezurAVUZ

// The HTTP properties dialog (template 9110): the HTTP path and the list of
// custom HTTP headers.
#pragma once

#include <cstdint>

#include "dialogs/SOPropertyListDialog.h"

namespace Dravo::VezurAVUZ {

class SOHttpProperties;

class SOHttpPropertiesDialog final : public SOPropertyListDialog {
public:
    explicit SOHttpPropertiesDialog(SOHttpProperties& properties);

    /// Runs the dialog over its owner: 1 after OK, 0 after Cancel.
    static int32_t Show(UI::DialogHost& owner, SOHttpProperties& properties);

protected:
    void Store(UI::DialogHost& host) override;
    void Initialize(UI::DialogHost& host) override;

private:
    SOHttpProperties& m_properties;
};

} // namespace Dravo::VezurAVUZ

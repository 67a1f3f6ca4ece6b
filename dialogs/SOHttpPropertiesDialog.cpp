#include "dialogs/SOHttpPropertiesDialog.h"

#include "resources/ControlIds.h"
#include "settings/SOHttpProperties.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;

SOHttpPropertiesDialog::SOHttpPropertiesDialog(SOHttpProperties& properties)
    : SOPropertyListDialog(IDD_HTTP_PROPERTIES, properties), m_properties(properties)
{
}

int32_t SOHttpPropertiesDialog::Show(UI::DialogHost& owner, SOHttpProperties& properties)
{
    SOHttpPropertiesDialog dialog(properties);
    return dialog.DoModal(owner);
}

void SOHttpPropertiesDialog::Initialize(UI::DialogHost& host)
{
    host.SetText(IDC_HTTP_PATH, m_properties.GetHTTPPath());
}

void SOHttpPropertiesDialog::Store(UI::DialogHost& host)
{
    m_properties.SetHTTPPath(host.GetText(IDC_HTTP_PATH).Trim());
    StoreList(host);
}

} // namespace Dravo::VezurAVUZ

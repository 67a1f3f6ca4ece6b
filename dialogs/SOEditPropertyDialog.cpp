#include "dialogs/SOEditPropertyDialog.h"

#include "driversupport/DSWindowPlacement.h"
#include "resources/ControlIds.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;

namespace {

constexpr const char* CONTEXT_PROPERTY = "Context";

} // namespace

SOEditPropertyDialog::SOEditPropertyDialog(SOPropertyPair& pair) : m_pair(pair) {}

int32_t SOEditPropertyDialog::Show(UI::DialogHost& owner, SOPropertyPair& pair)
{
    SOEditPropertyDialog dialog(pair);
    return owner.RunModalChild(IDD_EDIT_PROPERTY, dialog);
}

bool SOEditPropertyDialog::OnInit(UI::DialogHost& host)
{
    host.SetProperty(CONTEXT_PROPERTY, &m_pair);
    DriverSupport::CentreOverOwner(host);
    host.SetText(IDC_EDIT_PROPERTY_KEY, m_pair.name);
    host.SetText(IDC_EDIT_PROPERTY_VALUE, m_pair.value);
    UpdateOkButton(host);
    return true;
}

void SOEditPropertyDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    switch (controlId) {
    case IDC_EDIT_PROPERTY_KEY:
    case IDC_EDIT_PROPERTY_VALUE:
        if (notification == UI::Notification::TextChanged) {
            UpdateOkButton(host);
        }
        break;
    case IDC_OK: {
        auto* pair = host.GetPropertyAs<SOPropertyPair>(CONTEXT_PROPERTY);
        pair->name = host.GetText(IDC_EDIT_PROPERTY_KEY).Trim();
        pair->value = host.GetText(IDC_EDIT_PROPERTY_VALUE).Trim();
        host.EndDialog(1);
        break;
    }
    case IDC_CANCEL:
        host.EndDialog(0);
        break;
    default:
        break;
    }
}

void SOEditPropertyDialog::UpdateOkButton(UI::DialogHost& host)
{
    // A property without a name cannot be stored.
    host.Enable(IDC_OK, !host.GetText(IDC_EDIT_PROPERTY_KEY).Trim().IsEmpty());
}

} // namespace Dravo::VezurAVUZ

#include "dialogs/SOEditPropertyDialog.h"

#include "driversupport/DSMessages.h"
#include "driversupport/DSWindowPlacement.h"
#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "settings/SOPropertySet.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;

namespace {

constexpr const char* CONTEXT_PROPERTY = "Context";

} // namespace

SOEditPropertyDialog::SOEditPropertyDialog(SOPropertyPair& pair, const SOPropertySet* properties)
    : m_pair(pair), m_properties(properties)
{
}

int32_t SOEditPropertyDialog::Show(UI::DialogHost& owner, SOPropertyPair& pair, const SOPropertySet* properties)
{
    SOEditPropertyDialog dialog(pair, properties);
    dialog.m_httpHeader = owner.GetTemplateId() == IDD_HTTP_PROPERTIES;
    return owner.RunModalChild(IDD_EDIT_PROPERTY, dialog);
}

bool SOEditPropertyDialog::OnInit(UI::DialogHost& host)
{
    host.SetProperty(CONTEXT_PROPERTY, &m_pair);
    DriverSupport::CentreOverOwner(host);
    if (m_httpHeader) {
        // The template's frame names server-side properties.
        host.SetText(IDC_EDIT_PROPERTY_GROUP, Support::LoadResourceString(IDS_HTTP_HEADER_CAPTION));
    }
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
        // Enter in the key box with no value yet goes on to the value, so
        // that a property is not added without one by accident.
        if (host.GetFocus() == IDC_EDIT_PROPERTY_KEY && host.GetText(IDC_EDIT_PROPERTY_VALUE).Trim().IsEmpty()) {
            host.SetFocus(IDC_EDIT_PROPERTY_VALUE);
            break;
        }
        const Support::WideString name = host.GetText(IDC_EDIT_PROPERTY_KEY).Trim();
        // Refused here, while what was typed is still on screen: at the save
        // it would cost every edit made in the dialogs.
        if (RefuseName(host, name)) {
            host.SetFocus(IDC_EDIT_PROPERTY_KEY);
            break;
        }
        auto* pair = host.GetPropertyAs<SOPropertyPair>(CONTEXT_PROPERTY);
        pair->name = name;
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

bool SOEditPropertyDialog::RefuseName(UI::DialogHost& host, const Support::WideString& name) const
{
    // A name stored already is kept as it is, whatever the rules say now.
    if (!m_properties || (!name.IsEmpty() && name == m_pair.name)) {
        return false;
    }
    const std::optional<std::string> why = m_properties->WhyNameCannotBeStored(name);
    if (!why) {
        return false;
    }
    const bool driverWide = m_properties->IsDriverWide();
    Support::WideString text = Support::LoadRequiredResourceString(
        driverWide ? IDS_PROPERTY_NAME_NOT_STORABLE : IDS_DATA_SOURCE_PROPERTY_NAME_NOT_STORABLE);
    // The name last: what the user typed may hold "%2".
    text.Replace(Support::WideString(u"%2"), Support::WideString(*why));
    text.Replace(Support::WideString(u"%1"), name);
    DriverSupport::DSMessages::ShowConfigurationError(
        host, text, driverWide ? IDS_DRIVER_CONFIGURATION_ERROR_CAPTION : IDS_CONFIGURATION_ERROR_CAPTION);
    return true;
}

void SOEditPropertyDialog::UpdateOkButton(UI::DialogHost& host)
{
    // A property without a name cannot be stored.
    const bool named = !host.GetText(IDC_EDIT_PROPERTY_KEY).Trim().IsEmpty();
    host.Enable(IDC_OK, named);
    // An empty value is allowed, but Enter in the key box should not add
    // one unnoticed.
    const bool valued = !host.GetText(IDC_EDIT_PROPERTY_VALUE).Trim().IsEmpty();
    host.SetHint(!named ? Support::LoadResourceString(IDS_OK_NEEDS_PROPERTY_KEY)
            : !valued   ? Support::LoadResourceString(IDS_PROPERTY_VALUE_EMPTY)
                        : Support::WideString(u""));
}

} // namespace Dravo::VezurAVUZ

#include "dialogs/SOServerSidePropertiesDialog.h"

#include "resources/ControlIds.h"
#include "settings/SettingsCatalogue.h"
#include "settings/SOServerSideProperties.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;

namespace {

Support::WideString SwitchText(bool on)
{
    return Support::WideString(on ? SWITCH_ON : SWITCH_OFF);
}

bool IsSwitchedOff(const Support::WideString& value)
{
    return value == Support::WideString(SWITCH_OFF);
}

} // namespace

SOServerSidePropertiesDialog::SOServerSidePropertiesDialog(
    SOServerSideProperties& properties, bool fullFeaturedServerType)
    : SOPropertyListDialog(IDD_SERVER_SIDE_PROPERTIES, properties), m_properties(properties),
      m_fullFeaturedServerType(fullFeaturedServerType)
{
}

int32_t SOServerSidePropertiesDialog::Show(
    UI::DialogHost& owner, SOServerSideProperties& properties, bool fullFeaturedServerType)
{
    SOServerSidePropertiesDialog dialog(properties, fullFeaturedServerType);
    return dialog.DoModal(owner);
}

void SOServerSidePropertiesDialog::Initialize(UI::DialogHost& host)
{
    // Only an explicit "0" turns either option off: missing means on.
    host.SetCheck(IDC_SSP_LOWER_CASE_KEY_NAME, !IsSwitchedOff(m_properties.GetLCaseSspKeyName()));
    if (m_fullFeaturedServerType) {
        host.SetCheck(IDC_SSP_APPLY_WITH_QUERIES, !IsSwitchedOff(m_properties.GetApplySSPWithQueries()));
    } else {
        host.SetCheck(IDC_SSP_APPLY_WITH_QUERIES, true);
        host.Enable(IDC_SSP_APPLY_WITH_QUERIES, false);
    }
}

void SOServerSidePropertiesDialog::Store(UI::DialogHost& host)
{
    if (m_fullFeaturedServerType) {
        m_properties.SetApplySSPWithQueries(SwitchText(host.IsChecked(IDC_SSP_APPLY_WITH_QUERIES)));
    }
    m_properties.SetLCaseSspKeyName(SwitchText(host.IsChecked(IDC_SSP_LOWER_CASE_KEY_NAME)));
    StoreList(host);
}

} // namespace Dravo::VezurAVUZ

#include "dialogs/SODriverConfigurationDialog.h"

#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "settings/ProductSwitches.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;

SODriverConfigurationDialog::SODriverConfigurationDialog(
    SOConnectionSettings& settings, const Support::WideString& titleSuffix)
    : SOConfigurationDialog(settings, titleSuffix)
{
    SetHasDSNName(false);
}

int32_t SODriverConfigurationDialog::DoModal(UI::DialogSystem& system, UI::DialogHost* owner)
{
    return system.RunModal(IDD_DRIVER_CONFIGURATION, *this, owner);
}

Support::WideString SODriverConfigurationDialog::GetControlText(
    int32_t controlId, const Support::WideString& defaultText)
{
    if (!HasControl(controlId)) {
        return Support::WideString(u"");
    }
    return SOConfigurationDialog::GetControlText(controlId, defaultText);
}

void SODriverConfigurationDialog::SetControlText(int32_t controlId, const Support::WideString& text)
{
    if (HasControl(controlId)) {
        SOConfigurationDialog::SetControlText(controlId, text);
    }
}

void SODriverConfigurationDialog::ApplyEnabling(int32_t controlId)
{
    if (!HasControl(controlId)) {
        return;
    }
    SOConfigurationDialog::ApplyEnabling(controlId);
    // The driver-wide save keeps no delegation user (a data source does), so
    // the box offers nothing there; a connection prompt still uses it.
    if (controlId == IDC_MAIN_DELEGATION_UID && !IsConnectionDialog()) {
        GetWindow()->Enable(IDC_MAIN_DELEGATION_UID, false);
    }
}

bool SODriverConfigurationDialog::HasControl(int32_t controlId) const
{
    switch (controlId) {
    case IDC_MAIN_HOST:
    case IDC_MAIN_PORT:
        return false;
    case IDC_MAIN_SERVICE_DISCOVERY:
    case IDC_MAIN_ZOOKEEPER_NAMESPACE:
        return !IsServiceDiscoverySuppressed();
    default:
        return true;
    }
}

void SODriverConfigurationDialog::LimitText(int32_t controlId, int32_t length)
{
    if (HasControl(controlId)) {
        SOConfigurationDialog::LimitText(controlId, length);
    }
}

bool SODriverConfigurationDialog::ValidateHost()
{
    return true;
}

bool SODriverConfigurationDialog::ValidatePort(uint32_t mechanism)
{
    (void)mechanism;
    return true;
}

uint32_t SODriverConfigurationDialog::GetErrorCaptionId() const
{
    return IDS_DRIVER_CONFIGURATION_ERROR_CAPTION;
}

} // namespace Dravo::VezurAVUZ

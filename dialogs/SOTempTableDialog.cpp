#include "dialogs/SOTempTableDialog.h"

#include <limits>

#include "dialogs/NumberBox.h"
#include "resources/ControlIds.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;
using Support::WideString;

namespace {

constexpr uint16_t DEFAULT_WEB_HDFS_PORT = 50070;
constexpr uint32_t DEFAULT_TEMP_TABLE_TTL = 10;
constexpr std::u16string_view DEFAULT_HDFS_USER = u"hdfs";
constexpr std::u16string_view DEFAULT_HDFS_TEMP_TABLE_DIR = u"/tmp/dravo";

const WideString& OrDefault(const WideString& value, const WideString& fallback)
{
    return value.IsEmpty() ? fallback : value;
}

} // namespace

SOTempTableDialog::SOTempTableDialog(SOConnectionSettings& settings) : m_settings(settings) {}

int32_t SOTempTableDialog::Show(UI::DialogHost& owner, SOConnectionSettings& settings)
{
    SOTempTableDialog dialog(settings);
    return owner.RunModalChild(IDD_TEMPORARY_TABLE, dialog);
}

bool SOTempTableDialog::OnInit(UI::DialogHost& host)
{
    host.SetCheck(IDC_TEMP_TABLE_ENABLE, m_settings.GetEnableTempTable() == WideString(SWITCH_ON));
    host.SetText(IDC_TEMP_TABLE_WEBHDFS_HOST, m_settings.GetWebHDFSHost());
    ShowNumber(host, IDC_TEMP_TABLE_WEBHDFS_PORT,
        ReadStoredUInt16(m_settings.GetWebHDFSPort()).value_or(DEFAULT_WEB_HDFS_PORT));
    host.SetText(
        IDC_TEMP_TABLE_HDFS_DIR, OrDefault(m_settings.GetHDFSTempTableDir(), WideString(DEFAULT_HDFS_TEMP_TABLE_DIR)));
    host.SetText(IDC_TEMP_TABLE_HDFS_USER, OrDefault(m_settings.GetHDFSUser(), WideString(DEFAULT_HDFS_USER)));
    ShowNumber(
        host, IDC_TEMP_TABLE_TTL, ReadStoredUInt32(m_settings.GetTempTableTTL()).value_or(DEFAULT_TEMP_TABLE_TTL));
    ApplyEnablingRule(host);
    return true;
}

void SOTempTableDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    (void)notification;
    switch (controlId) {
    case IDC_TEMP_TABLE_ENABLE:
        ApplyEnablingRule(host);
        break;
    case IDC_OK:
        Store(host);
        host.EndDialog(1);
        break;
    case IDC_CANCEL:
        host.EndDialog(0);
        break;
    default:
        break;
    }
}

void SOTempTableDialog::ApplyEnablingRule(UI::DialogHost& host)
{
    const bool enabled = host.IsChecked(IDC_TEMP_TABLE_ENABLE);
    for (const int32_t box : {IDC_TEMP_TABLE_WEBHDFS_HOST, IDC_TEMP_TABLE_WEBHDFS_PORT, IDC_TEMP_TABLE_HDFS_USER,
             IDC_TEMP_TABLE_HDFS_DIR, IDC_TEMP_TABLE_TTL}) {
        host.Enable(box, enabled);
    }
}

void SOTempTableDialog::Store(UI::DialogHost& host)
{
    const bool enabled = host.IsChecked(IDC_TEMP_TABLE_ENABLE);
    m_settings.SetEnableTempTable(WideString(enabled ? SWITCH_ON : SWITCH_OFF));
    if (!enabled) {
        return;
    }
    m_settings.SetWebHDFSHost(host.GetText(IDC_TEMP_TABLE_WEBHDFS_HOST).Trim());
    m_settings.SetHDFSTempTableDir(host.GetText(IDC_TEMP_TABLE_HDFS_DIR).Trim());
    m_settings.SetHDFSUser(host.GetText(IDC_TEMP_TABLE_HDFS_USER).Trim());
    const uint32_t port = ReadNumberBox(host, IDC_TEMP_TABLE_WEBHDFS_PORT);
    m_settings.SetWebHDFSPort(NumberText(port <= std::numeric_limits<uint16_t>::max() ? port : DEFAULT_WEB_HDFS_PORT));
    m_settings.SetTempTableTTL(NumberText(ReadNumberBox(host, IDC_TEMP_TABLE_TTL)));
}

} // namespace Dravo::VezurAVUZ

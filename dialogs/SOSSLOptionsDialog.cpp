#include "dialogs/SOSSLOptionsDialog.h"

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "resources/ControlIds.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;
using Support::WideString;

namespace {

/// Every control of the template that has an id, and OK.
constexpr std::array<int32_t, 16> ENABLED_AT_START = {
    IDC_SSL_ENABLE,
    IDC_SSL_ALLOW_HOST_NAME_MISMATCH,
    IDC_SSL_ALLOW_SELF_SIGNED,
    IDC_SSL_TRUSTED_CERTS,
    IDC_SSL_TRUSTED_CERTS_BROWSE,
    IDC_SSL_TWO_WAY,
    IDC_SSL_CLIENT_CERT_LABEL,
    IDC_SSL_CLIENT_CERT,
    IDC_SSL_CLIENT_CERT_BROWSE,
    IDC_SSL_PRIVATE_KEY_LABEL,
    IDC_SSL_PRIVATE_KEY,
    IDC_SSL_PRIVATE_KEY_BROWSE,
    IDC_SSL_KEY_PASSWORD_LABEL,
    IDC_SSL_KEY_PASSWORD,
    IDC_SSL_SAVE_KEY_PASSWORD,
    IDC_OK,
};

// The labels and buttons that go with the fields of SSL and of two-way SSL;
// the fields themselves follow their settings' conditions.
constexpr std::array<int32_t, 7> SSL_ONLY = {
    IDC_SSL_TRUSTED_CERTS_BROWSE,
    IDC_SSL_CLIENT_CERT_LABEL,
    IDC_SSL_CLIENT_CERT_BROWSE,
    IDC_SSL_PRIVATE_KEY_LABEL,
    IDC_SSL_PRIVATE_KEY_BROWSE,
    IDC_SSL_KEY_PASSWORD_LABEL,
    IDC_SSL_SAVE_KEY_PASSWORD,
};

constexpr std::array<int32_t, 3> TWO_WAY_ONLY = {
    IDC_SSL_CLIENT_CERT_BROWSE,
    IDC_SSL_PRIVATE_KEY_BROWSE,
    IDC_SSL_SAVE_KEY_PASSWORD,
};

bool IsOn(const WideString& value)
{
    return value == WideString(SWITCH_ON);
}

WideString SwitchText(bool on)
{
    return WideString(on ? SWITCH_ON : SWITCH_OFF);
}

} // namespace

SOSSLOptionsDialog::SOSSLOptionsDialog(SOConnectionSettings& settings, uint32_t mechanism, bool connectionDialog)
    : m_settings(settings), m_mechanism(mechanism), m_connectionDialog(connectionDialog)
{
}

int32_t SOSSLOptionsDialog::Show(
    UI::DialogHost& owner, SOConnectionSettings& settings, uint32_t mechanism, bool connectionDialog)
{
    SOSSLOptionsDialog dialog(settings, mechanism, connectionDialog);
    return owner.RunModalChild(IDD_SSL_OPTIONS, dialog);
}

bool SOSSLOptionsDialog::OnInit(UI::DialogHost& host)
{
    bool ssl = IsOn(m_settings.GetSSL());
    if (m_mechanism == AUTH_MECH_USER_NAME || m_mechanism == AUTH_MECH_HDINSIGHT_EMULATOR) {
        ssl = false;
    } else if (m_mechanism == AUTH_MECH_HDINSIGHT_SERVICE) {
        ssl = true;
    }
    host.SetCheck(IDC_SSL_ENABLE, ssl);

    const bool hdinsightService = m_mechanism == AUTH_MECH_HDINSIGHT_SERVICE;
    host.SetCheck(
        IDC_SSL_ALLOW_HOST_NAME_MISMATCH, !hdinsightService && IsOn(m_settings.GetCAIssuedCertNamesMismatch()));
    host.SetCheck(IDC_SSL_ALLOW_SELF_SIGNED, !hdinsightService && IsOn(m_settings.GetAllowSelfSignedServerCert()));

    const WideString& trustedCerts = m_settings.GetTrustedCerts();
    host.SetText(IDC_SSL_TRUSTED_CERTS, trustedCerts.IsEmpty() ? GetDefaultTrustedCertsFile() : trustedCerts);

    host.SetCheck(IDC_SSL_TWO_WAY, IsOn(m_settings.GetTwoWaySSL()));
    host.SetText(IDC_SSL_CLIENT_CERT, m_settings.GetClientCert());
    host.SetText(IDC_SSL_PRIVATE_KEY, m_settings.GetClientPrivateKey());
    host.SetText(IDC_SSL_KEY_PASSWORD, m_settings.GetClientPrivateKeyPassword());
    host.SetCheck(IDC_SSL_SAVE_KEY_PASSWORD, m_settings.GetSaveClientKeyPassword());

    m_initialized = true;
    ApplyEnablingRules(host);
    return true;
}

void SOSSLOptionsDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    (void)notification;
    switch (controlId) {
    case IDC_OK:
        Store(host);
        host.EndDialog(1);
        return;
    case IDC_CANCEL:
        host.EndDialog(0);
        return;
    case IDC_SSL_TRUSTED_CERTS_BROWSE:
        ChooseFile(host, IDC_SSL_TRUSTED_CERTS);
        break;
    case IDC_SSL_CLIENT_CERT_BROWSE:
        ChooseFile(host, IDC_SSL_CLIENT_CERT);
        break;
    case IDC_SSL_PRIVATE_KEY_BROWSE:
        ChooseFile(host, IDC_SSL_PRIVATE_KEY);
        break;
    default:
        break;
    }
    if (m_initialized) {
        ApplyEnablingRules(host);
    }
}

void SOSSLOptionsDialog::OnOtherMessage(UI::DialogHost& host, UI::OtherMessage message)
{
    (void)message;
    if (m_initialized && !host.IsEnding()) {
        ApplyEnablingRules(host);
    }
}

void SOSSLOptionsDialog::ApplyEnablingRules(UI::DialogHost& host) const
{
    std::map<int32_t, bool> enabled;
    for (const int32_t control : ENABLED_AT_START) {
        enabled[control] = true;
    }
    if (MechanismFixesSSL(m_mechanism)) {
        enabled[IDC_SSL_ENABLE] = false;
    }
    if (m_mechanism == AUTH_MECH_HDINSIGHT_SERVICE) {
        enabled[IDC_SSL_ALLOW_HOST_NAME_MISMATCH] = false;
        enabled[IDC_SSL_ALLOW_SELF_SIGNED] = false;
    }
    if (m_connectionDialog) {
        enabled[IDC_SSL_SAVE_KEY_PASSWORD] = false;
    }
    const bool ssl = host.IsChecked(IDC_SSL_ENABLE);
    const bool twoWay = host.IsChecked(IDC_SSL_TWO_WAY);
    // The dialog is only opened for server types 2 and 3.
    const SettingValueLookup shown = [this, ssl, twoWay](std::u16string_view name) {
        if (IsSameSettingName(name, KEY_SPARK_SERVER_TYPE)) {
            return WideString(u"2");
        }
        if (IsSameSettingName(name, KEY_AUTH_MECH)) {
            const std::string digits = std::to_string(m_mechanism);
            return WideString(std::u16string(digits.begin(), digits.end()));
        }
        if (IsSameSettingName(name, KEY_SSL)) {
            return WideString(ssl ? u"1" : u"0");
        }
        if (IsSameSettingName(name, KEY_TWO_WAY_SSL)) {
            return WideString(twoWay ? u"1" : u"0");
        }
        return WideString(u"");
    };
    for (const SettingRule& rule : GetSettingRules()) {
        if (rule.dialogId == IDD_SSL_OPTIONS && rule.controlId != 0 && enabled.contains(rule.controlId)
            && !IsSettingEditable(rule, shown)) {
            enabled[rule.controlId] = false;
        }
    }
    if (!ssl) {
        for (const int32_t control : SSL_ONLY) {
            enabled[control] = false;
        }
    } else if (twoWay) {
        if (host.GetText(IDC_SSL_CLIENT_CERT).IsEmpty() || host.GetText(IDC_SSL_PRIVATE_KEY).IsEmpty()) {
            enabled[IDC_OK] = false;
        }
    } else {
        for (const int32_t control : TWO_WAY_ONLY) {
            enabled[control] = false;
        }
    }
    for (const auto& [control, on] : enabled) {
        host.Enable(control, on);
    }
}

void SOSSLOptionsDialog::Store(UI::DialogHost& host)
{
    const bool ssl = host.IsChecked(IDC_SSL_ENABLE);
    m_settings.SetSSL(SwitchText(ssl));
    if (!ssl) {
        return;
    }
    m_settings.SetTrustedCerts(host.GetText(IDC_SSL_TRUSTED_CERTS).Trim());
    m_settings.SetCAIssuedCertNamesMismatch(SwitchText(host.IsChecked(IDC_SSL_ALLOW_HOST_NAME_MISMATCH)));
    m_settings.SetAllowSelfSignedServerCert(SwitchText(host.IsChecked(IDC_SSL_ALLOW_SELF_SIGNED)));
    const bool twoWay = host.IsChecked(IDC_SSL_TWO_WAY);
    m_settings.SetTwoWaySSL(SwitchText(twoWay));
    if (!twoWay) {
        return;
    }
    m_settings.SetClientCert(host.GetText(IDC_SSL_CLIENT_CERT).Trim());
    m_settings.SetClientPrivateKey(host.GetText(IDC_SSL_PRIVATE_KEY).Trim());
    // Blanks can belong to a password: it is stored exactly as typed.
    m_settings.SetClientPrivateKeyPassword(host.GetText(IDC_SSL_KEY_PASSWORD));
    if (!m_connectionDialog) {
        m_settings.SetSaveClientKeyPassword(host.IsChecked(IDC_SSL_SAVE_KEY_PASSWORD));
    }
}

void SOSSLOptionsDialog::ChooseFile(UI::DialogHost& host, int32_t editId)
{
    UI::FileRequest request;
    request.kind = UI::FileRequestKind::Open;
    // The chooser starts where the current file is; for certificates without
    // one, where systems keep theirs.
    const WideString current = host.GetText(editId).Trim();
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(current.GetAsU16String()).parent_path();
    if (!current.IsEmpty() && !folder.empty() && std::filesystem::is_directory(folder, error)) {
        request.initialFile = current;
    } else if (editId == IDC_SSL_TRUSTED_CERTS) {
        request.initialDirectory = WideString(u"/etc/ssl/certs");
    }
    request.flags = UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_FILE_MUST_EXIST;
    if (const std::optional<WideString> path = host.ChooseFile(request)) {
        host.SetText(editId, *path);
    }
}

} // namespace Dravo::VezurAVUZ

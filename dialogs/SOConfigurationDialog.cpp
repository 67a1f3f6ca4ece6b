#include "dialogs/SOConfigurationDialog.h"

#include <algorithm>
#include <array>
#include <vector>

#include "identity/ProductNames.h"
#include "settings/DataSourceNameRefusal.h"
#include "dialogs/SOAdvancedOptionsDialog.h"
#include "dialogs/SOHttpPropertiesDialog.h"
#include "dialogs/SOSSLOptionsDialog.h"
#include "dialogs/ConnectionFailureSteps.h"
#include "driversupport/DSConnectionTester.h"
#include "driversupport/DSKeys.h"
#include "driversupport/DSLoggingDialog.h"
#include "driversupport/DSMessages.h"
#include "driversupport/DSTestResultDialog.h"
#include "driversupport/DSWindowPlacement.h"
#include "platform/OdbcDataSources.h"
#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "settings/LoggingOptionsModel.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {
namespace {

using namespace Resources;
using Support::WideString;

constexpr const char* LOG_NAMESPACE = "Dravo::VezurAVUZ";
constexpr const char* LOG_CLASS = "SOConfigurationDialog";

constexpr int32_t DSN_TEXT_LIMIT = 32;

/// What the dialog reads of a control or combo label: every character its
/// box accepts, so that nothing the user typed is lost without a word.
constexpr int32_t TEXT_READ_LIMIT = SHORT_TEXT_LIMIT;
constexpr int32_t DSN_READ_LIMIT = DSN_TEXT_LIMIT;
constexpr int32_t HOST_READ_LIMIT = HOST_TEXT_LIMIT;

/// The edit boxes and the length each may hold.
constexpr std::array<std::pair<int32_t, int32_t>, 12> TEXT_LIMITS{{
    {IDC_MAIN_DSN, DSN_TEXT_LIMIT},
    {IDC_MAIN_DESCRIPTION, SHORT_TEXT_LIMIT},
    {IDC_MAIN_HOST, HOST_TEXT_LIMIT},
    {IDC_MAIN_PORT, SHORT_TEXT_LIMIT},
    {IDC_MAIN_DATABASE, SHORT_TEXT_LIMIT},
    {IDC_MAIN_REALM, SHORT_TEXT_LIMIT},
    {IDC_MAIN_HOST_FQDN, SHORT_TEXT_LIMIT},
    {IDC_MAIN_SERVICE_NAME, SHORT_TEXT_LIMIT},
    {IDC_MAIN_USER_NAME, SHORT_TEXT_LIMIT},
    {IDC_MAIN_PASSWORD, SHORT_TEXT_LIMIT},
    {IDC_MAIN_DELEGATION_UID, SHORT_TEXT_LIMIT},
    {IDC_MAIN_ZOOKEEPER_NAMESPACE, SHORT_TEXT_LIMIT},
}};

/// The controls whose changes the dialog follows.
constexpr std::array<int32_t, 11> WATCHED_CONTROLS{IDC_MAIN_DSN, IDC_MAIN_HOST, IDC_MAIN_DATABASE, IDC_MAIN_PORT,
    IDC_MAIN_SERVER_TYPE, IDC_MAIN_MECHANISM, IDC_MAIN_HOST_FQDN, IDC_MAIN_SERVICE_NAME, IDC_MAIN_SERVICE_DISCOVERY,
    IDC_MAIN_ZOOKEEPER_NAMESPACE, IDC_MAIN_TRANSPORT};

// The transports each displayed mechanism offers, as bits (1 << transport).
constexpr uint32_t OFFER_SASL = 1U << TRANSPORT_SASL;
constexpr uint32_t OFFER_HTTP = 1U << TRANSPORT_HTTP;

/// The transports the mechanism allows; all three when no mechanism is
/// selected or it has no rule of its own.
uint32_t OfferedTransports(std::optional<uint32_t> mechanism)
{
    uint32_t offered = 0;
    for (const uint32_t transport : {TRANSPORT_BINARY, TRANSPORT_SASL, TRANSPORT_HTTP}) {
        if (!mechanism || *mechanism >= MECHANISM_COUNT || IsTransportAllowed(*mechanism, transport)) {
            offered |= 1U << transport;
        }
    }
    return offered;
}

/// The index of a label in a value table, or nothing.
template <size_t N>
std::optional<uint32_t> FindLabel(const std::array<std::u16string_view, N>& labels, const WideString& label)
{
    for (size_t index = 0; index < N; ++index) {
        if (label == WideString(labels[index])) {
            return static_cast<uint32_t>(index);
        }
    }
    return std::nullopt;
}

WideString ToText(uint32_t value)
{
    return Support::NumberConverter::ConvertUInt32ToWString(value);
}

} // namespace

SOConfigurationDialog::SOConfigurationDialog(SOConnectionSettings& settings, const WideString& titleSuffix)
    : m_settings(settings), m_titleSuffix(titleSuffix), m_connectionDialog(titleSuffix == u"Connection Dialog")
{
}

SOConfigurationDialog::~SOConfigurationDialog() = default;

int32_t SOConfigurationDialog::DoModal(UI::DialogSystem& system, UI::DialogHost* owner)
{
    return system.RunModal(IDD_DSN_CONFIGURATION, *this, owner);
}

void SOConfigurationDialog::DoTestAction(UI::DialogHost& owner)
{
    // The test runs on what the dialog shows now, saved or not, so a user can
    // try settings before keeping them.
    LoggingOptionsModel store(WideString(u""), m_settings.GetConfigurationStore().GetLogger(), 2, true);
    const auto set = [&store](std::u16string_view key, const WideString& value) {
        store[WideString(key)] = value.IsNull() ? WideString(u"") : value;
    };
    const auto trimmed = [this](int32_t controlId) { return GetControlText(controlId, WideString(u"")).Trim(); };

    set(KEY_HOST, m_window->GetText(IDC_MAIN_HOST).Trim());
    set(KEY_SCHEMA, trimmed(IDC_MAIN_DATABASE));
    const int32_t discovery = GetDiscoveryIndex();
    set(KEY_SERVICE_DISCOVERY_MODE, ToText(static_cast<uint32_t>(discovery)));
    const int32_t serverTypeIndex = GetServerTypeIndex();
    const uint32_t serverType = serverTypeIndex == 2 ? 3 : serverTypeIndex == 1 ? 2 : 1;
    set(KEY_SPARK_SERVER_TYPE, ToText(serverType));
    const uint32_t mechanism = GetSelectedMechanism().value_or(m_mechanism);
    set(KEY_AUTH_MECH, ToText(mechanism));
    set(KEY_KRB_REALM, trimmed(IDC_MAIN_REALM));
    set(KEY_KRB_HOST_FQDN, trimmed(IDC_MAIN_HOST_FQDN));
    set(KEY_KRB_SERVICE_NAME, trimmed(IDC_MAIN_SERVICE_NAME));

    set(KEY_SOCKET_TIMEOUT, m_settings.GetSocketTimeout());
    set(KEY_ROWS_FETCHED_PER_BLOCK, m_settings.GetRowsFetchedPerBlock());
    set(KEY_DEFAULT_STRING_COLUMN_LENGTH, m_settings.GetDefaultStringColumnLength());
    set(KEY_BINARY_COLUMN_LENGTH, m_settings.GetBinaryColumnLength());
    set(KEY_DECIMAL_COLUMN_SCALE, m_settings.GetDecimalColumnScale());
    set(KEY_ENABLE_ASYNC_EXEC, m_settings.GetEnableAsyncExec());
    set(KEY_LCASE_SSP_KEY_NAME, m_settings.GetServerSideProperties().GetLCaseSspKeyName());
    set(KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, m_settings.GetDriverConfigTakePrecedence());
    set(KEY_USE_ONLY_SSPI, m_settings.GetUseOnlySSPI());

    if (discovery == 1) {
        set(KEY_ZK_NAMESPACE, GetControlText(IDC_MAIN_ZOOKEEPER_NAMESPACE, WideString(u"")));
    } else {
        set(KEY_PORT, GetControlText(IDC_MAIN_PORT, WideString(u"")));
    }
    if (MechanismTakesUserName(mechanism)) {
        set(KEY_UID, GetControlText(IDC_MAIN_USER_NAME, WideString(u"")));
    }
    if (MechanismTakesPassword(mechanism)) {
        set(DriverSupport::KEY_PWD, GetControlText(IDC_MAIN_PASSWORD, WideString(u"")));
    }

    const uint32_t transport = GetSelectedTransport().value_or(m_transport);
    set(KEY_THRIFT_TRANSPORT, ToText(transport));
    if (transport == TRANSPORT_HTTP) {
        SOHttpProperties& http = m_settings.GetHttpProperties();
        set(KEY_HTTP_PATH, http.GetHTTPPath());
        const WideString prefix{std::string(HTTP_HEADER_PREFIX)};
        for (const auto& [name, value] : http.GetProperties()) {
            store[prefix + name] = value.IsNull() ? WideString(u"") : value;
        }
    }
    if (IsFullFeaturedServerType(serverType)) {
        set(KEY_DELEGATION_UID, m_settings.GetDelegationUID());
        set(KEY_SSL, m_settings.GetSSL());
        if (IsSwitchOn(m_settings.GetSSL())) {
            set(KEY_CA_ISSUED_CERT_NAMES_MISMATCH, m_settings.GetCAIssuedCertNamesMismatch());
            set(KEY_ALLOW_SELF_SIGNED_SERVER_CERT, m_settings.GetAllowSelfSignedServerCert());
            set(KEY_TRUSTED_CERTS, m_settings.GetTrustedCerts());
            set(KEY_TWO_WAY_SSL, m_settings.GetTwoWaySSL());
            if (IsSwitchOn(m_settings.GetTwoWaySSL())) {
                set(KEY_CLIENT_CERT, m_settings.GetClientCert());
                set(KEY_CLIENT_PRIVATE_KEY, m_settings.GetClientPrivateKey());
                set(u"ClientPrivateKeyPassword", m_settings.GetClientPrivateKeyPassword());
            }
        }
    }

    // The driver the data source is registered for; a new one is registered
    // for this product's driver when it is saved.
    const WideString driverName = m_settings.GetDriverName().IsEmpty() ? GetDriverName() : m_settings.GetDriverName();
    const DriverSupport::DSConnectionTester tester(driverName, m_settings.GetDataSourceName());
    try {
        (void)DriverSupport::DSTestResultDialog::Show(
            owner, store, tester, MakeConnectionFailureSteps(driverName, m_settings.GetDataSourceName()));
    } catch (const Support::ErrorException& exception) {
        if (Support::DSIFileLogger* logger = store.GetLogger()) {
            logger->LogErrorException(LOG_NAMESPACE, LOG_CLASS, "DoTestAction", exception);
        }
        DriverSupport::DSMessages::ShowErrorException(owner, exception);
    }
}

// --- Control access ------------------------------------------------------

WideString SOConfigurationDialog::GetControlText(int32_t controlId, const WideString& defaultText)
{
    const WideString text = m_window->GetText(controlId);
    if (text.IsEmpty()) {
        return defaultText;
    }
    return text.GetLength() > TEXT_READ_LIMIT ? text.Substr(0, TEXT_READ_LIMIT) : text;
}

void SOConfigurationDialog::SetControlText(int32_t controlId, const WideString& text)
{
    m_window->SetText(controlId, text);
}

void SOConfigurationDialog::ApplyEnabling(int32_t controlId)
{
    const auto found = m_enableMap.find(controlId);
    if (found != m_enableMap.end()) {
        m_window->Enable(controlId, found->second);
    }
}

bool SOConfigurationDialog::HasControl(int32_t controlId) const
{
    (void)controlId;
    return true;
}

void SOConfigurationDialog::LimitText(int32_t controlId, int32_t length)
{
    m_window->LimitText(controlId, length);
}

// --- Initialisation ------------------------------------------------------

bool SOConfigurationDialog::OnInit(UI::DialogHost& host)
{
    m_window = &host;
    m_busy = true;
    for (const auto& [controlId, length] : TEXT_LIMITS) {
        LimitText(controlId, length);
    }
    CentreWindow();
    // The program carries no icon, so the window keeps the default one; the
    // call stays for builds that do.
    if (GetVendorName() == u"Dravo") {
        (void)host.SetIcons(IDI_PRODUCT);
    }
    host.SetTitle(GetDriverName() + u" " + m_titleSuffix);
    ShowVersion();
    FillComboBoxes();
    ReadCurrentValues();
    ShowStoredTexts();
    SelectInitialValues();
    ShowCredentials();
    RunEnablingRules();
    m_busy = false;
    return true;
}

void SOConfigurationDialog::CentreWindow()
{
    DriverSupport::CentreOverOwner(*m_window);
}

void SOConfigurationDialog::ShowVersion()
{
    const uint32_t bitness = sizeof(void*) == 8 ? IDS_BITNESS_64 : IDS_BITNESS_32;
    SetControlText(IDC_MAIN_VERSION, u"v" + GetVersionString() + Support::LoadResourceString(bitness));
}

void SOConfigurationDialog::FillComboBoxes()
{
    for (const std::u16string_view label : SERVER_TYPE_LABELS) {
        m_window->AddItem(IDC_MAIN_SERVER_TYPE, WideString(label));
    }
    for (const std::u16string_view label : SERVICE_DISCOVERY_MODE_LABELS) {
        m_window->AddItem(IDC_MAIN_SERVICE_DISCOVERY, WideString(label));
    }
    for (uint32_t mechanism = 0; mechanism < MECHANISM_COUNT; ++mechanism) {
        if (IsOfferedMechanism(mechanism)) {
            m_window->AddItem(IDC_MAIN_MECHANISM, WideString(AUTH_MECH_LABELS[mechanism]));
        }
    }
    for (const uint32_t transport : {TRANSPORT_BINARY, TRANSPORT_HTTP, TRANSPORT_SASL}) {
        m_window->AddItem(IDC_MAIN_TRANSPORT, WideString(THRIFT_TRANSPORT_LABELS[transport]));
    }
}

void SOConfigurationDialog::ReadCurrentValues()
{
    m_serverType = ReadServerType(m_settings.GetServerType());
    m_discoveryMode = static_cast<int32_t>(ReadServiceDiscoveryMode(m_settings.GetServiceDiscoveryMode()));
    m_mechanism = ReadAuthMech(m_settings.GetAuthMech());
    m_transport = ReadThriftTransport(m_settings.GetThriftTransport());
}

void SOConfigurationDialog::ShowStoredTexts()
{
    SetControlText(IDC_MAIN_DSN, m_settings.GetDataSourceName());
    SetControlText(IDC_MAIN_DESCRIPTION, m_settings.GetDescription());
    SetControlText(IDC_MAIN_HOST, m_settings.GetHost());
    WideString port = m_settings.GetPort();
    try {
        (void)Support::NumberConverter::ConvertWStringToUInt16(port);
    } catch (const Support::ErrorException&) {
        // The mechanism as stored, before it is normalised.
        port = GetDefaultPort(m_mechanism);
    }
    SetControlText(IDC_MAIN_PORT, port);
    SetControlText(IDC_MAIN_DATABASE, m_settings.GetSchema());
    SetControlText(IDC_MAIN_ZOOKEEPER_NAMESPACE, m_settings.GetZKNamespace());
}

void SOConfigurationDialog::SelectInitialValues()
{
    bool ssl = IsSwitchOn(m_settings.GetSSL());
    NormaliseMechanism(m_mechanism, m_transport, ssl);
    m_settings.SetSSL(MakeSwitchValue(ssl));
    SuppressHDInsightMechanism(m_mechanism);

    SelectServerTypeIndex(static_cast<int32_t>(m_serverType) - 1);
    // SharkServer has none of these: show their first entries and keep the
    // loaded values for a switch to another server type.
    const bool shark = m_serverType == SERVER_TYPE_SHARK;
    SelectDiscoveryIndex(shark ? 0 : m_discoveryMode);
    SelectMechanism(shark ? AUTH_MECH_NONE : m_mechanism);
    SelectTransport(shark ? TRANSPORT_BINARY : m_transport);
}

void SOConfigurationDialog::ShowCredentials()
{
    SetControlText(IDC_MAIN_REALM, m_settings.GetKrbRealm());
    SetControlText(IDC_MAIN_HOST_FQDN, m_settings.GetKrbHostFQDN());
    SetControlText(IDC_MAIN_SERVICE_NAME, m_settings.GetKrbServiceName());
    SetControlText(IDC_MAIN_USER_NAME, m_settings.GetUID());
    if (const auto shown = GetSelectedMechanism(); shown && MechanismTakesPassword(*shown)) {
        SetControlText(IDC_MAIN_PASSWORD, m_settings.GetPassword());
    }
    SetControlText(IDC_MAIN_DELEGATION_UID, m_settings.GetDelegationUID());
}

// --- Combo boxes ---------------------------------------------------------

WideString SOConfigurationDialog::GetComboLabel(int32_t controlId)
{
    const int32_t selection = m_window->GetSelection(controlId);
    if (selection < 0) {
        return WideString(u"");
    }
    const WideString label = m_window->GetItemText(controlId, selection);
    return label.GetLength() > TEXT_READ_LIMIT ? label.Substr(0, TEXT_READ_LIMIT) : label;
}

std::optional<uint32_t> SOConfigurationDialog::GetSelectedServerType()
{
    const auto index = FindLabel(SERVER_TYPE_LABELS, GetComboLabel(IDC_MAIN_SERVER_TYPE));
    return index ? std::optional<uint32_t>(*index + 1) : std::nullopt;
}

std::optional<uint32_t> SOConfigurationDialog::GetSelectedMechanism()
{
    return FindLabel(AUTH_MECH_LABELS, GetComboLabel(IDC_MAIN_MECHANISM));
}

std::optional<uint32_t> SOConfigurationDialog::GetSelectedTransport()
{
    return FindLabel(THRIFT_TRANSPORT_LABELS, GetComboLabel(IDC_MAIN_TRANSPORT));
}

int32_t SOConfigurationDialog::GetDiscoveryIndex()
{
    // An absent discovery combo reads as "No Service Discovery".
    return std::max(m_window->GetSelection(IDC_MAIN_SERVICE_DISCOVERY), 0);
}

int32_t SOConfigurationDialog::GetServerTypeIndex()
{
    return m_window->GetSelection(IDC_MAIN_SERVER_TYPE);
}

void SOConfigurationDialog::SelectServerTypeIndex(int32_t index)
{
    m_window->SetSelection(IDC_MAIN_SERVER_TYPE, index);
}

void SOConfigurationDialog::SelectDiscoveryIndex(int32_t index)
{
    m_window->SetSelection(IDC_MAIN_SERVICE_DISCOVERY, index);
}

void SOConfigurationDialog::SelectMechanism(uint32_t mechanism)
{
    const WideString label(mechanism < AUTH_MECH_LABELS.size() ? AUTH_MECH_LABELS[mechanism] : u"");
    m_window->SetSelection(IDC_MAIN_MECHANISM, m_window->FindExactItem(IDC_MAIN_MECHANISM, -1, label));
    RebuildTransportList();
}

void SOConfigurationDialog::SelectTransport(uint32_t transport)
{
    const WideString label(transport < THRIFT_TRANSPORT_LABELS.size() ? THRIFT_TRANSPORT_LABELS[transport] : u"");
    m_window->SetSelection(IDC_MAIN_TRANSPORT, m_window->FindExactItem(IDC_MAIN_TRANSPORT, -1, label));
}

void SOConfigurationDialog::RebuildTransportList()
{
    uint32_t offered = OfferedTransports(GetSelectedMechanism());
    if (GetServerTypeIndex() == 0) {
        offered &= ~(OFFER_HTTP | OFFER_SASL);
    }
    for (const uint32_t transport : {TRANSPORT_BINARY, TRANSPORT_HTTP, TRANSPORT_SASL}) {
        const WideString label(THRIFT_TRANSPORT_LABELS[transport]);
        const int32_t index = m_window->FindExactItem(IDC_MAIN_TRANSPORT, -1, label);
        const bool wanted = (offered & (1U << transport)) != 0;
        if (wanted && index < 0) {
            m_window->AddItem(IDC_MAIN_TRANSPORT, label);
        } else if (!wanted && index >= 0) {
            m_window->DeleteItem(IDC_MAIN_TRANSPORT, index);
        }
    }
}

// --- Enabling rules --------------------------------------------------------

bool SOConfigurationDialog::IsControlEmpty(int32_t controlId)
{
    return GetControlText(controlId, WideString(u"")).IsEmpty();
}

void SOConfigurationDialog::BuildEnableMap()
{
    m_enableMap.clear();
    for (const int32_t controlId : {IDC_OK, IDC_MAIN_TEST, IDC_MAIN_DSN, IDC_MAIN_DESCRIPTION, IDC_MAIN_DATABASE,
             IDC_MAIN_MECHANISM, IDC_MAIN_REALM, IDC_MAIN_HOST_FQDN, IDC_MAIN_SERVICE_NAME, IDC_MAIN_USER_NAME,
             IDC_MAIN_PASSWORD, IDC_MAIN_SAVE_PASSWORD, IDC_MAIN_ZOOKEEPER_NAMESPACE, IDC_MAIN_PORT,
             IDC_MAIN_SERVICE_DISCOVERY, IDC_MAIN_SSL_OPTIONS, IDC_MAIN_HTTP_OPTIONS}) {
        m_enableMap[controlId] = true;
    }
    m_enableMap[IDC_MAIN_DELEGATION_UID] = IsFullFeaturedServerType(m_serverType);

    const auto disable = [this](std::initializer_list<int32_t> controlIds) {
        for (const int32_t controlId : controlIds) {
            m_enableMap[controlId] = false;
        }
    };
    // The first field OK waits for, in the order the dialog shows them.
    m_okNeeds.reset();
    std::vector<uint32_t> needs;
    const auto okNeeds = [&needs](uint32_t stringId) { needs.push_back(stringId); };

    const int32_t serverTypeIndex = GetServerTypeIndex();
    if (serverTypeIndex >= 0) {
        // The controls that edit a setting are enabled by the setting's own
        // condition, read from what the dialog shows, so that the dialog lets
        // edit exactly what the command line and check accept.
        const std::optional<uint32_t> mechanism = GetSelectedMechanism();
        const std::optional<uint32_t> transport = GetSelectedTransport();
        const WideString ssl = m_settings.GetSSL();
        const SettingValueLookup shown = [&](std::u16string_view name) {
            if (IsSameSettingName(name, KEY_SPARK_SERVER_TYPE)) {
                return ToText(serverTypeIndex == 2 ? 3u : serverTypeIndex == 1 ? 2u : 1u);
            }
            if (IsSameSettingName(name, KEY_AUTH_MECH)) {
                // No mechanism shown takes none of the names.
                return mechanism ? ToText(*mechanism) : WideString(u"65535");
            }
            if (IsSameSettingName(name, KEY_THRIFT_TRANSPORT)) {
                return ToText(transport.value_or(TRANSPORT_BINARY));
            }
            if (IsSameSettingName(name, KEY_SSL)) {
                return ssl;
            }
            return WideString(u"");
        };
        const auto editable = [&shown](std::u16string_view name) {
            const SettingRule* rule = FindSettingRule(name);
            return rule != nullptr && IsSettingEditable(*rule, shown);
        };
        for (const SettingRule& rule : GetSettingRules()) {
            if ((rule.dialogId == IDD_DRIVER_CONFIGURATION || rule.dialogId == IDD_DSN_CONFIGURATION)
                && rule.controlId != 0 && m_enableMap.contains(rule.controlId)) {
                m_enableMap[rule.controlId] = IsSettingEditable(rule, shown);
            }
        }
        // The buttons and boxes that belong to a setting of another dialog.
        m_enableMap[IDC_MAIN_SAVE_PASSWORD] = editable(KEY_ENCRYPTED_PWD);
        m_enableMap[IDC_MAIN_SSL_OPTIONS] = editable(KEY_SSL);
        m_enableMap[IDC_MAIN_HTTP_OPTIONS] = editable(KEY_HTTP_PATH);
        if (serverTypeIndex == 0) {
            disable({IDC_MAIN_SERVICE_DISCOVERY, IDC_MAIN_ZOOKEEPER_NAMESPACE});
        }
        if (mechanism == AUTH_MECH_KERBEROS
            && (IsControlEmpty(IDC_MAIN_HOST_FQDN) || IsControlEmpty(IDC_MAIN_SERVICE_NAME))) {
            disable({IDC_OK, IDC_MAIN_TEST});
            okNeeds(IDS_OK_NEEDS_KERBEROS_NAMES);
        }
    }

    if (GetDiscoveryIndex() == 1) {
        disable({IDC_MAIN_PORT});
        if (IsControlEmpty(IDC_MAIN_ZOOKEEPER_NAMESPACE)) {
            disable({IDC_OK, IDC_MAIN_TEST});
            okNeeds(IDS_OK_NEEDS_ZOOKEEPER_NAMESPACE);
        }
    } else {
        disable({IDC_MAIN_ZOOKEEPER_NAMESPACE});
        if (HasControl(IDC_MAIN_PORT) && IsControlEmpty(IDC_MAIN_PORT)) {
            disable({IDC_OK, IDC_MAIN_TEST});
            okNeeds(IDS_OK_NEEDS_PORT);
        }
    }

    if (HasControl(IDC_MAIN_PORT) && IsControlEmpty(IDC_MAIN_HOST)) {
        disable({IDC_OK, IDC_MAIN_TEST});
        okNeeds(IDS_OK_NEEDS_HOST);
    }
    if (m_hasDSNName && IsControlEmpty(IDC_MAIN_DSN)) {
        disable({IDC_OK});
        okNeeds(IDS_OK_NEEDS_DATA_SOURCE_NAME);
    }
    if (m_connectionDialog) {
        disable({IDC_MAIN_SAVE_PASSWORD});
    }
    for (const uint32_t stringId : {IDS_OK_NEEDS_DATA_SOURCE_NAME, IDS_OK_NEEDS_HOST, IDS_OK_NEEDS_PORT,
             IDS_OK_NEEDS_ZOOKEEPER_NAMESPACE, IDS_OK_NEEDS_KERBEROS_NAMES}) {
        if (!m_okNeeds && std::find(needs.begin(), needs.end(), stringId) != needs.end()) {
            m_okNeeds = stringId;
        }
    }
}

void SOConfigurationDialog::RunEnablingRules()
{
    BuildEnableMap();
    for (const auto& entry : m_enableMap) {
        ApplyEnabling(entry.first);
    }
    m_enableMap.clear();
    ShowHint();
}

void SOConfigurationDialog::ShowHint()
{
    // Said beside the dialog, so that a disabled OK is not a riddle, and a
    // typed password that OK would not keep is no surprise.
    uint32_t hint = 0;
    if (m_okNeeds) {
        hint = *m_okNeeds;
    } else if (!m_connectionDialog && m_window->IsEnabled(IDC_MAIN_PASSWORD)
        && !m_window->GetText(IDC_MAIN_PASSWORD).IsEmpty() && !m_window->IsChecked(IDC_MAIN_SAVE_PASSWORD)) {
        hint = IDS_PASSWORD_NOT_SAVED;
    }
    m_window->SetHint(hint != 0 ? Support::LoadResourceString(hint) : WideString(u""));
}

// --- Commands --------------------------------------------------------------

void SOConfigurationDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    (void)host;
    if (notification == UI::Notification::Clicked) {
        switch (controlId) {
        case IDC_OK:
            OnOK();
            return;
        case IDC_CANCEL:
            m_window->EndDialog(0);
            return;
        case IDC_MAIN_ADVANCED_OPTIONS:
            RunButtonAction("OpenAdvancedOptions", &SOConfigurationDialog::OpenAdvancedOptions);
            return;
        case IDC_MAIN_SSL_OPTIONS:
            RunButtonAction("OpenSSLOptions", &SOConfigurationDialog::OpenSSLOptions);
            return;
        case IDC_MAIN_HTTP_OPTIONS:
            RunButtonAction("OpenHttpOptions", &SOConfigurationDialog::OpenHttpOptions);
            return;
        case IDC_MAIN_LOGGING_OPTIONS:
            RunButtonAction("OpenLoggingOptions", &SOConfigurationDialog::OpenLoggingOptions);
            return;
        case IDC_MAIN_TEST:
            DoTestAction(*m_window);
            return;
        case IDC_MAIN_SAVE_PASSWORD:
            ShowHint();
            return;
        default:
            return;
        }
    }
    if (controlId == IDC_MAIN_PASSWORD && notification == UI::Notification::TextChanged && !m_busy) {
        ShowHint();
    }
    if (notification != UI::Notification::TextChanged && notification != UI::Notification::SelectionChanged) {
        return;
    }
    if (m_busy || std::find(WATCHED_CONTROLS.begin(), WATCHED_CONTROLS.end(), controlId) == WATCHED_CONTROLS.end()) {
        return;
    }
    m_busy = true;
    try {
        HandleChange(controlId, notification);
        RunEnablingRules();
    } catch (...) {
        m_busy = false;
        throw;
    }
    m_busy = false;
}

void SOConfigurationDialog::HandleChange(int32_t controlId, UI::Notification notification)
{
    if (notification != UI::Notification::SelectionChanged) {
        return;
    }
    switch (controlId) {
    case IDC_MAIN_SERVER_TYPE:
        OnServerTypeChanged();
        break;
    case IDC_MAIN_MECHANISM:
        OnMechanismChanged();
        break;
    case IDC_MAIN_SERVICE_DISCOVERY:
        m_discoveryMode = GetDiscoveryIndex();
        break;
    case IDC_MAIN_TRANSPORT:
        if (m_serverType != SERVER_TYPE_SHARK) {
            if (const auto transport = GetSelectedTransport()) {
                m_transport = *transport;
            }
        }
        break;
    default:
        break;
    }
}

void SOConfigurationDialog::OnServerTypeChanged()
{
    const auto selected = GetSelectedServerType();
    if (!selected || *selected == m_serverType) {
        return;
    }
    if (*selected == SERVER_TYPE_SHARK) {
        SelectDiscoveryIndex(0);
        SelectMechanism(AUTH_MECH_NONE);
        SelectTransport(TRANSPORT_BINARY);
    } else if (m_serverType == SERVER_TYPE_SHARK) {
        SelectDiscoveryIndex(m_discoveryMode);
        SelectMechanism(m_mechanism);
        SelectTransport(m_transport);
    }
    m_serverType = *selected;
}

void SOConfigurationDialog::OnMechanismChanged()
{
    const auto selected = GetSelectedMechanism();
    if (!selected || *selected == m_mechanism) {
        return;
    }
    FixTransport(*selected, m_transport);
    RebuildTransportList();
    SelectTransport(m_transport);
    m_mechanism = *selected;
}

void SOConfigurationDialog::RunButtonAction(const char* functionName, void (SOConfigurationDialog::*action)())
{
    // A sub-dialog's failure is told and logged; this dialog stays open.
    Support::DSIFileLogger* logger = m_settings.GetLogger();
    try {
        (this->*action)();
    } catch (const Support::ErrorException& exception) {
        if (logger) {
            logger->LogErrorException(LOG_NAMESPACE, LOG_CLASS, functionName, exception);
        }
        DriverSupport::DSMessages::ShowConfigurationError(
            *m_window, DriverSupport::DSMessages::GetErrorExceptionText(exception), GetErrorCaptionId());
    } catch (const DriverSupport::DSSetupException& exception) {
        const WideString text = DriverSupport::DSMessages::GetSetupErrorText(exception);
        if (logger) {
            logger->LogError(LOG_NAMESPACE, LOG_CLASS, functionName, "%s", text.GetAsUTF8().c_str());
        }
        DriverSupport::DSMessages::ShowConfigurationError(*m_window, text, GetErrorCaptionId());
    }
}

uint32_t SOConfigurationDialog::GetErrorCaptionId() const
{
    return IDS_CONFIGURATION_ERROR_CAPTION;
}

void SOConfigurationDialog::OpenAdvancedOptions()
{
    WideString replaced;
    if (SOAdvancedOptionsDialog::Show(*m_window, m_settings, &replaced) == 1 && !replaced.IsEmpty()) {
        m_window->SetHint(replaced);
    }
}

void SOConfigurationDialog::OpenSSLOptions()
{
    const uint32_t mechanism = GetSelectedMechanism().value_or(m_mechanism);
    (void)SOSSLOptionsDialog::Show(*m_window, m_settings, mechanism, m_connectionDialog);
}

void SOConfigurationDialog::OpenHttpOptions()
{
    (void)SOHttpPropertiesDialog::Show(*m_window, m_settings.GetHttpProperties());
}

void SOConfigurationDialog::OpenLoggingOptions()
{
    // Import and export belong to the data-source tools, not to this dialog.
    (void)DriverSupport::DSLoggingDialog::Show(*m_window, m_settings.GetConfigurationStore(), false);
}

// --- OK ----------------------------------------------------------------------

void SOConfigurationDialog::ShowMessage(uint32_t textId, uint32_t captionId)
{
    UI::MessageBoxRequest request;
    request.text = Support::LoadResourceString(textId);
    request.caption = Support::LoadResourceString(captionId);
    request.icon = UI::MessageBoxIcon::Information;
    (void)m_window->ShowMessageBox(request);
}

bool SOConfigurationDialog::ValidateHost()
{
    WideString host = m_window->GetText(IDC_MAIN_HOST);
    if (host.GetLength() > HOST_READ_LIMIT) {
        host = host.Substr(0, HOST_READ_LIMIT);
    }
    host = host.Trim();
    if (host.IsEmpty()) {
        ShowMessage(IDS_HOST_EMPTY, IDS_INVALID_HOST_CAPTION);
        return false;
    }
    m_settings.SetHost(host);
    return true;
}

bool SOConfigurationDialog::ValidatePort(uint32_t mechanism)
{
    const WideString port = GetControlText(IDC_MAIN_PORT, WideString(u""));
    uint16_t number = 0;
    try {
        number = Support::NumberConverter::ConvertWStringToUInt16(port);
    } catch (const Support::ErrorException&) {
        ShowMessage(IDS_INVALID_PORT, IDS_INVALID_PORT_CAPTION);
        SetControlText(IDC_MAIN_PORT, GetDefaultPort(mechanism));
        return false;
    }
    // The number as read, as the command line stores it: "010000" is 10000.
    m_settings.SetPort(ToText(number));
    return true;
}

void SOConfigurationDialog::OnOK()
{
    if (m_hasDSNName) {
        WideString name = m_window->GetText(IDC_MAIN_DSN);
        if (name.GetLength() > DSN_READ_LIMIT) {
            name = name.Substr(0, DSN_READ_LIMIT);
        }
        switch (CheckDataSourceNameCharacters(name)) {
        case DataSourceNameFault::Empty:
            ShowMessage(IDS_DSN_EMPTY, IDS_INVALID_DSN_CAPTION);
            return;
        case DataSourceNameFault::ForbiddenCharacter:
            ShowMessage(IDS_DSN_INVALID_CHARACTERS, IDS_INVALID_DSN_CAPTION);
            return;
        case DataSourceNameFault::None:
            break;
        }
        const auto refuse = [this](const WideString& text) {
            if (Support::DSIFileLogger* logger = m_settings.GetLogger()) {
                logger->LogError(LOG_NAMESPACE, LOG_CLASS, "OnOK", "%s", text.GetAsUTF8().c_str());
            }
            UI::MessageBoxRequest request;
            request.text = text;
            request.caption = Support::LoadResourceString(IDS_INVALID_DSN_CAPTION);
            request.icon = UI::MessageBoxIcon::Information;
            (void)m_window->ShowMessageBox(request);
        };
        // A name the installer would keep changed, or take for its own.
        if (const auto why = OS::OdbcDataSources::WhyNameCannotBeKept(name.GetAsU16String())) {
            WideString text = Support::LoadResourceString(IDS_DSN_NOT_KEPT);
            text.Replace(WideString(u"%2"), WideString(*why));
            text.Replace(WideString(u"%1"), name);
            refuse(text);
            return;
        }
        // A new name that another data source has (of any driver) would
        // replace that data source.
        if (!name.IsEqual(m_settings.GetDataSourceName(), false)
            && OS::OdbcDataSources::Locate(name.GetAsU16String())) {
            WideString text = Support::LoadResourceString(IDS_DSN_EXISTS);
            text.Replace(WideString(u"%1"), name);
            refuse(text);
            return;
        }
        try {
            m_settings.SetDataSourceName(name);
        } catch (const Varlo::VarloSetupException&) {
            // The installer's own check goes further than the characters
            // above; what it refused is told here and the dialog stays open.
            refuse(DescribeRefusedDataSourceName(name));
            return;
        }
    }

    // Blanks around a text are dropped when its entry is read back, and the
    // command line refuses them: OK stores the text without them. A password
    // is kept enciphered, blanks and all.
    const auto trimmed = [this](int32_t controlId) { return GetControlText(controlId, WideString(u"")).Trim(); };
    m_settings.SetDescription(trimmed(IDC_MAIN_DESCRIPTION));
    m_settings.SetSchema(trimmed(IDC_MAIN_DATABASE));
    if (!ValidateHost()) {
        return;
    }

    const int32_t serverTypeIndex = GetServerTypeIndex();
    const uint32_t serverType = serverTypeIndex == 2 ? 3 : serverTypeIndex == 1 ? 2 : 1;
    m_settings.SetServerType(ToText(serverType));
    if (serverType == SERVER_TYPE_SHARK) {
        if (ValidatePort(AUTH_MECH_NONE)) {
            m_window->EndDialog(1);
        }
        return;
    }

    // A combo box without a selection keeps the value the dialog remembers.
    const uint32_t mechanism = GetSelectedMechanism().value_or(m_mechanism);
    const int32_t discovery = GetDiscoveryIndex();
    m_settings.SetAuthMech(ToText(mechanism));
    m_settings.SetServiceDiscoveryMode(ToText(static_cast<uint32_t>(discovery)));
    if (discovery == 1) {
        m_settings.SetZKNamespace(trimmed(IDC_MAIN_ZOOKEEPER_NAMESPACE));
    } else if (!ValidatePort(mechanism)) {
        return;
    }

    if (mechanism == AUTH_MECH_KERBEROS) {
        m_settings.SetKrbRealm(trimmed(IDC_MAIN_REALM));
        m_settings.SetKrbHostFQDN(trimmed(IDC_MAIN_HOST_FQDN));
        m_settings.SetKrbServiceName(trimmed(IDC_MAIN_SERVICE_NAME));
    }
    if (MechanismTakesUserName(mechanism)) {
        m_settings.SetUID(trimmed(IDC_MAIN_USER_NAME));
    }
    if (MechanismTakesPassword(mechanism)) {
        m_settings.SetPassword(GetControlText(IDC_MAIN_PASSWORD, WideString(u"")));
        if (!m_connectionDialog) {
            m_settings.SetSavePassword(m_window->IsChecked(IDC_MAIN_SAVE_PASSWORD));
        }
    }
    m_settings.SetDelegationUID(trimmed(IDC_MAIN_DELEGATION_UID));
    m_settings.SetThriftTransport(ToText(GetSelectedTransport().value_or(m_transport)));
    m_window->EndDialog(1);
}

} // namespace Dravo::VezurAVUZ

#include "driversupport/DSTestResultDialog.h"

#include <optional>
#include <string>

#include <unicode/locid.h>

#include "identity/ProductNames.h"
#include "driversupport/DSConnectionTester.h"
#include "driversupport/DSDSNConfiguration.h"
#include "driversupport/DSMessages.h"
#include "driversupport/DSWindowPlacement.h"
#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/LogLevel.h"
#include "support/Platform.h"
#include "support/ResourceString.h"

namespace Dravo::DriverSupport {

using namespace Resources;
using Support::WideString;

namespace {

constexpr const char* LOG_NAMESPACE = "Dravo::DriverSupport";
constexpr const char* CLASS_NAME = "DSTestResultDialog";
constexpr const char* INPUT_MAP_PROPERTY = "InputMap";

/// What a password's value becomes in the log: the same for every password,
/// so that not even its length shows.
constexpr const char* MASKED_VALUE = "****";

DSDSNConfiguration& StoreOf(const UI::DialogHost& host)
{
    return *host.GetPropertyAs<DSDSNConfiguration>(INPUT_MAP_PROPERTY);
}

void Trace(Support::DSIFileLogger* logger, const char* functionName)
{
    if (logger) {
        logger->LogFunctionEntrance(LOG_NAMESPACE, CLASS_NAME, functionName);
    }
}

/// "PWD", "ClientPrivateKeyPassword", "EncryptedPWD" and any other setting
/// whose name speaks of a password, in any case.
bool IsPasswordKey(const WideString& key)
{
    const WideString upper = key.ToUpper();
    return upper.Find(WideString(u"PWD")) >= 0 || upper.Find(WideString(u"PASSWORD")) >= 0;
}

/// The settings as the log shows them: "key=value;" each, in map order, with
/// every non-empty password replaced by a mask.
std::string DescribeForLog(const DSConnectionSettingsMap& settings)
{
    std::string text;
    for (const auto& [key, setting] : settings) {
        text += key.GetAsUTF8();
        text += '=';
        if (IsPasswordKey(key) && !setting.value.IsEmpty()) {
            text += MASKED_VALUE;
        } else {
            text += setting.value.GetAsUTF8();
        }
        text += ';';
    }
    return text;
}

WideString DefaultLocaleName()
{
    if (const Support::Platform* platform = Support::GetPlatform()) {
        return platform->GetDefaultLocaleName();
    }
    // Not started: ICU's default locale is what the platform would have kept.
    return WideString(std::string(icu::Locale::getDefault().getName()));
}

/// Puts the normal pointer back when an exception that the dialog does not
/// handle leaves the test.
class BusyPointer {
public:
    explicit BusyPointer(UI::DialogSystem& system) : m_system(system) {}
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    ~BusyPointer()
    {
        if (m_pending) {
            (void)m_system.SetCursor(UI::CursorShape::Arrow);
        }
    }
    /// The normal pointer, reporting a failure as the busy one does.
    void Restore()
    {
        m_pending = false;
        DSMessages::SetNormalCursor(m_system);
    }

private:
    UI::DialogSystem& m_system;
    bool m_pending = true;
};

} // namespace

DSTestResultDialog::DSTestResultDialog(
    DSDSNConfiguration& store, const DSConnectionTester& tester, DSFailureSteps failureSteps)
    : m_store(store), m_tester(tester), m_failureSteps(std::move(failureSteps))
{
}

bool DSTestResultDialog::Show(UI::DialogHost& parent, DSDSNConfiguration& store, const DSConnectionTester& tester,
    const DSFailureSteps& failureSteps)
{
    return Run(parent.GetSystem(), &parent, store, tester, failureSteps);
}

bool DSTestResultDialog::Show(UI::DialogSystem& system, DSDSNConfiguration& store, const DSConnectionTester& tester,
    const DSFailureSteps& failureSteps)
{
    return Run(system, nullptr, store, tester, failureSteps);
}

bool DSTestResultDialog::Run(UI::DialogSystem& system, UI::DialogHost* parent, DSDSNConfiguration& store,
    const DSConnectionTester& tester, const DSFailureSteps& failureSteps)
{
    Trace(store.GetLogger(), "Show");
    DSTestResultDialog dialog(store, tester, failureSteps);
    return system.RunModal(IDD_TEST_RESULTS, dialog, parent) != 0;
}

bool DSTestResultDialog::OnInit(UI::DialogHost& host)
{
    host.SetProperty(INPUT_MAP_PROPERTY, &m_store);
    try {
        Initialize(host);
    } catch (const Support::ErrorException& exception) {
        // Without its captions the dialog cannot be used: the user is told why.
        if (Support::DSIFileLogger* logger = m_store.GetLogger()) {
            logger->LogErrorException(LOG_NAMESPACE, CLASS_NAME, "Initialize", exception);
        }
        DSMessages::ShowErrorException(host, exception);
        host.EndDialog(0);
    }
    return true;
}

void DSTestResultDialog::Initialize(UI::DialogHost& host)
{
    Support::DSIFileLogger* logger = m_store.GetLogger();
    Trace(logger, "Initialize");
    CentreOverOwner(host);
    host.SetTitle(Support::LoadRequiredResourceString(IDS_TEST_RESULTS_TITLE));
    host.SetText(IDC_OK, Support::LoadRequiredResourceString(IDS_OK));
    if (VezurAVUZ::GetVendorName() == WideString(u"Dravo")) {
        (void)host.SetIcons(IDI_PRODUCT);
    }

    WideString result(u"");
    BusyPointer pointer(host.GetSystem());
    DSConnectionSettingsMap settings;
    try {
        DSMessages::SetBusyCursor(host.GetSystem());
        m_store.GetConnectionSettings(settings);
        if (logger && logger->GetLogLevel() >= static_cast<int32_t>(Support::LogLevel::Info)) {
            // Passwords are masked: the log file is no place for them.
            logger->LogInfo(LOG_NAMESPACE, CLASS_NAME, "Initialize", "Testing connection using settings: %s",
                DescribeForLog(settings).c_str());
        }
        const DSDriverVersions versions = m_tester.Connect(settings);
        result = Support::LoadRequiredResourceString(IDS_REPORT_ODBC_VERSION) + versions.odbcVersion
            + Support::LoadRequiredResourceString(IDS_REPORT_DRIVER_VERSION) + versions.driverVersion
            + Support::LoadRequiredResourceString(sizeof(void*) == 8 ? IDS_REPORT_BITNESS_64 : IDS_REPORT_BITNESS)
            + Support::LoadRequiredResourceString(IDS_REPORT_LOCALE) + DefaultLocaleName();
        if (logger) {
            logger->LogInfo(LOG_NAMESPACE, CLASS_NAME, "Initialize", "Test connected successfully.");
        }
        result = Support::LoadRequiredResourceString(IDS_REPORT_SUCCESS) + result;
    } catch (const Support::ErrorException& exception) {
        const WideString text = DSMessages::GetErrorExceptionText(exception);
        if (logger) {
            logger->LogError(LOG_NAMESPACE, CLASS_NAME, "Initialize", "%s", text.GetAsUTF8().c_str());
        }
        result = WideString(FindString(IDS_REPORT_FAILED).value_or(u"FAILED!\r\n\r\n")) + text + result;
        if (m_failureSteps) {
            try {
                result += m_failureSteps(settings);
            } catch (...) {
                // The driver's own message stands without the steps.
                if (logger) {
                    logger->LogError(LOG_NAMESPACE, CLASS_NAME, "Initialize", "%s", "the connection diagnosis failed");
                }
            }
        }
    }
    pointer.Restore();
    host.SetText(IDC_TEST_RESULTS_TEXT, result);
    host.GetSystem().Publish("test-results", result);
}

void DSTestResultDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    if (notification != UI::Notification::Clicked) {
        return;
    }
    if (controlId == IDC_OK) {
        DoOkAction(host);
    } else if (controlId == IDC_CANCEL) {
        DoCancelAction(host);
    }
}

void DSTestResultDialog::DoOkAction(UI::DialogHost& host)
{
    Trace(StoreOf(host).GetLogger(), "DoOkAction");
    host.EndDialog(1);
}

void DSTestResultDialog::DoCancelAction(UI::DialogHost& host)
{
    Trace(StoreOf(host).GetLogger(), "DoCancelAction");
    host.EndDialog(0);
}

} // namespace Dravo::DriverSupport

#include "driversupport/DSLoggingDialog.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "identity/ProductNames.h"
#include "driversupport/DSConfigurationFile.h"
#include "driversupport/DSDSNConfiguration.h"
#include "driversupport/DSMessages.h"
#include "driversupport/DSWindowPlacement.h"
#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/LogLevel.h"
#include "support/ResourceString.h"

namespace Dravo::DriverSupport {

using namespace Resources;
using Support::WideString;

namespace {

constexpr const char* LOG_NAMESPACE = "Dravo::DriverSupport";
constexpr const char* CLASS_NAME = "DSLoggingDialog";
constexpr const char* INPUT_MAP_PROPERTY = "InputMap";
constexpr int32_t LOG_OFF_INDEX = 0;

struct ControlCaption {
    int32_t controlId;
    uint32_t stringId;
};

constexpr std::array<ControlCaption, 10> CAPTIONS = {{
    {IDC_LOG_LEVEL_LABEL, IDS_LOG_LEVEL},
    {IDC_LOG_PATH_LABEL, IDS_LOG_PATH},
    {IDC_LOG_BROWSE, IDS_BROWSE},
    {IDC_LOG_ROTATION_GROUP, IDS_LOG_ROTATION},
    {IDC_LOG_FILE_COUNT_LABEL, IDS_MAX_NUMBER_FILES},
    {IDC_LOG_FILE_SIZE_LABEL, IDS_MAX_FILE_SIZE},
    {IDC_LOG_IMPORT, IDS_IMPORT_CONFIGURATION},
    {IDC_LOG_EXPORT, IDS_EXPORT_CONFIGURATION},
    {IDC_OK, IDS_OK},
    {IDC_CANCEL, IDS_CANCEL},
}};

DSDSNConfiguration& StoreOf(const UI::DialogHost& host)
{
    return *host.GetPropertyAs<DSDSNConfiguration>(INPUT_MAP_PROPERTY);
}

void Trace(const UI::DialogHost& host, const char* functionName)
{
    if (Support::DSIFileLogger* logger = StoreOf(host).GetLogger()) {
        logger->LogFunctionEntrance(LOG_NAMESPACE, CLASS_NAME, functionName);
    }
}

/// Runs an action the way the dialog procedure does: its failures are logged
/// and shown, and the dialog stays open.
template <typename Action> void RunAction(UI::DialogHost& host, Action&& action)
{
    Support::DSIFileLogger* logger = StoreOf(host).GetLogger();
    try {
        std::forward<Action>(action)();
    } catch (const DSSetupException& exception) {
        WideString text;
        try {
            text = DSMessages::GetSetupErrorText(exception);
        } catch (const Support::ErrorException& missing) {
            text = DSMessages::GetErrorExceptionText(missing);
        }
        if (logger) {
            logger->LogError(LOG_NAMESPACE, CLASS_NAME, "ActionProc", "%s", text.GetAsUTF8().c_str());
        }
        DSMessages::ShowConfigurationError(host, text);
    } catch (const Support::ErrorException& exception) {
        if (logger) {
            logger->LogErrorException(LOG_NAMESPACE, CLASS_NAME, "ActionProc", exception);
        }
        DSMessages::ShowErrorException(host, exception);
    }
}

UI::FileRequest ConfigurationFileRequest(UI::FileRequestKind kind, uint32_t titleId, uint32_t flags)
{
    UI::FileRequest request;
    request.kind = kind;
    request.title = Support::LoadRequiredResourceString(titleId);
    request.filters.push_back({WideString(u"DSN Definition"), WideString(u"*.sdc")});
    request.defaultExtension = WideString(u"sdc");
    request.initialFile = DSConfigurationFile::GetDefaultFilePath();
    request.flags = flags;
    return request;
}

} // namespace

DSLoggingDialog::DSLoggingDialog(DSDSNConfiguration& store, bool importExportAllowed)
    : m_store(store), m_importExportAllowed(importExportAllowed)
{
}

bool DSLoggingDialog::Show(UI::DialogHost& parent, DSDSNConfiguration& store, bool importExportAllowed)
{
    return Run(parent.GetSystem(), &parent, store, importExportAllowed);
}

bool DSLoggingDialog::Show(UI::DialogSystem& system, DSDSNConfiguration& store, bool importExportAllowed)
{
    return Run(system, nullptr, store, importExportAllowed);
}

bool DSLoggingDialog::Run(
    UI::DialogSystem& system, UI::DialogHost* parent, DSDSNConfiguration& store, bool importExportAllowed)
{
    if (Support::DSIFileLogger* logger = store.GetLogger()) {
        logger->LogFunctionEntrance(LOG_NAMESPACE, CLASS_NAME, "Show");
    }
    DSLoggingDialog dialog(store, importExportAllowed);
    return system.RunModal(IDD_LOGGING_OPTIONS, dialog, parent) != 0;
}

bool DSLoggingDialog::OnInit(UI::DialogHost& host)
{
    host.SetProperty(INPUT_MAP_PROPERTY, &m_store);
    bool initialized = false;
    RunAction(host, [&] {
        Initialize(host);
        initialized = true;
    });
    if (!initialized) {
        // Without its captions the dialog cannot be used; the user has seen why.
        host.EndDialog(0);
    }
    return true;
}

void DSLoggingDialog::Initialize(UI::DialogHost& host)
{
    Trace(host, "Initialize");
    CentreOverOwner(host);

    host.SetTitle(Support::LoadRequiredResourceString(IDS_LOGGING_OPTIONS_TITLE));
    for (const ControlCaption& caption : CAPTIONS) {
        host.SetText(caption.controlId, Support::LoadRequiredResourceString(caption.stringId));
    }
    if (VezurAVUZ::GetVendorName() == WideString(u"Dravo")) {
        host.SetIcons(IDI_PRODUCT);
    }

    host.ClearItems(IDC_LOG_LEVEL);
    for (int32_t level = 0; level <= Support::LOG_LEVEL_MAX; ++level) {
        host.AddItem(IDC_LOG_LEVEL, WideString(Support::GetLogLevelEnumeratorText(level)));
    }
    host.SetSelection(IDC_LOG_LEVEL, Support::ParseLogLevel(m_store.GetLogLevel().GetAsUTF8()));

    host.SetText(IDC_LOG_PATH, m_store.GetLogPath());
    host.SetText(IDC_LOG_FILE_COUNT, m_store.GetLogFileCount());
    host.SetText(IDC_LOG_FILE_SIZE, m_store.GetLogFileSize());

    if (!m_importExportAllowed) {
        for (const int32_t button : {IDC_LOG_EXPORT, IDC_LOG_IMPORT}) {
            host.Enable(button, false);
            host.Show(button, false);
        }
    }

    // A loaded store holds a data source's own settings: its logging fields
    // are shown but not edited here.
    if (m_store.IsLoaded()) {
        for (const int32_t control : {IDC_LOG_LEVEL, IDC_LOG_PATH, IDC_LOG_FILE_COUNT, IDC_LOG_FILE_SIZE}) {
            host.Enable(control, false);
        }
        return;
    }
    ApplyLevelRule(host);
}

void DSLoggingDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    switch (controlId) {
    case IDC_OK:
        RunAction(host, [&] { DoOkAction(host); });
        break;
    case IDC_CANCEL:
        RunAction(host, [&] { DoCancelAction(host); });
        break;
    case IDC_LOG_IMPORT:
        RunAction(host, [&] { DoImportAction(host); });
        break;
    case IDC_LOG_EXPORT:
        RunAction(host, [&] { DoExportAction(host); });
        break;
    case IDC_LOG_BROWSE:
        RunAction(host, [&] { BrowseForDir(host); });
        break;
    case IDC_LOG_LEVEL:
        if (notification == UI::Notification::SelectionChanged) {
            ApplyLevelRule(host);
        }
        break;
    case IDC_LOG_PATH:
    case IDC_LOG_FILE_COUNT:
    case IDC_LOG_FILE_SIZE:
        if (notification == UI::Notification::TextChanged) {
            ApplyOkRule(host);
        }
        break;
    default:
        break;
    }
}

void DSLoggingDialog::ApplyLevelRule(UI::DialogHost& host)
{
    const bool logging = host.GetSelection(IDC_LOG_LEVEL) != LOG_OFF_INDEX;
    for (const int32_t control : {IDC_LOG_PATH, IDC_LOG_BROWSE, IDC_LOG_FILE_COUNT, IDC_LOG_FILE_SIZE}) {
        host.Enable(control, logging);
    }
    ApplyOkRule(host);
}

void DSLoggingDialog::ApplyOkRule(UI::DialogHost& host)
{
    const bool hasPath = !DSMessages::GetControlText(host, IDC_LOG_PATH).IsEmpty();
    const bool hasRotation = !DSMessages::GetControlText(host, IDC_LOG_FILE_COUNT).IsEmpty()
        && !DSMessages::GetControlText(host, IDC_LOG_FILE_SIZE).IsEmpty();
    const bool enabled = host.GetSelection(IDC_LOG_LEVEL) == LOG_OFF_INDEX || (hasPath && hasRotation);
    host.Enable(IDC_OK, enabled);
    host.SetHint(enabled ? Support::WideString(u"")
                         : Support::LoadResourceString(hasPath ? IDS_OK_NEEDS_LOG_ROTATION : IDS_OK_NEEDS_LOG_PATH));
}

void DSLoggingDialog::DoOkAction(UI::DialogHost& host)
{
    Trace(host, "DoOkAction");
    DSDSNConfiguration& store = StoreOf(host);
    // A failing setter stops here, with the earlier values already set.
    store.SetLogLevel(WideString(std::to_string(std::max(host.GetSelection(IDC_LOG_LEVEL), 0))));
    store.SetLogPath(DSMessages::GetControlText(host, IDC_LOG_PATH));
    store.SetLogFileSize(DSMessages::GetControlText(host, IDC_LOG_FILE_SIZE));
    store.SetLogFileCount(DSMessages::GetControlText(host, IDC_LOG_FILE_COUNT));
    host.EndDialog(1);
}

void DSLoggingDialog::DoCancelAction(UI::DialogHost& host)
{
    Trace(host, "DoCancelAction");
    host.EndDialog(0);
}

void DSLoggingDialog::BrowseForDir(UI::DialogHost& host)
{
    Trace(host, "BrowseForDir");
    UI::FolderRequest request;
    request.title = Support::LoadRequiredResourceString(IDS_CHOOSE_LOG_DIRECTORY);
    if (const std::optional<WideString> folder = host.GetSystem().ChooseFolder(request, nullptr)) {
        host.SetText(IDC_LOG_PATH, *folder);
    }
}

void DSLoggingDialog::DoExportAction(UI::DialogHost& host)
{
    Trace(host, "DoExportAction");
    const UI::FileRequest request = ConfigurationFileRequest(UI::FileRequestKind::Save, IDS_EXPORT_FILE_TITLE,
        UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_PROMPT_TO_CREATE);
    const std::optional<WideString> path = host.ChooseFile(request);
    if (!path) {
        return;
    }
    DSConnectionSettingsMap settings;
    StoreOf(host).GetConnectionSettings(settings);
    std::erase_if(settings, [](const auto& entry) { return DSConfigurationFile::IsExcludedKey(entry.first); });

    // A line break inside an entry would split it into other settings when
    // the file is read back: refuse the export before anything is written.
    if (const std::optional<WideString> unsafeKey = DSConfigurationFile::FindUnsafeKey(settings)) {
        WideString text = Support::LoadRequiredResourceString(IDS_EXPORT_UNSAFE_SETTING);
        text.Replace(WideString(u"%1"), *unsafeKey);
        if (Support::DSIFileLogger* logger = StoreOf(host).GetLogger()) {
            logger->LogError(LOG_NAMESPACE, CLASS_NAME, "DoExportAction", "%s", text.GetAsUTF8().c_str());
        }
        DSMessages::ShowConfigurationError(host, text);
        return;
    }
    DSConfigurationFile::Write(*path, settings);
}

void DSLoggingDialog::DoImportAction(UI::DialogHost& host)
{
    Trace(host, "DoImportAction");
    const UI::FileRequest request = ConfigurationFileRequest(UI::FileRequestKind::Open, IDS_IMPORT_FILE_TITLE,
        UI::FILE_FLAG_READ_ONLY_CHECKED | UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_FILE_MUST_EXIST);
    const std::optional<WideString> path = host.ChooseFile(request);
    if (!path) {
        return;
    }
    // The whole file is read before the store changes, so a failed read
    // leaves the store as it was.
    const DSConnectionSettingsMap settings = DSConfigurationFile::Read(*path);
    StoreOf(host).Load(settings);
}

} // namespace Dravo::DriverSupport

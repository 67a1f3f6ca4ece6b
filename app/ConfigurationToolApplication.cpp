#include "app/ConfigurationToolApplication.h"

#include <cstdlib>
#include <exception>
#include <functional>
#include <istream>
#include <memory>
#include <new>
#include <optional>
#include <ostream>

#include "app/ConnectionTestCommand.h"
#include "app/DialogBackend.h"
#include "settings/DriverConfiguration.h"
#include "app/LockWaitTelling.h"
#include "app/DataSourceList.h"
#include "app/SettingsCommand.h"
#include "app/SettingsReport.h"
#include "settings/StoredValueNotes.h"
#include "app/OdbcSetupRegistration.h"
#include "app/SetupLibraryPlace.h"
#include "identity/ModuleInstance.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "app/StartupSequence.h"
#include "settings/DataSourceNameRefusal.h"
#include "dialogs/SOConfigurationDialog.h"
#include "dialogs/SODriverConfigurationDialog.h"
#include "driversupport/DSMessages.h"
#include "driversupport/FailureText.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/OdbcInstaller.h"
#include "platform/ProgramStart.h"
#include "platform/Registry.h"
#include "platform/StopSignals.h"
#include "platform/ThreadDiagnostic.h"
#include "settings/DataSourceChanges.h"
#include "settings/DataSourceSection.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingsSession.h"
#include "support/DSIFileLogger.h"
#include "ui/headless/ScriptError.h"

namespace Dravo::VezurAVUZ {
namespace {

constexpr const char* LOG_NAMESPACE = "Dravo::VezurAVUZ";
constexpr const char* LOG_CLASS = "ConfigurationToolApplication";

/// Stands for this program's module: on Linux nothing loads resources through
/// the handle, but the identity wants one stored.
const int PROGRAM_MODULE_ANCHOR = 0;

/// The installer loader tells the user through the toolkit's message box
/// while the dialogs run, and through standard error before and after.
class InstallerMessageBoxHook {
public:
    explicit InstallerMessageBoxHook(UI::DialogSystem& system)
    {
        OS::OdbcInstaller::SetMessageBox([&system](const std::u16string& caption, const std::u16string& text) {
            UI::MessageBoxRequest request;
            request.caption = Support::WideString(caption);
            request.text = Support::WideString(text);
            request.icon = UI::MessageBoxIcon::Information;
            (void)system.ShowMessageBox(request, nullptr);
        });
    }
    InstallerMessageBoxHook(const InstallerMessageBoxHook&) = delete;
    InstallerMessageBoxHook& operator=(const InstallerMessageBoxHook&) = delete;
    ~InstallerMessageBoxHook() { OS::OdbcInstaller::SetMessageBox({}); }
};

/// The start-up's logger for one run of the tool. While the dialogs own the
/// terminal, what the log file cannot take stays off the screen, and the user
/// is told once afterwards; a logger that could not be set up is said once
/// too, and the tool carries on without a log.
class ToolLog {
public:
    ToolLog(StartupSequence& startup, const DialogBackend& backend, std::string& deferredErrors)
        : m_logger(startup.GetLogger()), m_deferredErrors(deferredErrors)
    {
        if (const std::string& failure = startup.GetLogFailure(); !failure.empty()) {
            m_deferredErrors += "the log cannot be set up (" + failure + "); the tool carried on without it.\n";
        }
        if (backend.OwnsTerminal()) {
            m_logger.HoldFallbackLines();
        }
    }
    ToolLog(const ToolLog&) = delete;
    ToolLog& operator=(const ToolLog&) = delete;
    ~ToolLog()
    {
        if (const auto lost = m_logger.ReleaseFallbackLines()) {
            m_deferredErrors += *lost + "\n";
        }
    }

    [[nodiscard]] Support::DSIFileLogger& Get() { return m_logger; }

private:
    Support::DSIFileLogger& m_logger;
    std::string& m_deferredErrors;
};

/// Windows texts end in "\r\n"; a line on standard error should not.
std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

/// A reason as a sentence.
std::string AsSentence(std::string text)
{
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') {
        text += '.';
    }
    return text;
}

/// Where the data source NAME is opened: the scope asked for, else where it
/// lives, else the user's.
OS::DataSourceScope ScopeFor(const std::string& name, std::optional<ProgramOptions::DataSourceScope> requested)
{
    if (requested) {
        return *requested == ProgramOptions::DataSourceScope::System ? OS::DataSourceScope::System
                                                                     : OS::DataSourceScope::User;
    }
    return OS::OdbcDataSources::Locate(Support::WideString(name).GetAsU16String()).value_or(OS::DataSourceScope::User);
}

std::u16string DriverKey()
{
    return GetDriverKeyPath().GetAsU16String();
}

/// The text of the exception being handled, logged when there is a logger.
/// Called only inside a catch block.
std::string DescribeCurrentException(Support::DSIFileLogger* logger, const char* step)
{
    const std::string text = DriverSupport::DescribeCurrentException().text.GetAsUTF8();
    if (logger) {
        logger->LogError(LOG_NAMESPACE, LOG_CLASS, step, "%s", text.c_str());
    }
    return text;
}

/// Runs one step whose failures must reach the user: the text of whatever
/// escapes it, or nothing when it succeeded.
std::optional<std::string> Attempt(
    Support::DSIFileLogger& logger, const char* step, const std::function<void()>& action)
{
    try {
        action();
        return std::nullopt;
    } catch (...) {
        return DescribeCurrentException(&logger, step);
    }
}

} // namespace

ConfigurationToolApplication::ConfigurationToolApplication(
    std::string programName, std::istream& input, std::ostream& output, std::ostream& errors)
    : m_programName(std::move(programName)), m_input(&input), m_output(&output), m_errors(&errors)
{
}

int ConfigurationToolApplication::Run(const ProgramOptions& options)
{
    switch (options.action) {
    case ProgramOptions::Action::Help:
        *m_output << (options.helpTopic ? GetCommandUsageText(m_programName, *options.helpTopic)
                                        : GetUsageText(m_programName));
        return 0;
    case ProgramOptions::Action::Version:
        *m_output << m_programName << " " << DRAVO_VERSION << " (" << 8 * sizeof(void*) << " bit)\n";
        return 0;
    case ProgramOptions::Action::Invalid:
        // A program that asked for JSON reads the refusal there too.
        if (options.settings.json) {
            SettingsOutcome refused;
            refused.error = options.error;
            *m_output << FormatSettingsJson(refused);
        }
        *m_errors << m_programName << ": " << options.error << "\n"
                  << "Try '" << m_programName << " --help' for more information.\n";
        return EXIT_USAGE;
    default:
        break;
    }
    DropCallerChosenVariables();
    switch (options.action) {
    case ProgramOptions::Action::RegisterSetup:
    case ProgramOptions::Action::UnregisterSetup:
        return ChangeSetupRegistration(options.action == ProgramOptions::Action::RegisterSetup);
    default:
        break;
    }
    if (const std::optional<std::string> why = FindIrregularDataSourceFile()) {
        *m_errors << m_programName << ": " << *why << "; nothing was changed.\n";
        return EXIT_SETTINGS_ERROR;
    }
    try {
        return options.action == ProgramOptions::Action::Settings ? RunSettingsCommand(options) : Configure(options);
    } catch (...) {
        // Whatever escaped has unwound the dialogs: the terminal is the
        // user's again.
        m_deferredErrors +=
            "the configuration tool failed: " + DescribeCurrentException(nullptr, "Run") + "; nothing was changed.\n";
        WriteDeferredErrors();
        return EXIT_DIALOG_UNAVAILABLE;
    }
}

void ConfigurationToolApplication::DropCallerChosenVariables()
{
    // Root started by sudo may have been handed the caller's environment
    // (sudo -E): nothing in it may choose the files root writes or the code
    // it loads. What is dropped is said, so that no one wonders where a
    // setting went.
    const std::vector<std::string> dropped = OS::DropCallerChosenVariables(
        {GetBuiltInProductIdentity().configEnvironmentVariable.GetAsUTF8(), "DRAVO_REGISTRY_ROOT"});
    if (dropped.empty()) {
        return;
    }
    std::string names;
    for (const std::string& name : dropped) {
        names += (names.empty() ? "" : ", ") + name;
    }
    *m_errors << m_programName << ": running with rights the caller does not have (sudo), the caller's " << names
              << " from the environment " << (dropped.size() == 1 ? "is" : "are")
              << " not used; --registry-root chooses where the settings are kept.\n";
}

std::optional<std::string> ConfigurationToolApplication::FindIrregularDataSourceFile()
{
    // unixODBC's own reader opens what ODBCINI or ODBCSYSINI names, for
    // writing when it cannot read it: a FIFO would hang it, /dev/zero keep
    // it reading. Neither is let near it.
    for (const OS::DataSourceScope scope : {OS::DataSourceScope::User, OS::DataSourceScope::System}) {
        const std::string path = Support::WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8();
        if (const std::optional<std::string> kind = OS::FindIrregularFile(path)) {
            return "the data source file " + path + " is " + *kind + ", not a file unixODBC can read";
        }
    }
    return std::nullopt;
}

int ConfigurationToolApplication::ChangeSetupRegistration(bool add)
{
    std::string why;
    const std::optional<SetupLibraryPlace> library = FindInstalledSetupLibrary(why);
    if (!library) {
        *m_errors << m_programName << ": " << why << "; nothing was changed.\n";
        return EXIT_UNAVAILABLE;
    }
    // The driver's name, as a product description file beside the program
    // may have changed it, is its entry's name.
    SetModuleInstance(const_cast<int*>(&PROGRAM_MODULE_ANCHOR));
    SetProductIdentity();
    const OdbcSetupRegistration registration(GetDriverName().GetAsUTF8(), library->path, library->knownPaths);
    const OdbcSetupRegistration::Result result = add ? registration.Register() : registration.Unregister();
    switch (result.outcome) {
    case OdbcSetupRegistration::Outcome::InstallerUnavailable:
        *m_errors << m_programName << ": " << result.message << "; nothing was changed.\n";
        return EXIT_UNAVAILABLE;
    case OdbcSetupRegistration::Outcome::WriteFailed:
        *m_errors << m_programName << ": " << result.message << "\n";
        return EXIT_SETTINGS_ERROR;
    default:
        *m_output << result.message << "\n";
        return 0;
    }
}

int ConfigurationToolApplication::Configure(const ProgramOptions& options)
{
    if (options.registryRoot) {
        OS::SetRegistryRoot(*options.registryRoot);
    }
    if (const auto why = OS::WhyRegistryRootInForceCannotBeUsed()) {
        *m_errors << m_programName << ": " << *why << "; nothing was changed.\n";
        return EXIT_SETTINGS_ERROR;
    }
    // The start-up comes first: the identity says where the driver
    // configuration is, which the checks below look at.
    StartupSequence startup(const_cast<int*>(&PROGRAM_MODULE_ANCHOR), StartupSequence::Lifetime::Process);

    // A script is read and parsed whole before anything else happens, so a
    // bad one changes nothing.
    std::unique_ptr<DialogBackend> backend;
    if (options.scriptPath) {
        try {
            backend = DialogBackend::CreateHeadless(*options.scriptPath, *m_input, *m_output);
        } catch (const UI::ScriptError& error) {
            *m_errors << m_programName << ": " << error.what() << "\n";
            return UI::SCRIPT_FAILURE_EXIT_CODE;
        }
    }

    if (const int refused = CheckRegistry(!options.dataSourceName); refused != 0) {
        return refused;
    }

    if (!backend) {
        try {
            backend = DialogBackend::CreateTerminal();
        } catch (const DialogBackendUnavailable& error) {
            *m_errors << m_programName << ": the configuration dialog cannot be shown: " << error.what()
                      << ".\nNothing was changed. Run it in a terminal, or use --script.\n";
            return EXIT_DIALOG_UNAVAILABLE;
        }
    }
    if (!options.dataSourceName) {
        backend->ShowStatusLine(
            "Configuration file: " + OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, DriverKey()));
    }

    int exitCode = 0;
    try {
        const InstallerMessageBoxHook installerMessages(backend->GetSystem());
        exitCode = options.dataSourceName
            ? RunDataSourceConfiguration(*backend, startup, *options.dataSourceName, options.dataSourceScope)
            : RunDriverConfiguration(*backend, startup);
    } catch (const UI::ScriptError& error) {
        m_deferredErrors += std::string(error.what()) + "\n";
        exitCode = UI::SCRIPT_FAILURE_EXIT_CODE;
    } catch (const DialogInterrupted& interrupted) {
        m_deferredErrors += std::string(interrupted.what()) + "; nothing was changed.\n";
        exitCode = EXIT_SIGNAL_BASE + interrupted.GetSignal();
    } catch (...) {
        m_deferredErrors +=
            "the configuration tool failed: " + DescribeCurrentException(nullptr, "Run") + "; nothing was changed.\n";
        exitCode = EXIT_DIALOG_UNAVAILABLE;
    }
    // Standard error may be the terminal the dialogs were drawn on: write to
    // it only once the terminal is given back.
    backend.reset();
    WriteDeferredErrors();
    return exitCode;
}

int ConfigurationToolApplication::RunSettingsCommand(const ProgramOptions& options)
{
    if (options.registryRoot) {
        OS::SetRegistryRoot(*options.registryRoot);
    }
    // A root that is not there holds no configuration: reading it as empty
    // would answer get and check with defaults.
    if (const auto why = OS::WhyRegistryRootInForceCannotBeUsed();
        why && options.settings.command != SettingsCommandOptions::Command::List) {
        const std::string message = *why + "; nothing was changed";
        if (options.settings.json) {
            SettingsOutcome refused;
            refused.error = message;
            *m_output << FormatSettingsJson(refused);
        }
        *m_errors << m_programName << ": " << message << "\n";
        return EXIT_SETTINGS_ERROR;
    }
    StartupSequence startup(const_cast<int*>(&PROGRAM_MODULE_ANCHOR), StartupSequence::Lifetime::Process);
    if (const std::string& failure = startup.GetLogFailure(); !failure.empty()) {
        *m_errors << m_programName << ": the log cannot be set up (" << failure << "); carrying on without it.\n";
    }
    if (options.settings.command == SettingsCommandOptions::Command::DataSources) {
        return ListDataSources(m_programName, options.settings.json, *m_output, *m_errors);
    }
    if (options.settings.command == SettingsCommandOptions::Command::Test) {
        ConnectionTestCommand test(m_programName, options, *m_output, *m_errors);
        return test.Run();
    }
    SettingsCommand command(m_programName, options, *m_input, *m_output, *m_errors);
    return command.Run(startup.GetLogger());
}

void ConfigurationToolApplication::WriteDeferredErrors()
{
    std::string::size_type start = 0;
    while (start < m_deferredErrors.size()) {
        const auto end = m_deferredErrors.find('\n', start);
        *m_errors << m_programName << ": " << m_deferredErrors.substr(start, end - start) << "\n";
        start = end + 1;
    }
    m_deferredErrors.clear();
}

int ConfigurationToolApplication::CheckRegistry(bool driverWide)
{
    // Reading the driver key reads the whole file that holds it: a file that
    // cannot be read is named now, rather than read as empty and then refused
    // at the first write after OK.
    const std::u16string driverKey = DriverKey();
    const std::string machineFile = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey);
    for (const OS::RegistryHive hive : {OS::RegistryHive::LocalMachine, OS::RegistryHive::CurrentUser}) {
        const auto opened = OS::RegistryKey::Open(hive, driverKey);
        if (!opened && opened.GetError() != OS::ERROR_FILE_NOT_FOUND_CODE) {
            const std::string file = OS::GetRegistryKeyFilePath(hive, driverKey);
            std::string diagnostic = OS::GetRegistryDiagnostic();
            if (diagnostic.empty()) {
                diagnostic = file + ": "
                    + WithoutLineEnd(Support::WideString(OS::GetSystemErrorMessage(opened.GetError())).GetAsUTF8());
            }
            // The user's own file, where it is not the one edited, is read
            // only for the settings of the tool's log: it must not keep
            // anyone from the machine's settings.
            if (hive == OS::RegistryHive::CurrentUser && file != machineFile) {
                *m_errors << m_programName
                          << ": warning: the user's driver configuration cannot be read: " << diagnostic
                          << "\nThe tool's own log keeps its default settings; the file was left "
                          << "as it is.\n";
                continue;
            }
            *m_errors << m_programName << ": the driver configuration cannot be read: " << diagnostic
                      << "\nNothing was changed; the file was left as it is.\n";
            return EXIT_SETTINGS_ERROR;
        }
    }

    // A data source is the user's or the system's, whatever the rights to
    // the driver's own file: the data-source dialog writes the driver's
    // logging options only when they were changed.
    if (!driverWide) {
        return 0;
    }
    // The analogue of asking for elevation: a user who could not save is told
    // so before spending any effort in the dialog.
    if (const OS::ErrorCode writable = OS::CheckRegistryKeyWritable(OS::RegistryHive::LocalMachine, driverKey);
        writable != OS::ERROR_SUCCESS_CODE) {
        const std::string where = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey);
        std::string diagnostic = OS::GetRegistryDiagnostic();
        if (diagnostic.empty()) {
            diagnostic = WithoutLineEnd(Support::WideString(OS::GetSystemErrorMessage(writable)).GetAsUTF8());
        }
        // Rights help only where rights are missing: a read-only file system,
        // a missing directory or another user's link stops root as well.
        if (writable != OS::ERROR_ACCESS_DENIED_CODE || OS::HasAdministratorRights()) {
            *m_errors << m_programName << ": the driver configuration, " << where
                      << ", cannot be written: " << diagnostic << "\nNothing was changed.\n";
            return EXIT_SETTINGS_ERROR;
        }
        // A file the user named is the user's to open up: root would not help.
        const std::string variable = GetProductIdentity().configEnvironmentVariable.GetAsUTF8();
        if (const char* named = std::getenv(variable.c_str()); named && *named) {
            *m_errors << m_programName << ": the driver configuration, " << where << " (named by " << variable
                      << "), cannot be written by this user (" << diagnostic << ").\n"
                      << "Nothing was changed. Let this user write the file and its folder, or name a file you\n"
                      << "may write with " << variable << "=FILE.\n";
            return EXIT_NEEDS_ADMINISTRATOR;
        }
        *m_errors << m_programName << ": administrator rights are needed to change the driver configuration.\n"
                  << "The driver configuration, " << where << ", cannot be written by this user (" << diagnostic
                  << ").\n"
#ifdef _WIN32
                  << "Run it from a prompt started with \"Run as administrator\", or try settings out\n"
                  << "with --registry-root NAME.\n";
#else
                  << "Run the tool as root, for example with 'sudo " << m_programName << "', or keep the\n"
                  << "configuration in a file you may write with "
                  << GetProductIdentity().configEnvironmentVariable.GetAsUTF8()
                  << "=FILE, --registry-root DIR or DRAVO_REGISTRY_ROOT=DIR.\n";
#endif
        return EXIT_NEEDS_ADMINISTRATOR;
    }
    return 0;
}

int ConfigurationToolApplication::RunDriverConfiguration(DialogBackend& backend, StartupSequence& startup)
{
    UI::DialogSystem& system = backend.GetSystem();

    m_errorCaptionId = Resources::IDS_DRIVER_CONFIGURATION_ERROR_CAPTION;
    ToolLog log(startup, backend, m_deferredErrors);
    Support::DSIFileLogger& logger = log.Get();
    DriverSettingsSession session(logger);
    // The warnings of the command line do not stop the dialog: its own check
    // below names an unreadable file.
    if (const auto failure = Attempt(logger, "Load", [&] { session.GetSettings().Load(); })) {
        ReportError(&backend, "The driver configuration cannot be read: " + WithoutLineEnd(*failure));
        return EXIT_SETTINGS_ERROR;
    }
    // Values the dialog shows differently from what is stored are shown as
    // today and saved as shown, but not without a word.
    if (const auto notes = ReviewDriverConfiguration(); !notes.empty()) {
        for (const StoredValueNote& note : notes) {
            logger.LogWarning(LOG_NAMESPACE, LOG_CLASS, "Load", "%s", FormatNote(note).c_str());
        }
        backend.ShowNotice(SummariseNotes(notes, m_programName + " check"));
    }

    SODriverConfigurationDialog dialog(session.GetSettings(), u"Configuration");
    return RunDialogAndSave(
        backend, logger, [&] { return dialog.DoModal(system, nullptr); }, [&] { session.SaveAsDialog(); },
        [] { return std::string("The driver configuration could not be saved: "); });
}

int ConfigurationToolApplication::CheckDataSourceFile(OS::DataSourceScope scope)
{
    OS::ThreadDiagnostic::Clear();
    const OS::ErrorCode writable = OS::OdbcDataSources::CheckWritable(scope);
    if (writable == OS::ERROR_SUCCESS_CODE) {
        return 0;
    }
    const std::string where = Support::WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8();
    std::string diagnostic = OS::ThreadDiagnostic::Get();
    if (diagnostic.empty()) {
        diagnostic = WithoutLineEnd(Support::WideString(OS::GetSystemErrorMessage(writable)).GetAsUTF8());
    }
    if (writable != OS::ERROR_ACCESS_DENIED_CODE || OS::HasAdministratorRights()) {
        m_deferredErrors +=
            "the data sources, " + where + ", cannot be written: " + diagnostic + "\nNothing was changed.\n";
        return EXIT_SETTINGS_ERROR;
    }
    m_deferredErrors += "administrator rights are needed to change the data sources in " + where + " (" + diagnostic
#ifdef _WIN32
        + ").\nRun it from a prompt started with \"Run as administrator\", or keep the data source\n"
          "among your own with --user.\n";
#else
        + ").\nRun the tool as root, for example with 'sudo " + m_programName
        + "', or keep the data source among your own with --user.\n";
#endif
    return EXIT_NEEDS_ADMINISTRATOR;
}

int ConfigurationToolApplication::RunDataSourceConfiguration(DialogBackend& backend, StartupSequence& startup,
    const std::string& name, std::optional<ProgramOptions::DataSourceScope> requestedScope)
{
    UI::DialogSystem& system = backend.GetSystem();

    ToolLog log(startup, backend, m_deferredErrors);
    Support::DSIFileLogger& logger = log.Get();

    std::optional<DataSourceSession> session;
    try {
        session.emplace(logger, Support::WideString(name));
        if (const int refused = CheckDataSourceFile(ScopeFor(name, requestedScope)); refused != 0) {
            return refused;
        }
        session->Open(ScopeFor(name, requestedScope));
    } catch (const SessionFailure& failure) {
        logger.LogError(LOG_NAMESPACE, LOG_CLASS, "Run", "%s", failure.what());
        ReportError(&backend, AsSentence(failure.what()));
        switch (failure.GetKind()) {
        case SessionFailure::Kind::Unusable:
            return EXIT_USAGE;
        case SessionFailure::Kind::InstallerMissing:
            return EXIT_UNAVAILABLE;
        default:
            return EXIT_SETTINGS_ERROR;
        }
    }
    backend.ShowStatusLine("Data source file: " + session->GetWhere());
    // As for the driver-wide values: shown as the rules read them, but told.
    if (const auto& notes = session->GetNotes(); !notes.empty()) {
        for (const StoredValueNote& note : notes) {
            logger.LogWarning(LOG_NAMESPACE, LOG_CLASS, "Load", "%s", FormatNote(note).c_str());
        }
        backend.ShowNotice(SummariseNotes(notes, m_programName + " check --dsn " + name));
    }

    RecordedDataSourceSettings& settings = session->GetSettings();
    SOConfigurationDialog dialog(settings, u"DSN Setup");
    return RunDialogAndSave(
        backend, logger, [&] { return dialog.DoModal(system, nullptr); }, [&] { session->SaveAsDialog(); },
        [&settings, &session] {
            // OK may have renamed it: the name it is saved under. The data
            // source and the driver-wide logging options are two files.
            return session->WroteDataSource()
                ? std::string()
                : "The data source \"" + settings.GetDataSourceName().GetAsUTF8() + "\" could not be saved: ";
        });
}

int ConfigurationToolApplication::RunDialogAndSave(DialogBackend& backend, Support::DSIFileLogger& logger,
    const std::function<int32_t()>& runDialog, const std::function<void()>& save,
    const std::function<std::string()>& saveFailure)
{
    // Where a person watches, a failed save opens the dialog again with the
    // edits it holds, so that the cause can be mended and OK pressed again;
    // a dialog cancelled after that still ends as a failed save.
    bool saveFailed = false;
    for (;;) {
        int32_t result = 0;
        try {
            result = backend.RunDialog(runDialog);
        } catch (const UI::ScriptError&) {
            throw;
        } catch (const DialogInterrupted&) {
            throw;
        } catch (...) {
            ReportError(nullptr,
                "the configuration dialog failed: " + DescribeCurrentException(&logger, "Run")
                    + "; nothing was changed.");
            return EXIT_DIALOG_UNAVAILABLE;
        }
        backend.Finish();

        // Only OK saves: a dialog that reports anything else has not been
        // confirmed by anyone, whatever its code.
        if (result != 1) {
            if (result != 0) {
                logger.LogError(LOG_NAMESPACE, LOG_CLASS, "Run", "the dialog ended with %d", result);
                ReportError(nullptr,
                    "the configuration dialog ended with " + std::to_string(result) + "; nothing was changed.");
                return EXIT_DIALOG_UNAVAILABLE;
            }
            return saveFailed ? EXIT_SETTINGS_ERROR : result;
        }
        // A save that has begun goes on to its end, whatever asks the tool to
        // stop meanwhile: the exit code then says what the file holds.
        std::optional<std::string> failure;
        int stopSignal = 0;
        {
            const LockWaitTelling telling(&backend, *m_errors, m_programName);
            OS::HeldStopSignals held;
            failure = Attempt(logger, "Save", save);
            stopSignal = held.Take();
        }
        if (stopSignal != 0) {
            logger.LogWarning(LOG_NAMESPACE, LOG_CLASS, "Save", "signal %d arrived during the save", stopSignal);
            m_deferredErrors += "signal " + std::to_string(stopSignal)
                + " arrived while the settings were being saved; "
                + (failure ? "the save was finished first, and failed."
                           : "the save was finished first: the settings "
                             "were written.")
                + "\n";
        }
        if (!failure) {
            if (saveFailed) {
                m_deferredErrors += "the settings were saved at a later OK.\n";
            }
            return result;
        }
        ReportError(&backend, saveFailure() + WithoutLineEnd(*failure));
        if (stopSignal != 0 || !backend.ShowsErrorsInMessageBoxes()) {
            return EXIT_SETTINGS_ERROR;
        }
        saveFailed = true;
    }
}

void ConfigurationToolApplication::ReportError(DialogBackend* backend, const std::string& text)
{
    if (backend && backend->ShowsErrorsInMessageBoxes()) {
        try {
            DriverSupport::DSMessages::ShowConfigurationError(
                backend->GetSystem(), Support::WideString(text), m_errorCaptionId);
        } catch (...) {
            // Standard error still tells the user.
        }
    }
    m_deferredErrors += text + "\n";
}

} // namespace Dravo::VezurAVUZ

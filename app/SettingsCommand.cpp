#include "app/SettingsCommand.h"

#include <algorithm>
#include <cstdlib>
#include <istream>
#include <iterator>
#include <ostream>
#include <stdexcept>

#include "app/ConfigurationToolApplication.h"
#include "app/DriverConfiguration.h"
#include "app/JsonWriter.h"
#include "app/LockWaitTelling.h"
#include "app/SettingsTable.h"
#include "app/StoredValueNotes.h"
#include "dialogs/DataSourceNameRefusal.h"
#include "driversupport/DSKeys.h"
#include "driversupport/DSMessages.h"
#include "driversupport/FailureText.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/File.h"
#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/InputFile.h"
#include "platform/Utf8.h"
#include "resources/StringIds.h"
#include "settings/DataSourceChanges.h"
#include "settings/DataSourceSection.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "settings/SettingsFileLines.h"
#include "settings/StoredValueReview.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;
using Command = SettingsCommandOptions::Command;
using StoredValues = std::vector<std::pair<WideString, WideString>>;

constexpr const char* LOG_NAMESPACE = "Dravo::VezurAVUZ";
constexpr const char* LOG_CLASS = "SettingsCommand";

/// Ends the command with an exit code and a message for the user.
class CommandFailure : public std::runtime_error {
public:
    CommandFailure(int exitCode, const std::string& message) : std::runtime_error(message), m_exitCode(exitCode) {}
    [[nodiscard]] int GetExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

[[noreturn]] void Fail(int exitCode, const std::string& message)
{
    throw CommandFailure(exitCode, message);
}

std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

/// The text of the exception being handled, as the one failure translator
/// words it, on one line; called only inside a catch block.
std::string DescribeCurrentException()
{
    std::string text = DriverSupport::DescribeCurrentException().text.GetAsUTF8();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

/// A reason as a sentence, so that what follows it reads as another.
std::string AsSentence(std::string text)
{
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') {
        text += '.';
    }
    return text;
}

/// The system's words for a code, without their line end.
std::string SystemText(OS::ErrorCode code)
{
    return WithoutLineEnd(WideString(OS::GetSystemErrorMessage(code)).GetAsUTF8());
}

std::u16string DriverKey()
{
    return GetDriverKeyPath().GetAsU16String();
}

constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

/// The bytes of a file named on the command line, within limits; the reason
/// when it cannot be read.
std::string ReadNamedFile(const std::string& path, std::istream& standardInput, const OS::InputLimits& limits)
{
    std::string bytes;
    std::string why;
    const bool read = path == "-" ? OS::ReadInputStream(standardInput, "standard input", limits, bytes, why)
                                  : OS::ReadInputFile(path, limits, bytes, why);
    if (!read) {
        Fail(EXIT_USAGE, "cannot read " + why);
    }
    return bytes;
}

/// The spelling the rules give a name: the table's, or for a property its
/// set's prefix before the name as given.
WideString CanonicalName(const WideString& name)
{
    const SettingRule* rule = FindSettingRule(name.GetAsU16String());
    if (!rule) {
        return name;
    }
    if (rule->kind == SettingKind::Property) {
        return WideString(rule->name) + name.Substr(static_cast<int32_t>(rule->name.size()));
    }
    return WideString(rule->name);
}

bool IsPasswordName(const WideString& name)
{
    const SettingRule* rule = FindSettingRule(name.GetAsU16String());
    return rule && rule->kind == SettingKind::Password;
}

const WideString* FindStored(const StoredValues& stored, const WideString& name)
{
    for (const auto& [key, value] : stored) {
        if (IsSameSettingName(key, name)) {
            return &value;
        }
    }
    return nullptr;
}

/// Two stored passwords that stand for the same plain text are the same.
bool SameValue(const WideString& name, const std::optional<WideString>& before, const std::optional<WideString>& after)
{
    if (before.has_value() != after.has_value()) {
        return false;
    }
    if (!before || *before == *after) {
        return true;
    }
    if (!IsPasswordName(name)) {
        return false;
    }
    WideString plainBefore = *before;
    WideString plainAfter = *after;
    return SOConnectionSettings::DecryptSetting(plainBefore) && SOConnectionSettings::DecryptSetting(plainAfter)
        && plainBefore == plainAfter;
}

/// For --exact: every held setting the request does not name goes back to
/// its default.
void ClearWhatIsNotNamed(SettingsEdit& edit, std::vector<SettingAssignment>& assignments)
{
    std::vector<SettingAssignment> cleared;
    for (const WideString& held : edit.ListHeldNames()) {
        const bool named = std::any_of(assignments.begin(), assignments.end(),
            [&held](const SettingAssignment& assignment) { return IsSameSettingName(assignment.name, held); });
        if (!named) {
            cleared.push_back(SettingAssignment{held, std::nullopt, false});
        }
    }
    assignments.insert(assignments.end(), cleared.begin(), cleared.end());
}

/// Applies the request to the settings as the dialogs show them; with
/// --exact every held setting it does not name goes back to its default,
/// and joins ASSIGNMENTS.
/// A refusal ends the command with nothing changed.
void ApplyAsTheDialogsWould(SettingsEdit& edit, std::vector<SettingAssignment>& assignments, bool exact)
{
    edit.ShowAsDialogs();
    if (exact) {
        ClearWhatIsNotNamed(edit, assignments);
    }
    if (const auto refusal = edit.Apply(assignments)) {
        Fail(EXIT_VALUE_REFUSED, AsSentence(refusal->reason.GetAsUTF8()) + " Nothing was changed.");
    }
    // Settings put back to their defaults are read as the dialog reads them.
    edit.ShowAsDialogs();
}

std::optional<std::string> Utf8(const std::optional<WideString>& value)
{
    return value ? std::optional<std::string>(value->GetAsUTF8()) : std::nullopt;
}

} // namespace

SettingsCommand::SettingsCommand(std::string programName, const ProgramOptions& options, std::istream& input,
    std::ostream& output, std::ostream& errors)
    : m_programName(std::move(programName)), m_options(options), m_input(input), m_output(output), m_errors(errors)
{
    m_outcome.checkOnly = options.settings.checkOnly;
}

int SettingsCommand::Run(Support::DSIFileLogger& logger)
{
    const SettingsCommandOptions& settings = m_options.settings;
    try {
        if (settings.command == Command::List) {
            std::vector<const SettingRule*> rules;
            for (const std::string& name : settings.arguments) {
                const SettingRule* rule = FindSettingRule(WideString(name).GetAsU16String());
                if (!rule) {
                    Fail(EXIT_VALUE_REFUSED, name + " is not one of the driver's settings; '" + m_programName
                            + " settings' lists them");
                }
                rules.push_back(rule);
            }
            m_output << FormatSettingsTable(settings.json       ? SettingsTableFormat::Json
                    : settings.markdown                         ? SettingsTableFormat::Markdown
                                                                : SettingsTableFormat::Text,
                rules);
            return 0;
        }
        if (m_options.dataSourceName) {
            return RunDataSource(logger, WideString(*m_options.dataSourceName));
        }
        if (settings.command == Command::Remove) {
            Fail(EXIT_USAGE, "'remove' removes a data source: give it with --dsn NAME");
        }
        return RunDriverWide(logger);
    } catch (const CommandFailure& failure) {
        logger.LogError(LOG_NAMESPACE, LOG_CLASS, "Run", "%s", failure.what());
        m_outcome.error = failure.what();
        return Finish(failure.GetExitCode());
    }
}

int SettingsCommand::Finish(int exitCode)
{
    if (m_options.settings.json) {
        m_output << FormatSettingsJson(m_outcome);
    } else if (!m_outcome.error) {
        WriteSettingsText(m_outcome, m_options.settings.diff, m_output);
        for (const StoredValueNote& note : m_outcome.notes) {
            m_errors << m_programName << ": note: " << FormatNote(note) << "\n";
        }
    }
    if (m_outcome.error) {
        m_errors << m_programName << ": " << *m_outcome.error << "\n";
        if (exitCode == EXIT_USAGE) {
            m_errors << "Try '" << m_programName << " --help' for more information.\n";
        }
    }
    return exitCode;
}

std::optional<WideString> SettingsCommand::ReadPassword()
{
    const SettingsCommandOptions& settings = m_options.settings;
    std::string bytes;
    // Read as a line of input at most; what is longer than a password is
    // refused below, with the password's own bound.
    const OS::InputLimits limits{64 * 1024, false};
    if (settings.passwordFromStandardInput) {
        bytes = ReadNamedFile("-", m_input, limits);
    } else if (settings.passwordFile) {
        bytes = ReadNamedFile(*settings.passwordFile, m_input, limits);
    } else {
        return std::nullopt;
    }
    // The line end that closes a line of input is not part of the password,
    // nor is the byte-order mark an editor may put before it.
    if (!bytes.empty() && bytes.back() == '\n') {
        bytes.pop_back();
        if (!bytes.empty() && bytes.back() == '\r') {
            bytes.pop_back();
        }
    }
    if (bytes.rfind(UTF8_BYTE_ORDER_MARK, 0) == 0) {
        bytes.erase(0, UTF8_BYTE_ORDER_MARK.size());
    }
    if (bytes.size() > OS::MAX_PASSWORD_BYTES) {
        Fail(EXIT_VALUE_REFUSED, "the password " + OS::DescribeInputLimit(OS::MAX_PASSWORD_BYTES));
    }
    if (!OS::IsWellFormedUtf8(bytes) || bytes.find('\0') != std::string::npos) {
        Fail(EXIT_VALUE_REFUSED, "the password is not UTF-8 text");
    }
    // Nothing read is no password: storing it would wipe the one stored.
    if (bytes.empty()) {
        Fail(EXIT_VALUE_REFUSED, std::string("the password given ")
                + (settings.passwordFile ? "(" + *settings.passwordFile + ") " : std::string("on standard input "))
                + "is empty; nothing was changed (unset the password setting to remove the stored one)");
    }
    return WideString(bytes);
}

std::vector<std::pair<WideString, WideString>> SettingsCommand::ReadApplyFile(const std::u16string& section)
{
    const std::string& path = m_options.settings.arguments.front();
    OS::IniFile file;
    const std::string bytes = ReadNamedFile(path, m_input, OS::InputLimits{});
    if (!file.Parse(bytes)) {
        Fail(EXIT_VALUE_REFUSED, path + ":" + std::to_string(file.GetError().line) + ": " + file.GetError().message);
    }
    const std::string sectionName = WideString(section).GetAsUTF8();
    if (!file.HasSection(section)) {
        std::string message = path + " has no [" + sectionName + "] section";
        if (const auto broken = file.FindBrokenSectionHeaders(section); !broken.empty()) {
            message += " (line " + std::to_string(broken.front()) + " is not one: it is not \"[" + sectionName + "]\")";
        }
        Fail(EXIT_VALUE_REFUSED, message);
    }
    if (const auto fault = FindSettingsFileFault(bytes, section)) {
        Fail(EXIT_VALUE_REFUSED, path + ":" + std::to_string(fault->line) + ": " + fault->message
                + "; nothing was changed");
    }
    std::vector<std::pair<WideString, WideString>> entries;
    for (const OS::IniEntry& entry : file.ReadSection(section)) {
        entries.emplace_back(WideString(entry.name), WideString(entry.value));
    }
    return entries;
}

std::vector<SettingAssignment> SettingsCommand::ReadAssignments(
    const std::optional<WideString>& password, const std::u16string& section)
{
    const SettingsCommandOptions& settings = m_options.settings;
    std::vector<SettingAssignment> assignments;
    const auto add = [&assignments](SettingAssignment assignment) {
        if (assignment.name.IsEmpty()) {
            Fail(EXIT_USAGE, "a setting without a name: settings are given as NAME=VALUE");
        }
        for (const SettingAssignment& earlier : assignments) {
            if (IsSameSettingName(earlier.name, assignment.name)) {
                Fail(EXIT_USAGE, "the setting " + assignment.name.GetAsUTF8() + " is given twice");
            }
        }
        assignments.push_back(std::move(assignment));
    };

    bool passwordPlaced = false;
    if (settings.command == Command::Apply) {
        for (auto& [name, value] : ReadApplyFile(section)) {
            add(SettingAssignment{name, value, false});
        }
    } else {
        for (const std::string& argument : settings.arguments) {
            const size_t equals = argument.find('=');
            if (settings.command == Command::Unset) {
                if (equals != std::string::npos) {
                    Fail(EXIT_USAGE, "'unset' takes names, not NAME=VALUE ('" + argument + "')");
                }
                add(SettingAssignment{WideString(argument), std::nullopt, false});
                continue;
            }
            if (equals != std::string::npos) {
                add(SettingAssignment{WideString(argument.substr(0, equals)), WideString(argument.substr(equals + 1)),
                    false});
                continue;
            }
            // A password setting named alone takes the password given.
            const WideString name(argument);
            if (!IsPasswordName(name)) {
                Fail(EXIT_USAGE, "'" + argument + "' has no value: settings are given as NAME=VALUE");
            }
            if (!password) {
                Fail(EXIT_USAGE, argument + " is a password: give it with --password-stdin or --password-file");
            }
            if (passwordPlaced) {
                Fail(EXIT_USAGE, "one password is given, but more than one password setting is named");
            }
            add(SettingAssignment{name, *password, true});
            passwordPlaced = true;
        }
    }
    if (password && !passwordPlaced) {
        add(SettingAssignment{WideString(KEY_ENCRYPTED_PWD), *password, true});
    }
    return assignments;
}

int SettingsCommand::Get(const StoredValues& stored, const std::u16string& section)
{
    const std::vector<std::string>& names = m_options.settings.arguments;
    std::vector<std::pair<std::string, std::optional<WideString>>> shown;
    if (names.empty()) {
        // Named as the rules name them, as 'get NAME' does; a name no rule
        // knows as the file spells it.
        for (const auto& [name, value] : stored) {
            shown.emplace_back(CanonicalName(name).GetAsUTF8(), value);
        }
    } else {
        for (const std::string& name : names) {
            const WideString wide(name);
            if (!FindSettingRule(wide.GetAsU16String()) && !FindStored(stored, wide)) {
                Fail(EXIT_VALUE_REFUSED, name + " is not one of the driver's settings; '" + m_programName
                        + " settings' lists them");
            }
            const WideString* value = FindStored(stored, wide);
            shown.emplace_back(CanonicalName(wide).GetAsUTF8(), value ? std::optional<WideString>(*value) : std::nullopt);
        }
    }

    if (m_options.settings.valuesOnly) {
        // For a script: the values alone, a password masked, nothing for a
        // setting not stored.
        for (const auto& [name, value] : shown) {
            if (value && IsPasswordName(WideString(name)) && !value->IsEmpty()) {
                m_output << MASKED_SECRET << "\n";
            } else {
                m_output << (value ? value->GetAsUTF8() : std::string()) << "\n";
            }
        }
        return 0;
    }
    if (m_options.settings.json) {
        JsonWriter json;
        json.BeginObject();
        for (const auto& [name, value] : shown) {
            json.Key(name);
            if (!value) {
                json.Null();
            } else if (IsPasswordName(WideString(name)) && !value->IsEmpty()) {
                json.String(MASKED_SECRET);
            } else {
                json.String(value->GetAsUTF8());
            }
        }
        json.EndObject();
        m_output << json.GetText() << "\n";
        return 0;
    }
    // The lines read back as an apply file: passwords and settings that are
    // not there stay comments.
    m_output << "[" << WideString(section).GetAsUTF8() << "]\n";
    for (const auto& [name, value] : shown) {
        if (!value) {
            const SettingRule* rule = FindSettingRule(WideString(name).GetAsU16String());
            const std::string fallback = rule ? GetSettingDefault(*rule).GetAsUTF8() : "";
            m_output << "; " << name << " is not set"
                     << (fallback.empty() ? std::string() : "; the dialog shows " + fallback) << "\n";
        } else if (IsPasswordName(WideString(name))) {
            m_output << "; " << name << (value->IsEmpty() ? " is empty" : " is set (not shown)") << "\n";
        } else {
            m_output << name << "=" << value->GetAsUTF8() << "\n";
        }
    }
    return 0;
}

int SettingsCommand::Check(const std::vector<StoredValueNote>& notes)
{
    m_outcome.notes = notes;
    if (m_options.settings.json) {
        m_output << FormatSettingsJson(m_outcome);
    } else {
        for (const StoredValueNote& note : notes) {
            m_output << FormatNote(note) << "\n";
        }
        if (notes.empty()) {
            m_output << "The dialog shows every value of " << m_outcome.location << " as it is stored.\n";
        } else {
            m_output << notes.size() << (notes.size() == 1 ? " value" : " values") << " of " << m_outcome.location
                     << (notes.size() == 1 ? " is" : " are")
                     << " shown differently by the dialog or refused by it; a save writes what the dialog shows.\n";
        }
    }
    return notes.empty() ? 0 : EXIT_VALUE_REFUSED;
}

std::vector<DriverValueChange> SettingsCommand::Differences(const StoredValues& stored,
    std::vector<DriverValueChange> recorded, const std::vector<SettingAssignment>& assignments,
    const std::vector<StoredValueNote>& notes)
{
    // A setting put back that the save does not write (it is not used as the
    // settings are now) goes from storage.
    for (const SettingAssignment& assignment : assignments) {
        if (assignment.value) {
            continue;
        }
        const WideString name = CanonicalName(assignment.name);
        const bool written = std::any_of(recorded.begin(), recorded.end(),
            [&name](const DriverValueChange& change) { return IsSameSettingName(change.name, name); });
        if (!written) {
            recorded.push_back(DriverValueChange{name, std::nullopt});
        }
    }

    std::vector<DriverValueChange> writes;
    for (const DriverValueChange& change : recorded) {
        const WideString* before = FindStored(stored, change.name);
        const std::optional<WideString> beforeValue = before ? std::optional<WideString>(*before) : std::nullopt;
        if (!SameValue(change.name, beforeValue, change.value)) {
            writes.push_back(change);
        }
    }

    // What was asked for, then what else changes.
    const auto report = [&](const WideString& name) {
        for (const SettingReport& existing : m_outcome.settings) {
            if (IsSameSettingName(WideString(existing.name), name)) {
                return;
            }
        }
        SettingReport setting;
        setting.name = name.GetAsUTF8();
        setting.secret = IsPasswordName(name);
        const WideString* before = FindStored(stored, name);
        setting.before = before ? std::optional<std::string>(before->GetAsUTF8()) : std::nullopt;
        setting.after = setting.before;
        for (const DriverValueChange& change : writes) {
            if (IsSameSettingName(change.name, name)) {
                setting.after = Utf8(change.value);
            }
        }
        m_outcome.settings.push_back(std::move(setting));
    };
    for (const SettingAssignment& assignment : assignments) {
        if (assignment.value || FindStored(stored, CanonicalName(assignment.name))) {
            report(CanonicalName(assignment.name));
        }
    }
    for (const DriverValueChange& change : writes) {
        report(change.name);
    }
    // Stored values the save changes though nobody asked: say why.
    for (const StoredValueNote& note : notes) {
        const bool changes = std::any_of(writes.begin(), writes.end(),
            [&note](const DriverValueChange& change) { return IsSameSettingName(change.name, WideString(note.name)); });
        if (changes) {
            m_outcome.notes.push_back(note);
        }
    }
    return writes;
}

int SettingsCommand::RunDataSource(Support::DSIFileLogger& logger, const WideString& name)
{
    const SettingsCommandOptions& settings = m_options.settings;
    const std::u16string section = name.GetAsU16String();
    m_outcome.location = "data source " + name.GetAsUTF8();

    // The name as the data-source dialog and the installer check it.
    if (const auto why = OS::OdbcDataSources::WhyNameCannotBeKept(section)) {
        Fail(EXIT_USAGE, "the data source name \"" + name.GetAsUTF8() + "\" cannot be used: " + *why
                + "; nothing was changed");
    }
    switch (CheckDataSourceNameCharacters(name)) {
    case DataSourceNameFault::Empty:
        Fail(EXIT_USAGE, Support::LoadResourceString(Resources::IDS_DSN_EMPTY).GetAsUTF8());
    case DataSourceNameFault::ForbiddenCharacter:
        Fail(EXIT_USAGE, Support::LoadResourceString(Resources::IDS_DSN_INVALID_CHARACTERS).GetAsUTF8());
    case DataSourceNameFault::None:
        break;
    }
    RecordedDataSourceSettings model(&logger);
    try {
        model.SetDataSourceName(name);
    } catch (const Varlo::VarloSetupException&) {
        const bool installerMissing = !OS::OdbcInstaller::LastCallReachedInstaller();
        Fail(installerMissing ? EXIT_UNAVAILABLE : EXIT_USAGE,
            DescribeRefusedDataSourceName(name).GetAsUTF8() + " Nothing was changed.");
    }

    std::vector<SettingAssignment> assignments;
    if (settings.command == Command::Set || settings.command == Command::Unset || settings.command == Command::Apply) {
        const std::optional<WideString> password = ReadPassword();
        assignments = ReadAssignments(password, section);
    }

    // Where it lives decides where it is saved; a new one is the user's
    // unless the system's is asked for.
    const OS::DataSourceScope scope = m_options.dataSourceScope
        ? (*m_options.dataSourceScope == ProgramOptions::DataSourceScope::System ? OS::DataSourceScope::System
                                                                                 : OS::DataSourceScope::User)
        : OS::OdbcDataSources::Locate(section).value_or(OS::DataSourceScope::User);
    OS::OdbcDataSources::UseScope(scope);
    m_outcome.location = WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8() + " [" + name.GetAsUTF8() + "]";

    const bool exists = OS::OdbcDataSources::Holds(scope, section);
    StoredValues stored;
    try {
        model.Load();
        stored = DataSourceSection(name).ReadEntries();
    } catch (...) {
        Fail(EXIT_SETTINGS_ERROR, "the data source " + name.GetAsUTF8() + " cannot be read: " + DescribeCurrentException());
    }
    // The section's driver entry names what the data source is for; it is
    // no setting.
    const WideString driver = model.GetDriverName().IsEmpty() ? GetDriverName() : model.GetDriverName();
    model.SetDriverName(driver);
    std::erase_if(
        stored, [](const auto& entry) { return IsSameSettingName(entry.first, WideString(DriverSupport::KEY_DRIVER)); });

    if (settings.command == Command::Get || settings.command == Command::Check) {
        if (!exists) {
            Fail(EXIT_SETTINGS_ERROR, "there is no data source named " + name.GetAsUTF8() + " in "
                    + WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8());
        }
    }
    if (settings.command == Command::Get) {
        return Get(stored, section);
    }
    const std::vector<StoredValueNote> notes
        = ReviewDataSource(stored, WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8(), name);
    if (settings.command == Command::Check) {
        return Check(notes);
    }

    std::vector<DriverValueChange> writes;
    if (settings.command == Command::Remove) {
        m_outcome.removedDataSource = name.GetAsUTF8();
        for (const auto& [key, value] : stored) {
            SettingReport setting;
            setting.name = key.GetAsUTF8();
            setting.before = value.GetAsUTF8();
            setting.secret = IsPasswordName(key);
            m_outcome.settings.push_back(std::move(setting));
        }
    } else {
        SettingsEdit edit(model, SettingScope::DataSource);
        ApplyAsTheDialogsWould(edit, assignments, settings.exact);
        std::vector<DriverValueChange> recorded;
        const DataSourceChanges saved = model.RecordSave();
        for (const SectionChange& change : saved.Get()) {
            recorded.push_back(DriverValueChange{change.key, change.value});
        }
        writes = Differences(stored, std::move(recorded), assignments, notes);
    }
    const bool removing = settings.command == Command::Remove;
    m_outcome.changed = removing ? exists : !exists || !writes.empty();
    if (!m_outcome.changed || settings.checkOnly) {
        return Finish(0);
    }

    OS::ThreadDiagnostic::Clear();
    if (const OS::ErrorCode writable = OS::OdbcDataSources::CheckWritable(scope); writable != OS::ERROR_SUCCESS_CODE) {
        const std::string where = WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8();
        std::string diagnostic = OS::ThreadDiagnostic::Get();
        if (diagnostic.empty()) {
            diagnostic = SystemText(writable);
        }
        m_outcome.changed = false;
        if (writable == OS::ERROR_ACCESS_DENIED_CODE) {
            Fail(EXIT_NEEDS_ADMINISTRATOR, "administrator rights are needed to change the data sources in " + where
                    + " (" + diagnostic + "); nothing was changed");
        }
        Fail(EXIT_SETTINGS_ERROR, "the data sources, " + where + ", cannot be written: " + diagnostic
                + "; nothing was changed");
    }
    const LockWaitTelling telling(nullptr, m_errors, m_programName);
    if (removing) {
        if (const OS::ErrorCode removed = OS::OdbcDataSources::Remove(scope, section);
            removed != OS::ERROR_SUCCESS_CODE) {
            m_outcome.changed = false;
            std::string diagnostic = OS::ThreadDiagnostic::Get();
            if (diagnostic.empty()) {
                diagnostic = SystemText(removed);
            }
            Fail(EXIT_SETTINGS_ERROR, "the data source " + name.GetAsUTF8() + " could not be removed: " + diagnostic);
        }
        return Finish(0);
    }

    // A new data source is made with everything its save writes; an
    // existing one gets what changes.
    DataSourceChanges changes;
    for (const DriverValueChange& change : writes) {
        if (change.value) {
            changes.Write(change.name, *change.value);
        } else if (exists) {
            changes.Remove(change.name);
        }
    }
    try {
        // Saved for this driver: another driver's data source is refused.
        changes.Apply(
            name, GetDriverName(), exists ? DataSourceChanges::Start::AsItIs : DataSourceChanges::Start::Anew, scope);
    } catch (const SectionEntryTooLong& tooLong) {
        m_outcome.changed = false;
        Fail(EXIT_VALUE_REFUSED, "the value of " + tooLong.GetKey().GetAsUTF8()
                + " is too long: the ODBC installer keeps at most " + std::to_string(tooLong.GetLimit())
                + " bytes of name and value together; nothing was changed");
    } catch (const SectionEntryNotKept& notKept) {
        m_outcome.changed = false;
        Fail(EXIT_VALUE_REFUSED, notKept.GetKey().GetAsUTF8() + " cannot be kept in a data source: "
                + notKept.GetReason() + "; nothing was changed");
    } catch (const SectionWriteFailed& failed) {
        m_outcome.changed = false;
        const SectionWriteFailed::Outcome outcome = failed.GetOutcome();
        const bool untouched = outcome != SectionWriteFailed::Outcome::NotUndone && outcome != SectionWriteFailed::Outcome::InPlace;
        Fail(EXIT_SETTINGS_ERROR, "the data source " + name.GetAsUTF8() + " could not be saved"
                + (failed.GetReason().empty() ? std::string() : ": " + failed.GetReason())
                + (untouched                                       ? "; nothing was changed"
                      : outcome == SectionWriteFailed::Outcome::InPlace ? "; the change is in place"
                                                                        : "; part of it was written, check the data source"));
    }
    return Finish(0);
}

int SettingsCommand::RunDriverWide(Support::DSIFileLogger& logger)
{
    const SettingsCommandOptions& settings = m_options.settings;
    const std::u16string driverKey = DriverKey();
    const std::u16string section = driverKey.substr(driverKey.find_last_of(u'\\') + 1);
    m_outcome.location = DescribeDriverSettingsLocation();

    // What the request asks is read whole first: a request that cannot be
    // read changes nothing.
    std::vector<SettingAssignment> assignments;
    if (settings.command == Command::Set || settings.command == Command::Unset || settings.command == Command::Apply) {
        const std::optional<WideString> password = ReadPassword();
        assignments = ReadAssignments(password, section);
    }

    // A file that holds the driver key but cannot be read is named, rather
    // than read as empty.
    const auto opened = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, driverKey);
    if (!opened && opened.GetError() != OS::ERROR_FILE_NOT_FOUND_CODE) {
        std::string diagnostic = OS::GetRegistryDiagnostic();
        if (diagnostic.empty()) {
            diagnostic = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey) + ": "
                + SystemText(opened.GetError());
        }
        Fail(EXIT_SETTINGS_ERROR, "the driver configuration cannot be read: " + diagnostic
                + "; nothing was changed, the file was left as it is");
    }
    // The user's own file, where it is not the one edited, holds only the
    // tool's log settings: named as the dialog names it, it stops nothing.
    const std::string userFile = OS::GetRegistryKeyFilePath(OS::RegistryHive::CurrentUser, driverKey);
    if (userFile != OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey)) {
        const auto user = OS::RegistryKey::Open(OS::RegistryHive::CurrentUser, driverKey);
        if (!user && user.GetError() != OS::ERROR_FILE_NOT_FOUND_CODE) {
            const std::string diagnostic = OS::GetRegistryDiagnostic();
            m_errors << m_programName << ": warning: the user's driver configuration cannot be read: "
                     << (diagnostic.empty() ? userFile : diagnostic)
                     << "\nThe tool's own log keeps its default settings; the file was left as it is.\n";
        }
    }

    DriverConfiguration configuration(logger);
    SODriverConnectionSettings& model = configuration.GetSettings();
    try {
        model.Load();
    } catch (...) {
        Fail(EXIT_SETTINGS_ERROR, "the driver configuration cannot be read: " + DescribeCurrentException());
    }
    const auto snapshot = DriverKeySnapshot::Get();
    const StoredValues stored(snapshot->GetValues().begin(), snapshot->GetValues().end());

    if (settings.command == Command::Get) {
        return Get(stored, section);
    }
    const std::vector<StoredValueNote> notes = ReviewDriverConfiguration();
    if (settings.command == Command::Check) {
        return Check(notes);
    }

    SettingsEdit edit(model, SettingScope::Driver);
    ApplyAsTheDialogsWould(edit, assignments, settings.exact);

    // The dialog's save, recorded; then what it changes.
    SODriverRegistryKey& registryKey = configuration.GetRegistryKey();
    registryKey.StartRecording();
    try {
        model.Save();
    } catch (...) {
        (void)registryKey.StopRecording();
        Fail(EXIT_SETTINGS_ERROR, "the driver configuration could not be saved: " + DescribeCurrentException());
    }
    const std::vector<DriverValueChange> writes
        = Differences(stored, registryKey.StopRecording(), assignments, notes);
    m_outcome.changed = !writes.empty();
    if (writes.empty() || settings.checkOnly) {
        return Finish(0);
    }

    if (const OS::ErrorCode writable = OS::CheckRegistryKeyWritable(OS::RegistryHive::LocalMachine, driverKey);
        writable != OS::ERROR_SUCCESS_CODE) {
        const std::string where = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey);
        std::string diagnostic = OS::GetRegistryDiagnostic();
        if (diagnostic.empty()) {
            diagnostic = SystemText(writable);
        }
        m_outcome.changed = false;
        if (writable == OS::ERROR_ACCESS_DENIED_CODE) {
            // A file the user named is the user's to open up: root would not help.
            const std::string variable = GetProductIdentity().configEnvironmentVariable.GetAsUTF8();
            if (const char* named = std::getenv(variable.c_str()); named && *named) {
                Fail(EXIT_NEEDS_ADMINISTRATOR, "the driver configuration, " + where + " (named by " + variable
                        + "), cannot be written by this user (" + diagnostic
                        + "); nothing was changed: let this user write it and its folder, or name another file");
            }
            Fail(EXIT_NEEDS_ADMINISTRATOR, "administrator rights are needed to change the driver configuration: "
                    + where + " cannot be written by this user (" + diagnostic + "); nothing was changed");
        }
        Fail(EXIT_SETTINGS_ERROR, "the driver configuration, " + where + ", cannot be written: " + diagnostic
                + "; nothing was changed");
    }
    try {
        const LockWaitTelling telling(nullptr, m_errors, m_programName);
        SaveAsOneRegistryChange([&] { registryKey.Apply(writes); });
    } catch (...) {
        m_outcome.changed = false;
        Fail(EXIT_SETTINGS_ERROR, "the driver configuration could not be saved: " + DescribeCurrentException());
    }
    return Finish(0);
}

} // namespace Dravo::VezurAVUZ

#include "app/SettingsCommand.h"

#include <algorithm>
#include <cstdlib>
#include <istream>
#include <iterator>
#include <ostream>
#include <stdexcept>

#include "app/ConfigurationToolApplication.h"
#include "settings/DriverConfiguration.h"
#include "app/JsonWriter.h"
#include "app/LockWaitTelling.h"
#include "app/SettingsTable.h"
#include "settings/StoredValueNotes.h"
#include "settings/DataSourceNameRefusal.h"
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

/// The exit code that tells a session's failure.
int ExitCodeOf(SessionFailure::Kind kind)
{
    switch (kind) {
    case SessionFailure::Kind::Unusable:
        return EXIT_USAGE;
    case SessionFailure::Kind::InstallerMissing:
        return EXIT_UNAVAILABLE;
    case SessionFailure::Kind::Refused:
        return EXIT_VALUE_REFUSED;
    case SessionFailure::Kind::NeedsRights:
        return EXIT_NEEDS_ADMINISTRATOR;
    case SessionFailure::Kind::Failed:
        break;
    }
    return EXIT_SETTINGS_ERROR;
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

const WideString* FindStored(const StoredValues& stored, const WideString& name)
{
    for (const auto& [key, value] : stored) {
        if (IsSameSettingName(key, name)) {
            return &value;
        }
    }
    return nullptr;
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
                    Fail(EXIT_VALUE_REFUSED,
                        name + " is not one of the driver's settings; '" + m_programName + " settings' lists them");
                }
                rules.push_back(rule);
            }
            m_output << FormatSettingsTable(settings.json ? SettingsTableFormat::Json
                    : settings.markdown                   ? SettingsTableFormat::Markdown
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
    } catch (const SessionFailure& failure) {
        logger.LogError(LOG_NAMESPACE, LOG_CLASS, "Run", "%s", failure.what());
        m_outcome.error = failure.what();
        return Finish(ExitCodeOf(failure.GetKind()));
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
        Fail(EXIT_VALUE_REFUSED,
            std::string("the password given ")
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
        Fail(EXIT_VALUE_REFUSED,
            path + ":" + std::to_string(fault->line) + ": " + fault->message + "; nothing was changed");
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
                add(SettingAssignment{
                    WideString(argument.substr(0, equals)), WideString(argument.substr(equals + 1)), false});
                continue;
            }
            // A password setting named alone takes the password given.
            const WideString name(argument);
            if (!IsPasswordSetting(name)) {
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
            shown.emplace_back(CanonicalSettingName(name).GetAsUTF8(), value);
        }
    } else {
        for (const std::string& name : names) {
            const WideString wide(name);
            if (!FindSettingRule(wide.GetAsU16String()) && !FindStored(stored, wide)) {
                Fail(EXIT_VALUE_REFUSED,
                    name + " is not one of the driver's settings; '" + m_programName + " settings' lists them");
            }
            const WideString* value = FindStored(stored, wide);
            shown.emplace_back(
                CanonicalSettingName(wide).GetAsUTF8(), value ? std::optional<WideString>(*value) : std::nullopt);
        }
    }

    if (m_options.settings.valuesOnly) {
        // For a script: the values alone, a password masked, nothing for a
        // setting not stored.
        for (const auto& [name, value] : shown) {
            if (value && IsPasswordSetting(WideString(name)) && !value->IsEmpty()) {
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
            } else if (IsPasswordSetting(WideString(name)) && !value->IsEmpty()) {
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
        } else if (IsPasswordSetting(WideString(name))) {
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

void SettingsCommand::Report(SessionDifference difference)
{
    m_outcome.settings = std::move(difference.settings);
    m_outcome.notes.insert(m_outcome.notes.end(), difference.notes.begin(), difference.notes.end());
}

int SettingsCommand::RunDataSource(Support::DSIFileLogger& logger, const WideString& name)
{
    const SettingsCommandOptions& settings = m_options.settings;
    const std::u16string section = name.GetAsU16String();
    m_outcome.location = "data source " + name.GetAsUTF8();
    DataSourceSession session(logger, name);

    std::vector<SettingAssignment> assignments;
    if (settings.command == Command::Set || settings.command == Command::Unset || settings.command == Command::Apply) {
        const std::optional<WideString> password = ReadPassword();
        assignments = ReadAssignments(password, section);
    }
    session.Open(m_options.dataSourceScope ? std::optional(
                     *m_options.dataSourceScope == ProgramOptions::DataSourceScope::System ? OS::DataSourceScope::System
                                                                                           : OS::DataSourceScope::User)
                                           : std::nullopt);
    m_outcome.location = session.GetLocation();

    if (settings.command == Command::Get || settings.command == Command::Check) {
        if (!session.Exists()) {
            Fail(
                EXIT_SETTINGS_ERROR, "there is no data source named " + name.GetAsUTF8() + " in " + session.GetWhere());
        }
    }
    if (settings.command == Command::Get) {
        return Get(session.GetStored(), section);
    }
    if (settings.command == Command::Check) {
        return Check(session.GetNotes());
    }

    const bool removing = settings.command == Command::Remove;
    if (removing) {
        m_outcome.removedDataSource = name.GetAsUTF8();
        for (const auto& [key, value] : session.GetStored()) {
            SettingReport setting;
            setting.name = key.GetAsUTF8();
            setting.before = value.GetAsUTF8();
            setting.secret = IsPasswordSetting(key);
            m_outcome.settings.push_back(std::move(setting));
        }
        m_outcome.changed = session.Exists();
    } else {
        Report(session.Apply(assignments, settings.exact));
        m_outcome.changed = session.Changes();
    }
    if (!m_outcome.changed || settings.checkOnly) {
        return Finish(0);
    }
    try {
        const LockWaitTelling telling(nullptr, m_errors, m_programName);
        if (removing) {
            session.Remove();
        } else {
            session.Save();
        }
    } catch (const SessionFailure&) {
        m_outcome.changed = false;
        throw;
    }
    return Finish(0);
}

int SettingsCommand::RunDriverWide(Support::DSIFileLogger& logger)
{
    const SettingsCommandOptions& settings = m_options.settings;
    DriverSettingsSession session(logger);
    const std::u16string section = session.GetSection();
    m_outcome.location = session.GetLocation();

    // What the request asks is read whole first: a request that cannot be
    // read changes nothing.
    std::vector<SettingAssignment> assignments;
    if (settings.command == Command::Set || settings.command == Command::Unset || settings.command == Command::Apply) {
        const std::optional<WideString> password = ReadPassword();
        assignments = ReadAssignments(password, section);
    }
    for (const std::string& warning : session.Open()) {
        m_errors << m_programName << ": warning: " << warning << "\n";
    }
    if (settings.command == Command::Get) {
        return Get(session.GetStored(), section);
    }
    if (settings.command == Command::Check) {
        return Check(session.GetNotes());
    }
    Report(session.Apply(assignments, settings.exact));
    m_outcome.changed = session.Changes();
    if (!m_outcome.changed || settings.checkOnly) {
        return Finish(0);
    }
    try {
        const LockWaitTelling telling(nullptr, m_errors, m_programName);
        session.Save();
    } catch (const SessionFailure&) {
        m_outcome.changed = false;
        throw;
    }
    return Finish(0);
}

} // namespace Dravo::VezurAVUZ

#include "settings/SettingsSession.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "driversupport/DSKeys.h"
#include "driversupport/FailureText.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/OdbcInstaller.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "platform/ThreadDiagnostic.h"
#include "settings/DataSourceChanges.h"
#include "settings/DataSourceNameRefusal.h"
#include "settings/DataSourceSection.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/NumberReading.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;
using Kind = SessionFailure::Kind;

[[noreturn]] void Fail(Kind kind, const std::string& text)
{
    throw SessionFailure(kind, text);
}

/// As Fail, with the exception being handled nested, for a caller that
/// words it its own way; only in a catch block.
[[noreturn]] void FailNested(Kind kind, const std::string& text)
{
    std::throw_with_nested(SessionFailure(kind, text));
}

std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

/// The text of the exception being handled, on one line; only in a catch block.
std::string DescribeCurrentException()
{
    std::string text = DriverSupport::DescribeCurrentException().text.GetAsUTF8();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string AsSentence(std::string text)
{
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') {
        text += '.';
    }
    return text;
}

/// The system's words for a code, or the account kept of the failure.
std::string Diagnostic(const std::string& kept, OS::ErrorCode code)
{
    return kept.empty() ? WithoutLineEnd(WideString(OS::GetSystemErrorMessage(code)).GetAsUTF8()) : kept;
}

std::u16string DriverKey()
{
    return GetDriverKeyPath().GetAsU16String();
}

const WideString* FindStored(const StoredSettings& stored, const WideString& name)
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
    if (!IsPasswordSetting(name)) {
        return false;
    }
    WideString plainBefore = *before;
    WideString plainAfter = *after;
    return SOConnectionSettings::DecryptSetting(plainBefore) && SOConnectionSettings::DecryptSetting(plainAfter)
        && plainBefore == plainAfter;
}

std::optional<std::string> Utf8(const std::optional<WideString>& value)
{
    return value ? std::optional<std::string>(value->GetAsUTF8()) : std::nullopt;
}

/// Applies the request to the settings as the dialogs show them; with EXACT
/// every held setting it does not name goes back to its default, and joins
/// ASSIGNMENTS.
void ApplyAsTheDialogsWould(SettingsEdit& edit, std::vector<SettingAssignment>& assignments, bool exact)
{
    edit.ShowAsDialogs();
    if (exact) {
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
    if (const auto refusal = edit.Apply(assignments)) {
        Fail(Kind::Refused, AsSentence(refusal->reason.GetAsUTF8()) + " Nothing was changed.");
    }
    // Settings put back to their defaults are read as the dialog reads them.
    edit.ShowAsDialogs();
}

/// What the recorded save changes of what is stored, put back settings the
/// save does not write going too; the report fills DIFFERENCE.
std::vector<DriverValueChange> Differences(const StoredSettings& stored, std::vector<DriverValueChange> recorded,
    const std::vector<SettingAssignment>& assignments, const std::vector<StoredValueNote>& notes,
    SessionDifference& difference)
{
    // A setting put back that the save does not write (it is not used as the
    // settings are now) goes from storage.
    for (const SettingAssignment& assignment : assignments) {
        if (assignment.value) {
            continue;
        }
        const WideString name = CanonicalSettingName(assignment.name);
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
        for (const SettingReport& existing : difference.settings) {
            if (IsSameSettingName(WideString(existing.name), name)) {
                return;
            }
        }
        SettingReport setting;
        setting.name = name.GetAsUTF8();
        setting.secret = IsPasswordSetting(name);
        const WideString* before = FindStored(stored, name);
        setting.before = before ? std::optional<std::string>(before->GetAsUTF8()) : std::nullopt;
        setting.after = setting.before;
        for (const DriverValueChange& change : writes) {
            if (IsSameSettingName(change.name, name)) {
                setting.after = Utf8(change.value);
            }
        }
        difference.settings.push_back(std::move(setting));
    };
    for (const SettingAssignment& assignment : assignments) {
        if (assignment.value || FindStored(stored, CanonicalSettingName(assignment.name))) {
            report(CanonicalSettingName(assignment.name));
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
            difference.notes.push_back(note);
        }
    }
    return writes;
}

/// Refuses a write of the driver key that this user cannot make, before
/// anything is written; WHAT names what would have been saved.
void CheckDriverKeyWritable(const std::string& what)
{
    const std::u16string driverKey = DriverKey();
    const OS::ErrorCode writable = OS::CheckRegistryKeyWritable(OS::RegistryHive::LocalMachine, driverKey);
    if (writable == OS::ERROR_SUCCESS_CODE) {
        return;
    }
    const std::string where = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey);
    const std::string diagnostic = Diagnostic(OS::GetRegistryDiagnostic(), writable);
    if (writable == OS::ERROR_ACCESS_DENIED_CODE) {
        // A file the user named is the user's to open up: root would not help.
        const std::string variable = GetProductIdentity().configEnvironmentVariable.GetAsUTF8();
        if (const char* named = std::getenv(variable.c_str()); named && *named) {
            Fail(Kind::NeedsRights,
                what + ", " + where + " (named by " + variable + "), cannot be written by this user (" + diagnostic
                    + "); nothing was changed: let this user write it and its folder, or name another file");
        }
        Fail(Kind::NeedsRights,
            "administrator rights are needed to change " + what + ": " + where + " cannot be written by this user ("
                + diagnostic + "); nothing was changed");
    }
    Fail(Kind::Failed, what + ", " + where + ", cannot be written: " + diagnostic + "; nothing was changed");
}

/// Whether the data source's driver entry names this driver (by its name,
/// the name REGISTERED an installer gave it, or its library as registered);
/// an empty one is a data source to be made.
std::optional<std::string> WhyNotOurs(const WideString& driver, const WideString& registered)
{
    const WideString& ours = GetDriverName();
    if (driver.IsEmpty() || driver.IsEqual(ours, false) || driver.IsEqual(registered, false)) {
        return std::nullopt;
    }
    if (const auto library = OS::OdbcInstaller::FindRegisteredDriverLibrary(ours.GetAsU16String());
        library && *library == driver.GetAsU16String()) {
        return std::nullopt;
    }
    return "belongs to the driver " + driver.GetAsUTF8() + ", not to " + ours.GetAsUTF8();
}

bool IsKey(const WideString& key, std::u16string_view name)
{
    return IsSameSettingName(key, WideString(name));
}

/// Keys of an installer's attributes that name the data source rather than set it.
bool NamesDataSource(const WideString& key)
{
    return IsKey(key, DriverSupport::KEY_DSN) || IsKey(key, DriverSupport::KEY_DRIVER);
}

/// The attributes as entries of the section, those SKIP refuses left out. A
/// plain password is stored enciphered, as the dialog stores it.
template <class Skip> void AddAttributes(DataSourceChanges& changes, const StoredSettings& attributes, Skip&& skip)
{
    for (const auto& [key, value] : attributes) {
        if (NamesDataSource(key) || skip(key)) {
            continue;
        }
        if (IsKey(key, DriverSupport::KEY_PWD)) {
            WideString secret = value;
            SOConnectionSettings::EncryptSetting(secret);
            changes.Write(WideString(KEY_ENCRYPTED_PWD), secret);
        } else {
            changes.Write(key, value);
        }
    }
}

/// The attributes that set the model's own members; the passwords as the
/// model holds them, deciphered (the checks made sure they can be).
void SetMembers(SOConnectionSettings& settings, const StoredSettings& attributes)
{
    for (const auto& [key, value] : attributes) {
        WideString secret = value;
        if (NamesDataSource(key)) {
            continue;
        }
        if (IsKey(key, DriverSupport::KEY_PWD)) {
            settings.SetPassword(value);
        } else if (IsKey(key, KEY_ENCRYPTED_PWD) && SOConnectionSettings::DecryptSetting(secret)) {
            settings.SetPassword(secret);
        } else if (IsKey(key, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD) && SOConnectionSettings::DecryptSetting(secret)) {
            settings.SetClientPrivateKeyPassword(secret);
        } else {
            (void)settings.SetSetting(key, value);
        }
    }
}

} // namespace

void CheckInstallerAttributes(const StoredSettings& attributes, const StoredSettings& stored)
{
    std::vector<WideString> given;
    for (const auto& [key, value] : attributes) {
        // Attributes no setting knows are written as they are.
        const SettingRule* rule = FindSettingRule(key.GetAsU16String());
        if (!rule) {
            continue;
        }
        given.push_back(key);
        const CheckedValue checked = CheckSettingValue(*rule, key, value, SettingCheckMode::Attributes);
        if (checked.refusal) {
            Fail(Kind::Refused, checked.refusal->reason.GetAsUTF8());
        }
    }
    const auto resolved = [&](std::u16string_view key) {
        if (const WideString* value = FindStored(attributes, WideString(key))) {
            return *value;
        }
        const WideString* value = FindStored(stored, WideString(key));
        return value ? *value : WideString(u"");
    };
    if (const auto refusal = CheckSettingCombination(resolved, given, SettingCheckMode::Attributes)) {
        Fail(Kind::Refused, refusal->reason.GetAsUTF8());
    }
}

namespace {

} // namespace

WideString CanonicalSettingName(const WideString& name)
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

bool IsPasswordSetting(const WideString& name)
{
    const SettingRule* rule = FindSettingRule(name.GetAsU16String());
    return rule && rule->kind == SettingKind::Password;
}

DriverSettingsSession::DriverSettingsSession(Support::DSIFileLogger& logger) : m_configuration(logger) {}

std::string DriverSettingsSession::GetLocation() const
{
    return DescribeDriverSettingsLocation();
}

std::u16string DriverSettingsSession::GetSection() const
{
    const std::u16string driverKey = DriverKey();
    return driverKey.substr(driverKey.find_last_of(u'\\') + 1);
}

std::vector<std::string> DriverSettingsSession::Open()
{
    const std::u16string driverKey = DriverKey();
    const auto opened = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, driverKey);
    if (!opened && opened.GetError() != OS::ERROR_FILE_NOT_FOUND_CODE) {
        std::string diagnostic = OS::GetRegistryDiagnostic();
        if (diagnostic.empty()) {
            diagnostic = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey) + ": "
                + Diagnostic("", opened.GetError());
        }
        Fail(Kind::Failed,
            "the driver configuration cannot be read: " + diagnostic
                + "; nothing was changed, the file was left as it is");
    }
    // The user's own file, where it is not the one edited, holds only the
    // tool's log settings: named as the dialog names it, it stops nothing.
    std::vector<std::string> warnings;
    const std::string userFile = OS::GetRegistryKeyFilePath(OS::RegistryHive::CurrentUser, driverKey);
    if (userFile != OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, driverKey)) {
        const auto user = OS::RegistryKey::Open(OS::RegistryHive::CurrentUser, driverKey);
        if (!user && user.GetError() != OS::ERROR_FILE_NOT_FOUND_CODE) {
            const std::string diagnostic = OS::GetRegistryDiagnostic();
            warnings.push_back(
                "the user's driver configuration cannot be read: " + (diagnostic.empty() ? userFile : diagnostic)
                + "\nThe tool's own log keeps its default settings; the file was left as it is.");
        }
    }
    try {
        GetSettings().Load();
    } catch (...) {
        Fail(Kind::Failed, "the driver configuration cannot be read: " + DescribeCurrentException());
    }
    const auto snapshot = DriverKeySnapshot::Get();
    m_stored.assign(snapshot->GetValues().begin(), snapshot->GetValues().end());
    m_notes = ReviewDriverConfiguration();
    return warnings;
}

SessionDifference DriverSettingsSession::Apply(std::vector<SettingAssignment>& assignments, bool exact)
{
    SettingsEdit edit(GetSettings(), SettingScope::Driver);
    ApplyAsTheDialogsWould(edit, assignments, exact);

    // The dialog's save, recorded; then what it changes.
    SODriverRegistryKey& registryKey = m_configuration.GetRegistryKey();
    registryKey.StartRecording();
    try {
        GetSettings().Save();
    } catch (...) {
        (void)registryKey.StopRecording();
        Fail(Kind::Failed, "the driver configuration could not be saved: " + DescribeCurrentException());
    }
    SessionDifference difference;
    m_writes = Differences(m_stored, registryKey.StopRecording(), assignments, m_notes, difference);
    return difference;
}

void DriverSettingsSession::Save()
{
    if (m_writes.empty()) {
        return;
    }
    CheckDriverKeyWritable("the driver configuration");
    try {
        SaveAsOneRegistryChange([&] { m_configuration.GetRegistryKey().Apply(m_writes); });
    } catch (...) {
        Fail(Kind::Failed, "the driver configuration could not be saved: " + DescribeCurrentException());
    }
}

void DriverSettingsSession::SaveAsDialog()
{
    m_configuration.Save();
}

DataSourceSession::DataSourceSession(Support::DSIFileLogger& logger, const WideString& name, Naming naming)
    : m_name(name), m_driver(GetDriverName()), m_settings(&logger)
{
    if (const auto refusal = naming == Naming::Checked ? CheckDataSourceName(name) : std::nullopt) {
        Fail(refusal->kind == DataSourceNameRefusal::Kind::InstallerMissing ? Kind::InstallerMissing : Kind::Unusable,
            AsSentence(refusal->text.GetAsUTF8()) + " Nothing was changed.");
    }
    m_settings.SetDataSourceName(name);
}

DataSourceSession::DataSourceSession(Support::DSIFileLogger& logger)
    : m_name(u""), m_driver(GetDriverName()), m_settings(&logger)
{
}

std::string DataSourceSession::GetWhere() const
{
    return WideString(OS::OdbcDataSources::Describe(m_scope)).GetAsUTF8();
}

std::string DataSourceSession::GetLocation() const
{
    return GetWhere() + " [" + m_name.GetAsUTF8() + "]";
}

void DataSourceSession::Open(std::optional<OS::DataSourceScope> scope)
{
    if (m_name.IsEmpty()) {
        // To be named in its dialog: nothing to read yet.
        m_scope = scope.value_or(OS::DataSourceScope::User);
        OS::OdbcDataSources::UseScope(m_scope);
        m_exists = false;
        m_settings.SetDriverName(m_driver);
        return;
    }
    const std::u16string section = m_name.GetAsU16String();
    // Where it lives decides where it is saved; a new one is the user's
    // unless the system's is asked for.
    m_scope = scope ? *scope : OS::OdbcDataSources::Locate(section).value_or(OS::DataSourceScope::User);
    OS::OdbcDataSources::UseScope(m_scope);
    m_exists = OS::OdbcDataSources::Holds(m_scope, section);
    try {
        m_settings.Load();
        m_entries = DataSourceSection(m_name).ReadEntries();
    } catch (...) {
        Fail(Kind::Failed, "the data source " + m_name.GetAsUTF8() + " cannot be read: " + DescribeCurrentException());
    }
    // Its driver entry names what it is for; it is no setting.
    if (const auto why = WhyNotOurs(m_settings.GetDriverName(), m_driver)) {
        Fail(Kind::Failed,
            GetWhere() + ": the data source " + m_name.GetAsUTF8() + " " + *why + "; nothing was changed");
    }
    m_settings.SetDriverName(m_driver);
    m_stored = m_entries;
    std::erase_if(m_stored,
        [](const auto& entry) { return IsSameSettingName(entry.first, WideString(DriverSupport::KEY_DRIVER)); });
    m_loggingOptions = m_settings.GetLoggingOptions();
    m_notes = ReviewDataSource(m_stored, GetWhere(), m_name);
}

SessionDifference DataSourceSession::Apply(std::vector<SettingAssignment>& assignments, bool exact)
{
    SettingsEdit edit(m_settings, SettingScope::DataSource);
    ApplyAsTheDialogsWould(edit, assignments, exact);
    std::vector<DriverValueChange> recorded;
    const DataSourceChanges saved = m_settings.RecordSave();
    for (const SectionChange& change : saved.Get()) {
        recorded.push_back(DriverValueChange{change.key, change.value});
    }
    SessionDifference difference;
    m_writes = Differences(m_stored, std::move(recorded), assignments, m_notes, difference);
    return difference;
}

void DataSourceSession::StartAnew(bool forDialog)
{
    m_anew = true;
    m_entries.clear();
    m_stored.clear();
    m_notes.clear();
    m_settings.LoadDefaults(forDialog);
    m_settings.SetDriverName(m_driver);
    m_loggingOptions = m_settings.GetLoggingOptions();
}

void DataSourceSession::ApplyAttributes(const StoredSettings& attributes, bool forDialog)
{
    CheckInstallerAttributes(attributes, m_stored);
    if (forDialog) {
        // Checked before the dialog opens, so that the user's work is not
        // lost to an entry the data source cannot keep.
        DataSourceChanges given;
        AddAttributes(given, attributes, [](const WideString&) { return false; });
        try {
            given.Check();
        } catch (...) {
            FailNested(Kind::Refused, "the attributes cannot be kept in a data source: " + DescribeCurrentException());
        }
        SetMembers(m_settings, attributes);
        m_given = attributes;
        return;
    }
    DataSourceChanges changes;
    if (m_anew) {
        SetMembers(m_settings, attributes);
        // What the dialog and the command line give a new data source: the
        // server type shown and the port of its mechanism.
        m_settings.SetServerType(
            Support::NumberConverter::ConvertUInt32ToWString(ReadServerType(m_settings.GetServerType())));
        if (!ReadStoredUInt16(m_settings.GetPort())) {
            m_settings.SetPort(GetDefaultPort(ReadAuthMech(m_settings.GetAuthMech())));
        }
        changes = m_settings.RecordSave();
    }
    AddAttributes(changes, attributes, [](const WideString&) { return false; });
    m_writes.clear();
    for (const SectionChange& change : changes.Get()) {
        m_writes.push_back(DriverValueChange{change.key, change.value});
    }
}

void DataSourceSession::CheckWritable() const
{
    OS::ThreadDiagnostic::Clear();
    const OS::ErrorCode writable = OS::OdbcDataSources::CheckWritable(m_scope);
    if (writable == OS::ERROR_SUCCESS_CODE) {
        return;
    }
    const std::string diagnostic = Diagnostic(OS::ThreadDiagnostic::Get(), writable);
    if (writable == OS::ERROR_ACCESS_DENIED_CODE) {
        Fail(Kind::NeedsRights,
            "administrator rights are needed to change the data sources in " + GetWhere() + " (" + diagnostic
                + "); nothing was changed");
    }
    Fail(Kind::Failed,
        "the data sources, " + GetWhere() + ", cannot be written: " + diagnostic + "; nothing was changed");
}

void DataSourceSession::Remove()
{
    CheckWritable();
    if (const OS::ErrorCode removed = OS::OdbcDataSources::Remove(m_scope, m_name.GetAsU16String());
        removed != OS::ERROR_SUCCESS_CODE) {
        const std::string diagnostic = Diagnostic(OS::ThreadDiagnostic::Get(), removed);
        throw DataSourceNotRemoved(
            "the data source " + m_name.GetAsUTF8() + " could not be removed: " + diagnostic, diagnostic);
    }
}

void DataSourceSession::Save()
{
    if (!Changes()) {
        return;
    }
    CheckWritable();
    // A new data source is made with everything its save writes; an
    // existing one gets what changes.
    DataSourceChanges changes;
    for (const DriverValueChange& change : m_writes) {
        if (change.value) {
            changes.Write(change.name, *change.value);
        } else if (m_exists && !m_anew) {
            changes.Remove(change.name);
        }
    }
    try {
        changes.Apply(m_name, m_driver,
            m_exists && !m_anew ? DataSourceChanges::Start::AsItIs : DataSourceChanges::Start::Anew, m_scope);
    } catch (const SectionEntryTooLong& tooLong) {
        FailNested(Kind::Refused,
            "the value of " + tooLong.GetKey().GetAsUTF8() + " is too long: the ODBC installer keeps at most "
                + std::to_string(tooLong.GetLimit()) + " bytes of name and value together; nothing was changed");
    } catch (const SectionEntryNotKept& notKept) {
        FailNested(Kind::Refused,
            notKept.GetKey().GetAsUTF8() + " cannot be kept in a data source: " + notKept.GetReason()
                + "; nothing was changed");
    } catch (const SectionWriteFailed& failed) {
        using Outcome = SectionWriteFailed::Outcome;
        const Outcome outcome = failed.GetOutcome();
        const bool untouched = outcome != Outcome::NotUndone && outcome != Outcome::InPlace;
        FailNested(Kind::Failed,
            "the data source " + m_name.GetAsUTF8() + " could not be saved"
                + (failed.GetReason().empty() ? std::string() : ": " + failed.GetReason())
                + (untouched                          ? "; nothing was changed"
                        : outcome == Outcome::InPlace ? "; the change is in place"
                                                      : "; part of it was written, check the data source"));
    }
}

void DataSourceSession::SaveAsDialog(NewName newName)
{
    m_wroteDataSource = false;
    const bool loggingChanged = m_settings.GetLoggingOptions() != m_loggingOptions;
    // The logging options live in the driver's file: when they cannot be
    // written there, the data source is not written either.
    if (loggingChanged) {
        CheckDriverKeyWritable("the logging options (driver-wide)");
    }
    DataSourceChanges changes = m_settings.RecordSave();
    // Attributes the dialog does not decide about are kept as given.
    AddAttributes(changes, m_given, [&](const WideString& key) {
        if (IsKey(key, DriverSupport::KEY_PWD) || m_settings.KeepsSetting(key)) {
            return true;
        }
        return std::any_of(changes.Get().begin(), changes.Get().end(),
            [&key](const SectionChange& change) { return IsSameSettingName(change.key, key); });
    });
    const WideString& name = m_settings.GetDataSourceName();
    if (!m_exists || m_anew) {
        changes.Apply(name, m_driver, DataSourceChanges::Start::Anew, m_scope);
    } else if (name.IsEqual(m_name, false)) {
        changes.Apply(name, m_driver, DataSourceChanges::Start::AsItIs, m_scope);
    } else {
        // Made under its new name with every entry it had; a rename then
        // takes the old one away.
        changes.CopiedOver(m_entries).Apply(name, m_driver, DataSourceChanges::Start::Anew, m_scope);
        if (newName == NewName::Renames) {
            OS::ThreadDiagnostic::Clear();
            if (const OS::ErrorCode removed = OS::OdbcDataSources::Remove(m_scope, m_name.GetAsU16String());
                removed != OS::ERROR_SUCCESS_CODE) {
                Fail(Kind::Failed,
                    "The data source was saved as \"" + name.GetAsUTF8() + "\", but \"" + m_name.GetAsUTF8()
                        + "\" could not be removed: " + Diagnostic(OS::ThreadDiagnostic::Get(), removed));
            }
        }
    }
    m_wroteDataSource = true;
    if (!loggingChanged) {
        return;
    }
    try {
        m_settings.SaveLoggingOptionsIfChanged(m_loggingOptions);
    } catch (...) {
        Fail(Kind::Failed,
            "The data source \"" + name.GetAsUTF8()
                + "\" was saved, but its logging options (driver-wide) could not be: " + DescribeCurrentException());
    }
    m_loggingOptions = m_settings.GetLoggingOptions();
}

} // namespace Dravo::VezurAVUZ

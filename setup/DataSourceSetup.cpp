#include "setup/DataSourceSetup.h"

#include <array>
#include <functional>
#include <utility>

#include "app/DialogBackend.h"
#include "settings/DataSourceNameRefusal.h"
#include "dialogs/SOConfigurationDialog.h"
#include "driversupport/DSKeys.h"
#include "driversupport/DSMessages.h"
#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "platform/ThreadDiagnostic.h"
#include "resources/StringIds.h"
#include "settings/DataSourceChanges.h"
#include "settings/DataSourceSection.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingsCatalogue.h"
#include "setup/AttributeCheck.h"
#include "setup/InstallerError.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;
using Entries = std::vector<std::pair<WideString, WideString>>;

bool IsKey(const WideString& key, std::u16string_view name)
{
    return key.IsEqual(WideString(name), false);
}

/// Keys that name the data source rather than set it.
bool NamesDataSource(const WideString& key)
{
    return IsKey(key, DriverSupport::KEY_DSN) || IsKey(key, DriverSupport::KEY_DRIVER);
}

WideString GivenName(const AttributeList& attributes)
{
    const WideString* name = attributes.Find(DriverSupport::KEY_DSN);
    if (!name || name->IsEmpty()) {
        throw InstallerError(InstallerErrorCode::InvalidName, Resources::IDS_SETUP_DSN_MISSING);
    }
    return *name;
}

/// A name for a data source to be made: checked as the dialog checks it.
void CheckNewName(const WideString& name)
{
    if (const auto refusal = CheckDataSourceName(name)) {
        throw InstallerError(InstallerErrorCode::InvalidName, refusal->text);
    }
}

/// Where the installer's mode says the data source is saved: the scope it
/// names, or, where it names both, the one that holds the data source (the
/// user's first), else the user's.
OS::DataSourceScope ScopeOf(const WideString& name)
{
    const std::optional<uint16_t> mode = OS::OdbcInstaller::GetConfigMode();
    if (mode == OS::OdbcDataSources::ConfigModeOf(OS::DataSourceScope::System)) {
        return OS::DataSourceScope::System;
    }
    if (mode == OS::OdbcDataSources::ConfigModeOf(OS::DataSourceScope::User)) {
        return OS::DataSourceScope::User;
    }
    return OS::OdbcDataSources::Locate(name.GetAsU16String()).value_or(OS::DataSourceScope::User);
}

/// The entries of an existing data source; it must have some.
Entries ExistingEntries(const WideString& name)
{
    Entries entries = DataSourceSection(name).ReadEntries();
    if (entries.empty()) {
        throw InstallerError(InstallerErrorCode::InvalidName, Resources::IDS_SETUP_DSN_NOT_FOUND, {name});
    }
    return entries;
}

StoredValueLookup LookupIn(const Entries& entries)
{
    return [&entries](std::u16string_view key) -> const WideString* {
        for (const auto& [name, value] : entries) {
            if (IsKey(name, key)) {
                return &value;
            }
        }
        return nullptr;
    };
}

/// The attributes that set the model's own members; the passwords as the
/// model holds them, deciphered (the checks made sure they can be).
void SetMembers(SOConnectionSettings& settings, const AttributeList& attributes)
{
    for (const Attribute& attribute : attributes.GetEntries()) {
        WideString secret = attribute.value;
        if (NamesDataSource(attribute.key)) {
            continue;
        }
        if (IsKey(attribute.key, DriverSupport::KEY_PWD)) {
            settings.SetPassword(attribute.value);
        } else if (IsKey(attribute.key, KEY_ENCRYPTED_PWD) && SOConnectionSettings::DecryptSetting(secret)) {
            settings.SetPassword(secret);
        } else if (IsKey(attribute.key, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD)
            && SOConnectionSettings::DecryptSetting(secret)) {
            settings.SetClientPrivateKeyPassword(secret);
        } else {
            (void)settings.SetSetting(attribute.key, attribute.value);
        }
    }
}

/// The attributes as entries of the section, those that SKIP refuses left
/// out. A plain password is stored enciphered, as the dialog stores it.
void AddAttributes(DataSourceChanges& changes, const AttributeList& attributes,
    const std::function<bool(const WideString& key)>& skip = [](const WideString&) { return false; })
{
    for (const Attribute& attribute : attributes.GetEntries()) {
        if (NamesDataSource(attribute.key) || skip(attribute.key)) {
            continue;
        }
        if (IsKey(attribute.key, DriverSupport::KEY_PWD)) {
            WideString secret = attribute.value;
            SOConnectionSettings::EncryptSetting(secret);
            changes.Write(WideString(KEY_ENCRYPTED_PWD), secret);
        } else {
            changes.Write(attribute.key, attribute.value);
        }
    }
}

uint32_t OutcomeText(SectionWriteFailed::Outcome outcome)
{
    switch (outcome) {
    case SectionWriteFailed::Outcome::NothingWritten: return Resources::IDS_SETUP_NOTHING_WRITTEN;
    case SectionWriteFailed::Outcome::Undone: return Resources::IDS_SETUP_SAVE_UNDONE;
    case SectionWriteFailed::Outcome::InPlace: return Resources::IDS_SETUP_SAVE_IN_PLACE;
    case SectionWriteFailed::Outcome::NotUndone: break;
    }
    return Resources::IDS_SETUP_SAVE_NOT_UNDONE;
}

/// Runs a save of the data source NAME, turning its failures into the
/// installer's errors.
template <class Save>
void Saving(const WideString& name, Save&& save)
{
    try {
        save();
    } catch (const SectionEntryTooLong& tooLong) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, Resources::IDS_SETUP_VALUE_TOO_LONG,
            {tooLong.GetKey(), Support::NumberConverter::ConvertUInt64ToWString(tooLong.GetLimit())});
    } catch (const SectionEntryNotKept& notKept) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue,
            notKept.IsValueAtFault() ? Resources::IDS_SETUP_VALUE_NOT_KEPT : Resources::IDS_SETUP_KEY_NOT_KEPT,
            {notKept.GetKey(), WideString(notKept.GetReason())});
    } catch (const SectionWriteFailed& failed) {
        WideString why;
        if (!failed.GetKey().IsEmpty()) {
            why = InstallerError::FormatMessage(Resources::IDS_SETUP_ENTRY_REFUSED, {failed.GetKey()});
        } else if (!failed.GetReason().empty()) {
            why = WideString(failed.GetReason() + ".");
        } else {
            why = InstallerError::FormatMessage(Resources::IDS_SETUP_CREATE_REFUSED, {});
        }
        why += WideString(u" ") + InstallerError::FormatMessage(OutcomeText(failed.GetOutcome()), {});
        throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_SAVE_FAILED, {name, why});
    }
}

void Apply(const DataSourceChanges& changes, const WideString& name, const WideString& driver,
    DataSourceChanges::Start start, OS::DataSourceScope scope)
{
    Saving(name, [&] { changes.Apply(name, driver, start, scope); });
}

/// Checks the attributes' entries before a dialog opens, so that the user's
/// work is not lost to one the data source cannot keep.
void CheckKept(const AttributeList& attributes)
{
    DataSourceChanges given;
    AddAttributes(given, attributes);
    Saving(WideString(u""), [&] { given.Check(); });
}

/// The dialog over the model; true after OK.
bool RunDialog(DialogBackend& dialogs, RecordedDataSourceSettings& settings)
{
    SOConfigurationDialog dialog(settings, u"DSN Setup");
    return dialogs.RunDialog([&] { return dialog.DoModal(dialogs.GetSystem(), nullptr); }) == 1;
}

/// What the dialog saved, with the attributes it does not show kept: those
/// the model's save does not decide about.
DataSourceChanges DialogChanges(RecordedDataSourceSettings& settings, const AttributeList& attributes)
{
    DataSourceChanges changes = settings.RecordSave();
    AddAttributes(changes, attributes, [&](const WideString& key) {
        if (IsKey(key, DriverSupport::KEY_PWD) || settings.KeepsSetting(key)) {
            return true;
        }
        for (const SectionChange& change : changes.Get()) {
            if (IsKey(change.key, key.GetAsU16String())) {
                return true;
            }
        }
        return false;
    });
    return changes;
}

/// Saves the logging options only when the dialog changed them.
void SaveChangedLogging(RecordedDataSourceSettings& settings, const RecordedDataSourceSettings::LoggingOptions& before)
{
    try {
        settings.SaveLoggingOptionsIfChanged(before);
    } catch (const DriverSupport::DSSetupException&) {
        throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_LOGGING_NOT_SAVED,
            {InstallerError::FormatMessage(Resources::IDS_ERROR_REQUEST_FAILED, {})});
    } catch (const Support::ErrorException& error) {
        throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_LOGGING_NOT_SAVED,
            {DriverSupport::DSMessages::GetErrorExceptionText(error)});
    }
}

} // namespace

DataSourceSetup::DataSourceSetup(Support::DSIFileLogger& logger, WideString driver)
    : m_logger(logger), m_driver(std::move(driver))
{
}

void DataSourceSetup::Add(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    CheckNewName(name);
    CheckDataSourceAttributes(attributes, nullptr);

    RecordedDataSourceSettings settings(&m_logger);
    settings.SetDataSourceName(name);
    settings.SetDriverName(m_driver);
    settings.LoadDefaults(false);
    SetMembers(settings, attributes);
    // A new data source gets what the dialog and the command line give it:
    // the server type shown and the port of its mechanism.
    settings.SetServerType(Support::NumberConverter::ConvertUInt32ToWString(ReadServerType(settings.GetServerType())));
    try {
        (void)Support::NumberConverter::ConvertWStringToUInt16(settings.GetPort(), true);
    } catch (const Support::ErrorException&) {
        settings.SetPort(GetDefaultPort(ReadAuthMech(settings.GetAuthMech())));
    }
    DataSourceChanges changes = settings.RecordSave();
    AddAttributes(changes, attributes);
    Apply(changes, name, m_driver, DataSourceChanges::Start::Anew, ScopeOf(name));
}

void DataSourceSetup::Configure(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    const Entries entries = ExistingEntries(name);
    CheckDataSourceAttributes(attributes, LookupIn(entries));

    DataSourceChanges changes;
    AddAttributes(changes, attributes);
    Apply(changes, name, m_driver, DataSourceChanges::Start::AsItIs, ScopeOf(name));
}

void DataSourceSetup::Remove(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    (void)ExistingEntries(name);
    OS::ThreadDiagnostic::Clear();
    if (OS::OdbcDataSources::Remove(ScopeOf(name), name.GetAsU16String()) != OS::ERROR_SUCCESS_CODE) {
        const std::string why = OS::ThreadDiagnostic::Get();
        if (why.empty()) {
            throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_REMOVE_FAILED, {name});
        }
        throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_REMOVE_REFUSED, {name, WideString(why)});
    }
}

void DataSourceSetup::AddWithDialog(DialogBackend& dialogs, const AttributeList& attributes)
{
    CheckDataSourceAttributes(attributes, nullptr);
    CheckKept(attributes);
    RecordedDataSourceSettings settings(&m_logger);
    // A name given is shown; none leaves the dialog's name box for the user.
    if (const WideString* name = attributes.Find(DriverSupport::KEY_DSN); name && !name->IsEmpty()) {
        CheckNewName(*name);
        settings.SetDataSourceName(*name);
    }
    settings.SetDriverName(m_driver);
    settings.LoadDefaults(true);
    SetMembers(settings, attributes);
    const auto logging = settings.GetLoggingOptions();
    if (!RunDialog(dialogs, settings)) {
        throw InstallerError(InstallerErrorCode::UserCanceled, Resources::IDS_SETUP_CANCELLED);
    }
    const WideString& name = settings.GetDataSourceName();
    Apply(DialogChanges(settings, attributes), name, m_driver, DataSourceChanges::Start::Anew, ScopeOf(name));
    SaveChangedLogging(settings, logging);
}

void DataSourceSetup::ConfigureWithDialog(DialogBackend& dialogs, const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    const Entries entries = ExistingEntries(name);
    CheckDataSourceAttributes(attributes, LookupIn(entries));
    CheckKept(attributes);

    RecordedDataSourceSettings settings(&m_logger);
    settings.SetDataSourceName(name);
    settings.Load();
    if (settings.GetDriverName().IsEmpty()) {
        settings.SetDriverName(m_driver);
    }
    SetMembers(settings, attributes);
    const auto logging = settings.GetLoggingOptions();
    if (!RunDialog(dialogs, settings)) {
        throw InstallerError(InstallerErrorCode::UserCanceled, Resources::IDS_SETUP_CANCELLED);
    }
    const DataSourceChanges changes = DialogChanges(settings, attributes);
    const WideString& newName = settings.GetDataSourceName();
    const OS::DataSourceScope scope = ScopeOf(name);
    if (newName.IsEqual(name, false)) {
        Apply(changes, name, m_driver, DataSourceChanges::Start::AsItIs, scope);
    } else {
        // Renamed: the data source is made under its new name with every
        // entry it had, then the old one goes.
        Apply(changes.CopiedOver(entries), newName, m_driver, DataSourceChanges::Start::Anew, scope);
        if (OS::OdbcDataSources::Remove(scope, name.GetAsU16String()) != OS::ERROR_SUCCESS_CODE) {
            throw InstallerError(
                InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_OLD_NAME_KEPT, {name, newName});
        }
    }
    SaveChangedLogging(settings, logging);
}

} // namespace Dravo::VezurAVUZ

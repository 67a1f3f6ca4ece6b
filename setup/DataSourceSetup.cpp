#include "setup/DataSourceSetup.h"

#include <exception>
#include <optional>
#include <utility>

#include "app/DialogBackend.h"
#include "dialogs/SOConfigurationDialog.h"
#include "driversupport/DSKeys.h"
#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "resources/StringIds.h"
#include "settings/DataSourceChanges.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingsSession.h"
#include "setup/InstallerError.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

WideString GivenName(const AttributeList& attributes)
{
    const WideString* name = attributes.Find(DriverSupport::KEY_DSN);
    if (!name || name->IsEmpty()) {
        throw InstallerError(InstallerErrorCode::InvalidName, Resources::IDS_SETUP_DSN_MISSING);
    }
    return *name;
}

/// The scope the installer's mode names; nothing where it names both, and
/// the data source is changed where it lives (the user's first), else made
/// among the user's.
std::optional<OS::DataSourceScope> ModeScope()
{
    const std::optional<uint16_t> mode = OS::OdbcInstaller::GetConfigMode();
    if (mode == OS::OdbcDataSources::ConfigModeOf(OS::DataSourceScope::System)) {
        return OS::DataSourceScope::System;
    }
    if (mode == OS::OdbcDataSources::ConfigModeOf(OS::DataSourceScope::User)) {
        return OS::DataSourceScope::User;
    }
    return std::nullopt;
}

StoredSettings AsSettings(const AttributeList& attributes)
{
    StoredSettings settings;
    for (const Attribute& attribute : attributes.GetEntries()) {
        settings.emplace_back(attribute.key, attribute.value);
    }
    return settings;
}

uint32_t OutcomeText(SectionWriteFailed::Outcome outcome)
{
    switch (outcome) {
    case SectionWriteFailed::Outcome::NothingWritten:
        return Resources::IDS_SETUP_NOTHING_WRITTEN;
    case SectionWriteFailed::Outcome::Undone:
        return Resources::IDS_SETUP_SAVE_UNDONE;
    case SectionWriteFailed::Outcome::InPlace:
        return Resources::IDS_SETUP_SAVE_IN_PLACE;
    case SectionWriteFailed::Outcome::NotUndone:
        break;
    }
    return Resources::IDS_SETUP_SAVE_NOT_UNDONE;
}

/// Turns a save's section faults into the installer's errors.
template <class Save> void Saving(const WideString& name, Save&& save)
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

InstallerErrorCode CodeOf(SessionFailure::Kind kind)
{
    switch (kind) {
    case SessionFailure::Kind::Unusable:
    case SessionFailure::Kind::InstallerMissing:
        return InstallerErrorCode::InvalidName;
    case SessionFailure::Kind::Refused:
        return InstallerErrorCode::InvalidKeywordValue;
    case SessionFailure::Kind::Failed:
    case SessionFailure::Kind::NeedsRights:
        break;
    }
    return InstallerErrorCode::RequestFailed;
}

/// Runs the session's work on the data source NAME, telling its failures in
/// the installer's errors; a section's fault in the installer's own words.
template <class Work> void Through(const WideString& name, Work&& work)
{
    try {
        Saving(name, work);
    } catch (const SessionFailure& failure) {
        Saving(name, [&failure] { std::rethrow_if_nested(failure); });
        throw InstallerError(CodeOf(failure.GetKind()), WideString(std::string(failure.what())));
    }
}

/// Opens the data source NAME, which must exist.
void OpenExisting(DataSourceSession& session, const WideString& name)
{
    session.Open(ModeScope());
    if (!session.Exists()) {
        throw InstallerError(InstallerErrorCode::InvalidName, Resources::IDS_SETUP_DSN_NOT_FOUND, {name});
    }
}

/// The dialog over the model; true after OK.
bool RunDialog(DialogBackend& dialogs, RecordedDataSourceSettings& settings)
{
    SOConfigurationDialog dialog(settings, u"DSN Setup");
    return dialogs.RunDialog([&] { return dialog.DoModal(dialogs.GetSystem(), nullptr); }) == 1;
}

} // namespace

DataSourceSetup::DataSourceSetup(Support::DSIFileLogger& logger, WideString driver)
    : m_logger(logger), m_driver(std::move(driver))
{
}

void DataSourceSetup::Add(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    Through(name, [&] {
        DataSourceSession session(m_logger, name);
        session.UseDriver(m_driver);
        session.Open(ModeScope());
        session.StartAnew(false);
        session.ApplyAttributes(AsSettings(attributes), false);
        session.Save();
    });
}

void DataSourceSetup::Configure(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    Through(name, [&] {
        DataSourceSession session(m_logger, name, DataSourceSession::Naming::AsStored);
        session.UseDriver(m_driver);
        OpenExisting(session, name);
        session.ApplyAttributes(AsSettings(attributes), false);
        session.Save();
    });
}

void DataSourceSetup::Remove(const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    Through(name, [&] {
        DataSourceSession session(m_logger, name, DataSourceSession::Naming::AsStored);
        session.UseDriver(m_driver);
        OpenExisting(session, name);
        try {
            session.Remove();
        } catch (const DataSourceNotRemoved& failure) {
            throw InstallerError(InstallerErrorCode::RequestFailed, Resources::IDS_SETUP_REMOVE_REFUSED,
                {name, WideString(failure.GetDiagnostic())});
        }
    });
}

void DataSourceSetup::AddWithDialog(const Dialogs& dialogs, const AttributeList& attributes)
{
    // A name given is shown; none leaves the dialog's name box for the user.
    const WideString* given = attributes.Find(DriverSupport::KEY_DSN);
    const WideString name = given ? *given : WideString(u"");
    Through(name, [&] {
        std::optional<DataSourceSession> session;
        if (name.IsEmpty()) {
            session.emplace(m_logger);
        } else {
            session.emplace(m_logger, name);
        }
        session->UseDriver(m_driver);
        session->Open(ModeScope());
        session->StartAnew(true);
        session->ApplyAttributes(AsSettings(attributes), true);
        if (!RunDialog(dialogs(), session->GetSettings())) {
            throw InstallerError(InstallerErrorCode::UserCanceled, Resources::IDS_SETUP_CANCELLED);
        }
        session->SaveAsDialog();
    });
}

void DataSourceSetup::ConfigureWithDialog(const Dialogs& dialogs, const AttributeList& attributes)
{
    const WideString name = GivenName(attributes);
    Through(name, [&] {
        DataSourceSession session(m_logger, name, DataSourceSession::Naming::AsStored);
        session.UseDriver(m_driver);
        // Another driver's data source is refused before its dialog opens.
        OpenExisting(session, name);
        session.ApplyAttributes(AsSettings(attributes), true);
        if (!RunDialog(dialogs(), session.GetSettings())) {
            throw InstallerError(InstallerErrorCode::UserCanceled, Resources::IDS_SETUP_CANCELLED);
        }
        session.SaveAsDialog(DataSourceSession::NewName::Renames);
    });
}

} // namespace Dravo::VezurAVUZ

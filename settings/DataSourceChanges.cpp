#include "settings/DataSourceChanges.h"

#include <utility>

#include "driversupport/DSKeys.h"
#include "platform/OdbcInstaller.h"
#include "platform/ThreadDiagnostic.h"
#include "settings/SettingsCatalogue.h"
#include "support/ErrorException.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

bool IsKey(const WideString& key, std::u16string_view name)
{
    return key.IsEqual(WideString(name), false);
}

/// What a failed save did, for a reader.
std::string Describe(const WideString& key, SectionWriteFailed::Outcome outcome, const std::string& reason)
{
    std::string text = !key.IsEmpty() ? "the ODBC installer refused to write \"" + key.GetAsUTF8() + "\""
        : reason.empty()              ? std::string("the ODBC installer refused to make it")
                                      : reason;
    switch (outcome) {
    case SectionWriteFailed::Outcome::NothingWritten:
        return text + ". Nothing was written.";
    case SectionWriteFailed::Outcome::Undone:
        return text + ". What had been written before was undone.";
    case SectionWriteFailed::Outcome::InPlace:
        return text + ". The change is in place, but may not survive a crash of the system.";
    case SectionWriteFailed::Outcome::NotUndone:
        break;
    }
    return text + ". What had been written before could not all be undone; check the data source.";
}

} // namespace

SectionEntryTooLong::SectionEntryTooLong(WideString key, size_t limit)
    : std::runtime_error("the entry " + key.GetAsUTF8() + " is too long"), m_key(std::move(key)), m_limit(limit)
{
}

SectionEntryNotKept::SectionEntryNotKept(WideString key, bool valueAtFault, const std::string& why)
    : std::runtime_error("the entry " + key.GetAsUTF8() + " cannot be kept: " + why), m_key(std::move(key)),
      m_valueAtFault(valueAtFault), m_reason(why)
{
}

SectionWriteFailed::SectionWriteFailed(WideString key, Outcome outcome, std::string reason)
    : std::runtime_error(Describe(key, outcome, reason)), m_key(std::move(key)), m_outcome(outcome),
      m_reason(std::move(reason))
{
}

SectionChange* DataSourceChanges::Find(const WideString& key)
{
    for (SectionChange& change : m_changes) {
        if (change.key.IsEqual(key, false)) {
            return &change;
        }
    }
    return nullptr;
}

void DataSourceChanges::Write(const WideString& key, const WideString& value)
{
    const WideString stored = value.IsNull() ? WideString(u"") : value;
    if (SectionChange* change = Find(key)) {
        change->value = stored;
    } else {
        m_changes.push_back({key, stored});
    }
}

void DataSourceChanges::Remove(const WideString& key)
{
    if (SectionChange* change = Find(key)) {
        change->value.reset();
    } else {
        m_changes.push_back({key, std::nullopt});
    }
}

void DataSourceChanges::Check() const
{
    const size_t limit = OS::OdbcInstaller::GetLongestEntryBytes();
    for (const SectionChange& change : m_changes) {
        if (const auto why = OS::OdbcDataSources::WhyKeyCannotBeKept(change.key.GetAsU16String())) {
            throw SectionEntryNotKept(change.key, false, *why);
        }
        if (!change.value) {
            continue;
        }
        if (const auto why = OS::OdbcDataSources::WhyValueCannotBeKept(change.value->GetAsU16String())) {
            throw SectionEntryNotKept(change.key, true, *why);
        }
        // The installer's reader cuts longer lines.
        if (change.key.GetAsUTF8().size() + change.value->GetAsUTF8().size() > limit) {
            throw SectionEntryTooLong(change.key, limit);
        }
    }
}

void DataSourceChanges::Apply(
    const WideString& name, const WideString& driver, Start start, OS::DataSourceScope scope) const
{
    Check();
    OS::DataSourceSave save;
    save.name = name.GetAsU16String();
    save.driver = driver.GetAsU16String();
    save.anew = start == Start::Anew;
    bool passwordSet = false;
    bool plainPasswordChanged = false;
    for (const SectionChange& change : m_changes) {
        save.changes.push_back(
            {change.key.GetAsU16String(), change.value ? std::optional(change.value->GetAsU16String()) : std::nullopt});
        passwordSet = passwordSet || (IsKey(change.key, KEY_ENCRYPTED_PWD) && change.value && !change.value->IsEmpty());
        plainPasswordChanged = plainPasswordChanged || IsKey(change.key, DriverSupport::KEY_PWD);
    }
    // A driver may read either: a plain password left beside the one just
    // set would keep the old one in use.
    if (passwordSet && !plainPasswordChanged) {
        save.changes.push_back({std::u16string(DriverSupport::KEY_PWD), std::nullopt});
    }
    OS::ThreadDiagnostic::Clear();
    OS::DataSourceSaveFailure failure;
    if (OS::OdbcDataSources::Save(scope, save, failure) != OS::ERROR_SUCCESS_CODE) {
        throw SectionWriteFailed(WideString(failure.key), failure.outcome, OS::ThreadDiagnostic::Get());
    }
}

DataSourceChanges DataSourceChanges::CopiedOver(const std::vector<std::pair<WideString, WideString>>& entries) const
{
    DataSourceChanges copied;
    for (const auto& [key, value] : entries) {
        if (!IsKey(key, DriverSupport::KEY_DRIVER)) {
            copied.Write(key, value);
        }
    }
    for (const SectionChange& change : m_changes) {
        if (change.value) {
            copied.Write(change.key, *change.value);
        } else {
            copied.Remove(change.key);
        }
    }
    return copied;
}

} // namespace Dravo::VezurAVUZ

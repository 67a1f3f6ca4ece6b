#include "settings/DataSourceChanges.h"

#include <utility>

#include "driversupport/DSKeys.h"
#include "platform/OdbcInstaller.h"
#include "settings/DataSourceSection.h"
#include "support/ErrorException.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;
using Entries = std::vector<std::pair<WideString, WideString>>;

const WideString* FindEntry(const Entries& entries, const WideString& key)
{
    for (const auto& [name, value] : entries) {
        if (name.IsEqual(key, false)) {
            return &value;
        }
    }
    return nullptr;
}

/// Puts the section back as it was; true when every step succeeded.
bool Restore(const DataSourceSection& section, const WideString& driver, const Entries& before, bool existed)
{
    if (!existed) {
        return OS::OdbcInstaller::RemoveDSNFromIni(section.GetName().GetAsU16String());
    }
    if (!section.Create(driver)) {
        return false;
    }
    try {
        for (const auto& [name, value] : before) {
            section.Write(name, value);
        }
    } catch (const DriverSupport::DSSetupException&) {
        return false;
    }
    return true;
}

/// Takes back the changes written so far, the last first.
bool Revert(const DataSourceSection& section, const Entries& before, const std::vector<const SectionChange*>& applied)
{
    bool reverted = true;
    for (auto change = applied.rbegin(); change != applied.rend(); ++change) {
        try {
            if (const WideString* old = FindEntry(before, (*change)->key)) {
                section.Write((*change)->key, *old);
            } else {
                section.Remove((*change)->key);
            }
        } catch (const DriverSupport::DSSetupException&) {
            reverted = false;
        }
    }
    return reverted;
}

} // namespace

SectionEntryTooLong::SectionEntryTooLong(WideString key, size_t limit)
    : std::runtime_error("the entry " + key.GetAsUTF8() + " is too long"), m_key(std::move(key)), m_limit(limit)
{
}

SectionWriteFailed::SectionWriteFailed(WideString key, bool undone)
    : std::runtime_error(key.IsEmpty() ? std::string("the data source cannot be made")
                                       : "the entry " + key.GetAsUTF8() + " cannot be written"),
      m_key(std::move(key)), m_undone(undone)
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

void DataSourceChanges::Apply(const WideString& name, const WideString& driver, Start start) const
{
    const size_t limit = OS::OdbcInstaller::GetLongestEntryBytes();
    for (const SectionChange& change : m_changes) {
        if (change.value && change.key.GetAsUTF8().size() + change.value->GetAsUTF8().size() > limit) {
            throw SectionEntryTooLong(change.key, limit);
        }
    }

    const DataSourceSection section(name);
    const Entries before = section.ReadEntries();
    const bool existed = !before.empty();
    std::vector<const SectionChange*> applied;
    const SectionChange* current = nullptr;
    try {
        if (start == Start::Anew && !(existed ? section.Create(driver) : section.CreateNew(driver))) {
            // Whether the installer took the old section away first is not
            // known: put it back if there was one.
            throw SectionWriteFailed(WideString(u""), Restore(section, driver, before, existed) || !existed);
        }
        for (const SectionChange& change : m_changes) {
            current = &change;
            const WideString* old = start == Start::AsItIs ? FindEntry(before, change.key) : nullptr;
            if (change.value) {
                // What the section holds already costs no write.
                if (old && *old == *change.value) {
                    continue;
                }
                section.Write(change.key, *change.value);
            } else {
                // A section made anew holds nothing to remove.
                if (!old) {
                    continue;
                }
                section.Remove(change.key);
            }
            applied.push_back(&change);
        }
    } catch (const DriverSupport::DSSetupException&) {
        const bool undone = start == Start::Anew ? Restore(section, driver, before, existed)
                                                 : Revert(section, before, applied);
        throw SectionWriteFailed(current ? current->key : WideString(u""), undone);
    }
}

} // namespace Dravo::VezurAVUZ

#include "platform/IniSectionChanges.h"

#include <unordered_set>

#include "platform/RegistryImage.h"

namespace Dravo::OS {

void IniSectionChanges::RemoveSection()
{
    m_fate = SectionFate::Removed;
    m_dropExisting = true;
    m_changes.clear();
    m_index.clear();
    ++m_revision;
}

void IniSectionChanges::CreateSection()
{
    m_fate = SectionFate::Exists;
    ++m_revision;
}

IniSectionChanges::ValueChange& IniSectionChanges::Slot(std::u16string_view name)
{
    const auto [it, added] = m_index.try_emplace(FoldRegistryName(name), m_changes.size());
    if (added) {
        m_changes.push_back(ValueChange{std::u16string(name), std::nullopt});
    }
    ++m_revision;
    return m_changes[it->second];
}

void IniSectionChanges::SetValue(std::u16string_view name, std::u16string_view value)
{
    Slot(name).value = std::u16string(value);
    m_fate = SectionFate::Exists;
}

void IniSectionChanges::DeleteValue(std::u16string_view name)
{
    Slot(name).value.reset();
}

const IniSectionChanges::ValueChange* IniSectionChanges::Find(std::u16string_view name) const
{
    const auto found = m_index.find(FoldRegistryName(name));
    return found == m_index.end() ? nullptr : &m_changes[found->second];
}

bool IniSectionChanges::SectionExistsOver(bool existsNow) const
{
    switch (m_fate) {
    case SectionFate::Exists:
        return true;
    case SectionFate::Removed:
        return false;
    case SectionFate::Keep:
        break;
    }
    return existsNow;
}

std::vector<IniEntry> IniSectionChanges::EntriesOver(const std::vector<IniEntry>& now) const
{
    std::vector<IniEntry> entries;
    std::unordered_set<std::u16string> present;
    if (!m_dropExisting) {
        for (const IniEntry& entry : now) {
            std::u16string folded = FoldRegistryName(entry.name);
            const auto change = m_index.find(folded);
            if (change == m_index.end()) {
                entries.push_back(entry);
            } else if (const auto& value = m_changes[change->second].value) {
                entries.push_back(IniEntry{entry.name, *value});
            }
            present.insert(std::move(folded));
        }
    }
    for (const ValueChange& change : m_changes) {
        if (change.value && !present.contains(FoldRegistryName(change.name))) {
            entries.push_back(IniEntry{change.name, *change.value});
        }
    }
    return entries;
}

} // namespace Dravo::OS

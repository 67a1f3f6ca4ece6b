// Changes to one section of an ini file as the registry makes them to the key
// the section stands for (create or delete the key, set or delete a value),
// gathered so that they can be applied to the file as it is when they are
// written, and read through before that. Portable; no OS header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Dravo::OS {

/// One "Name=Value" of a section as a reader gets it: the first line of each
/// name, in file order.
struct IniEntry {
    std::u16string name;
    std::u16string value;

    friend bool operator==(const IniEntry&, const IniEntry&) = default;
};

class IniSectionChanges {
public:
    /// What becomes of the section itself.
    enum class SectionFate {
        /// As it is in the file.
        Keep,
        /// There afterwards, made at the end of the file when missing.
        Exists,
        /// Gone, with every line in it.
        Removed,
    };

    /// One name's last change: its text, or nothing for a deletion.
    struct ValueChange {
        std::u16string name;
        std::optional<std::u16string> value;
    };

    /// Removes the section and everything in it; later changes start afresh.
    void RemoveSection();
    void CreateSection();
    /// The name keeps the spelling of its first change (and of the file's
    /// line when it has one).
    void SetValue(std::u16string_view name, std::u16string_view value);
    void DeleteValue(std::u16string_view name);

    [[nodiscard]] bool IsEmpty() const { return m_fate == SectionFate::Keep && !m_dropExisting && m_changes.empty(); }
    /// Changes counted, so that a view built on them knows when it is stale.
    [[nodiscard]] uint64_t GetRevision() const { return m_revision; }
    [[nodiscard]] SectionFate GetFate() const { return m_fate; }
    /// True once the section was removed: nothing of the file's section counts.
    [[nodiscard]] bool DropsExisting() const { return m_dropExisting; }
    /// Every name changed, in the order of its first change.
    [[nodiscard]] const std::vector<ValueChange>& GetValueChanges() const { return m_changes; }
    /// The last change of a name (any case), or nullptr.
    [[nodiscard]] const ValueChange* Find(std::u16string_view name) const;

    /// Whether the section is there with the changes made to a file where it
    /// is (or is not) there now.
    [[nodiscard]] bool SectionExistsOver(bool existsNow) const;
    /// The entries with the changes made over what a file holds now: changed
    /// values in their place, new ones at the end in the order they were made.
    [[nodiscard]] std::vector<IniEntry> EntriesOver(const std::vector<IniEntry>& now) const;

private:
    ValueChange& Slot(std::u16string_view name);

    SectionFate m_fate = SectionFate::Keep;
    bool m_dropExisting = false;
    std::vector<ValueChange> m_changes;
    /// Folded name -> index into m_changes.
    std::unordered_map<std::u16string, size_t> m_index;
    uint64_t m_revision = 0;
};

} // namespace Dravo::OS

// The in-memory image of one hive: a tree of keys with their values. Key and
// value names compare without regard to case and keep the spelling they were
// created with; values keep their creation order, subkeys are kept sorted
// (case-insensitively), as Windows enumerates them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ErrorOr.h"
#include "platform/RegistryTypes.h"

namespace Dravo::OS {

/// The form every comparison of registry names uses: each UTF-16 unit
/// upper-cased by its simple mapping, as Windows compares them.
std::u16string FoldRegistryName(std::u16string_view name);

/// Splits a key path below a hive ("SOFTWARE\Dravo") into its key names. One
/// trailing backslash is allowed; an empty name elsewhere gives
/// ERROR_BAD_PATHNAME; a path that is too deep, a name that is too long or holds a line break, a NUL or a
/// lone surrogate (none of which the hive file can hold) gives
/// ERROR_INVALID_PARAMETER.
ErrorOr<std::vector<std::u16string>> SplitRegistryPath(std::u16string_view path);
/// Joins key names with backslashes.
std::u16string JoinRegistryPath(const std::vector<std::u16string>& names);
/// ERROR_INVALID_PARAMETER for a value name the hive file cannot hold.
ErrorCode CheckRegistryValueName(std::u16string_view name);
/// Checks a batch of changes before any of it is applied: every key path
/// splits, no change deletes a whole hive (ERROR_ACCESS_DENIED) and every
/// value name can be stored.
ErrorCode CheckRegistryChanges(const std::vector<RegistryChange>& changes);

class RegistryImageKey {
public:
    explicit RegistryImageKey(std::u16string name) : m_name(std::move(name)) {}
    RegistryImageKey(const RegistryImageKey&) = delete;
    RegistryImageKey& operator=(const RegistryImageKey&) = delete;

    [[nodiscard]] const std::u16string& GetName() const { return m_name; }

    [[nodiscard]] size_t GetSubKeyCount() const { return m_subKeys.size(); }
    [[nodiscard]] const RegistryImageKey& GetSubKey(size_t index) const { return *m_subKeys[index].key; }
    [[nodiscard]] RegistryImageKey* FindSubKey(std::u16string_view name);
    [[nodiscard]] const RegistryImageKey* FindSubKey(std::u16string_view name) const;
    /// The existing subkey of that name, or a new one spelled as given.
    RegistryImageKey& CreateSubKey(std::u16string_view name);
    bool RemoveSubKey(std::u16string_view name);

    [[nodiscard]] size_t GetValueCount() const { return m_values.size(); }
    [[nodiscard]] const RegistryValue& GetValue(size_t index) const { return m_values[index]; }
    [[nodiscard]] const RegistryValue* FindValue(std::u16string_view name) const;
    /// Replaces type and data of an existing value in place (keeping its name's
    /// spelling and its position) or adds the value at the end.
    void SetValue(const RegistryValue& value);
    bool DeleteValue(std::u16string_view name);

    /// In UTF-16 units, and bytes for the data; 0 when there is nothing.
    [[nodiscard]] size_t GetMaxSubKeyNameLength() const;
    [[nodiscard]] size_t GetMaxValueNameLength() const;
    [[nodiscard]] size_t GetMaxValueDataLength() const;

    /// Removes every value and subkey.
    void Clear();

private:
    struct SubKeyEntry {
        std::u16string folded;
        std::unique_ptr<RegistryImageKey> key;
    };

    std::vector<SubKeyEntry>::iterator LowerBound(const std::u16string& folded);
    std::vector<SubKeyEntry>::const_iterator LowerBound(const std::u16string& folded) const;

    std::u16string m_name;
    std::vector<SubKeyEntry> m_subKeys;
    std::vector<RegistryValue> m_values;
    std::unordered_map<std::u16string, size_t> m_valueIndex;
};

class RegistryImage {
public:
    RegistryImage() = default;
    RegistryImage(const RegistryImage&) = delete;
    RegistryImage& operator=(const RegistryImage&) = delete;

    [[nodiscard]] RegistryImageKey& GetRoot() { return m_root; }
    [[nodiscard]] const RegistryImageKey& GetRoot() const { return m_root; }
    [[nodiscard]] const RegistryImageKey* FindKey(const std::vector<std::u16string>& names) const;
    /// A path that does not split finds nothing.
    [[nodiscard]] const RegistryImageKey* FindKey(std::u16string_view path) const;
    /// The key's path with the spelling stored in the image (for names given in any case).
    [[nodiscard]] std::u16string GetStoredPath(const std::vector<std::u16string>& names) const;

    /// Applies one parsed or planned change; the hive of the change is not looked at.
    void Apply(const RegistryChange& change);
    void Clear() { m_root.Clear(); }

private:
    RegistryImageKey m_root{u""};
};

} // namespace Dravo::OS

// The registry store of POSIX systems. A map of its files:
// - RegistryStore.cpp (this file): keys and trees, each key's store chosen:
//   a hive file, or the driver's ini file for a mounted driver key. The keys
//   above the driver key stay in the hive; they list the driver key among
//   their subkeys while the file has it.
// - HiveFile: one hive file, parsed and cached, changed by appended records
//   or rewritten whole.
// - DriverConfigurationFile: the driver's ini file that holds a mounted
//   driver key, and the changes a transaction holds back for it.
// - RegistryTransaction.cpp: a save's changes to the driver's file as one.
// - DurableFile: how every one of these files is locked, read and replaced.
#include "platform/RegistryStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"
#include "platform/posix/DriverConfigurationFile.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {
namespace {

RegistryChange MakeChange(RegistryChange::Kind kind, RegistryHive hive, std::u16string path)
{
    RegistryChange change;
    change.kind = kind;
    change.hive = hive;
    change.keyPath = std::move(path);
    return change;
}

/// Where a key path stands to the mounted driver key of its hive.
struct MountMatch {
    enum class Kind { None, Key, Below, Above };
    Kind kind = Kind::None;
    std::optional<DriverConfigurationPlace> place;
    /// For a key above: the name of its subkey on the way to the driver key.
    std::u16string child;

    [[nodiscard]] DriverConfigurationFile& File() const { return DriverConfigurationFile::Get(*place); }
};

MountMatch MatchMount(RegistryHive hive, const std::vector<std::u16string>& names)
{
    MountMatch match;
    match.place = FindDriverConfigurationPlace(hive);
    if (!match.place) {
        return match;
    }
    const std::vector<std::u16string>& key = match.place->keyNames;
    size_t common = 0;
    while (common < names.size() && common < key.size()
        && FoldRegistryName(names[common]) == FoldRegistryName(key[common])) {
        ++common;
    }
    if (common == key.size()) {
        match.kind = names.size() == key.size() ? MountMatch::Kind::Key : MountMatch::Kind::Below;
    } else if (common == names.size()) {
        match.kind = MountMatch::Kind::Above;
        match.child = key[common];
    }
    return match;
}

/// For a key above the driver key: whether the file has the driver key now.
/// A file that cannot be read counts as not having it here; the driver key
/// itself reports why.
bool MountedKeyBelow(const MountMatch& match)
{
    if (match.kind != MountMatch::Kind::Above) {
        return false;
    }
    bool exists = false;
    static_cast<void>(match.File().Read([&](const DriverKeyState& view) {
        exists = view.Exists();
        return ERROR_SUCCESS_CODE;
    }));
    return exists;
}

/// Success when the file has the driver key now; otherwise the code given,
/// or why the file cannot be read.
ErrorCode ExpectMountedKey(DriverConfigurationFile& file, ErrorCode missing)
{
    return file.Read([missing](const DriverKeyState& view) { return view.Exists() ? ERROR_SUCCESS_CODE : missing; });
}

/// ExpectMountedKey, and then whether the file can be written.
ErrorCode ExpectWritableMountedKey(DriverConfigurationFile& file, ErrorCode missing)
{
    const ErrorCode read = ExpectMountedKey(file, missing);
    return read != ERROR_SUCCESS_CODE ? read : file.CheckWritable();
}

ErrorCode RefuseKeyBelow(const MountMatch& match)
{
    SetRegistryDiagnostic(match.place->path
        + ": the driver configuration file holds the values of the driver key, "
          "and no keys below it");
    return ERROR_INVALID_PARAMETER_CODE;
}

/// The file's text for a value, or ERROR_INVALID_PARAMETER naming the value.
ErrorOr<std::u16string> ConfigurationText(const DriverConfigurationFile& file, const RegistryValue& value)
{
    std::string why;
    if (auto text = ConfigurationTextOf(value, why)) {
        return *text;
    }
    std::string name;
    for (const char16_t unit : value.name) {
        name.push_back(unit < 0x80 && unit >= 0x20 ? static_cast<char>(unit) : '?');
    }
    SetRegistryDiagnostic(file.GetPath() + ": the value \"" + name
        + "\" cannot be kept in the driver configuration "
          "file: "
        + why);
    return ERROR_INVALID_PARAMETER_CODE;
}

/// Whether the file holds the string value as it is, under its name in any case.
bool HoldsAlready(DriverConfigurationFile& file, const RegistryValue& value)
{
    if ((value.type != REG_SZ_TYPE && value.type != REG_EXPAND_SZ_TYPE) || value.data.size() % 2 != 0) {
        return false;
    }
    // Every unit, so that text after a NUL is not taken for the same.
    std::u16string text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
    }
    if (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    bool same = false;
    static_cast<void>(file.Read([&](const DriverKeyState& view) {
        const IniEntry* stored = view.Find(value.name);
        same = stored && stored->value == text;
        return ERROR_SUCCESS_CODE;
    }));
    return same;
}

RegistryValue StringValue(const IniEntry& entry)
{
    RegistryValue value;
    value.name = entry.name;
    value.type = REG_SZ_TYPE;
    value.data = MakeRegistryStringData(entry.value);
    return value;
}

/// The subkeys of a key above the driver key, with the driver key's way down
/// in its place when the hive lacks it: the position of that name, or
/// nothing when there is no such name to add.
std::optional<size_t> VirtualSubKeyPosition(const RegistryImageKey* key, const MountMatch& match)
{
    if (!MountedKeyBelow(match)) {
        return std::nullopt;
    }
    if (!key) {
        return 0;
    }
    if (key->FindSubKey(match.child)) {
        return std::nullopt;
    }
    const std::u16string folded = FoldRegistryName(match.child);
    size_t low = 0;
    size_t high = key->GetSubKeyCount();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (FoldRegistryName(key->GetSubKey(middle).GetName()) < folded) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

/// A key of a hive file.
class HiveKey final : public RegistryKeyHandle {
public:
    HiveKey(HiveFile& file, RegistryHive hive, RegistryKeyNames names)
        : m_file(file), m_hive(hive), m_names(std::move(names))
    {
    }

    ErrorCode SetValue(const RegistryValue& value) override
    {
        const MountMatch match = MatchMount(m_hive, m_names);
        return m_file.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
            const RegistryImageKey* key = image.FindKey(m_names);
            // A key above the driver key may exist only by the file's grace;
            // setting a value makes it in the hive.
            if (!key && !MountedKeyBelow(match)) {
                return ERROR_KEY_DELETED_CODE;
            }
            const RegistryValue* existing = key ? key->FindValue(value.name) : nullptr;
            if (existing && existing->type == value.type && existing->data == value.data) {
                return ERROR_SUCCESS_CODE;
            }
            RegistryChange change = MakeChange(
                RegistryChange::Kind::SetValue, m_hive, key ? image.GetStoredPath(m_names) : JoinRegistryPath(m_names));
            change.value = value;
            if (existing) {
                change.value.name = existing->name;
            }
            changes.push_back(std::move(change));
            return ERROR_SUCCESS_CODE;
        });
    }

    ErrorOr<RegistryValue> QueryValue(std::u16string_view name) const override
    {
        RegistryValue result;
        const MountMatch match = MatchMount(m_hive, m_names);
        const ErrorCode read = m_file.Read([&](const RegistryImage& image) {
            const RegistryValue* value = nullptr;
            const ErrorCode found = FindStoredValue(image, match, name, value);
            if (value) {
                result = *value;
            }
            return found;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return result;
    }

    ErrorCode DeleteValue(std::u16string_view name) override
    {
        const MountMatch match = MatchMount(m_hive, m_names);
        return m_file.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
            const RegistryValue* existing = nullptr;
            if (const ErrorCode found = FindStoredValue(image, match, name, existing); found != ERROR_SUCCESS_CODE) {
                return found;
            }
            RegistryChange change = MakeChange(RegistryChange::Kind::DeleteValue, m_hive, image.GetStoredPath(m_names));
            change.value.name = existing->name;
            changes.push_back(std::move(change));
            return ERROR_SUCCESS_CODE;
        });
    }

    ErrorOr<RegistryValue> EnumValue(uint32_t index) const override
    {
        RegistryValue result;
        const MountMatch match = MatchMount(m_hive, m_names);
        const ErrorCode read = m_file.Read([&](const RegistryImage& image) {
            const RegistryImageKey* key = image.FindKey(m_names);
            if (!key) {
                return MountedKeyBelow(match) ? ERROR_NO_MORE_ITEMS_CODE : ERROR_KEY_DELETED_CODE;
            }
            if (index >= key->GetValueCount()) {
                return ERROR_NO_MORE_ITEMS_CODE;
            }
            result = key->GetValue(index);
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return result;
    }

    ErrorOr<std::u16string> EnumSubKey(uint32_t index) const override
    {
        std::u16string result;
        const MountMatch match = MatchMount(m_hive, m_names);
        const ErrorCode read = m_file.Read([&](const RegistryImage& image) {
            const RegistryImageKey* key = image.FindKey(m_names);
            const std::optional<size_t> added = VirtualSubKeyPosition(key, match);
            if (!key && !added) {
                return ERROR_KEY_DELETED_CODE;
            }
            const size_t count = (key ? key->GetSubKeyCount() : 0) + (added ? 1 : 0);
            if (index >= count) {
                return ERROR_NO_MORE_ITEMS_CODE;
            }
            if (added && index == *added) {
                result = match.child;
            } else {
                result = key->GetSubKey(added && index > *added ? index - 1 : index).GetName();
            }
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return result;
    }

    ErrorOr<RegistryKeyInfo> QueryInfo() const override
    {
        RegistryKeyInfo info;
        const MountMatch match = MatchMount(m_hive, m_names);
        const ErrorCode read = m_file.Read([&](const RegistryImage& image) {
            const RegistryImageKey* key = image.FindKey(m_names);
            const std::optional<size_t> added = VirtualSubKeyPosition(key, match);
            if (!key && !added) {
                return ERROR_KEY_DELETED_CODE;
            }
            if (key) {
                info.subKeyCount = static_cast<uint32_t>(key->GetSubKeyCount());
                info.maxSubKeyNameLength = static_cast<uint32_t>(key->GetMaxSubKeyNameLength());
                info.valueCount = static_cast<uint32_t>(key->GetValueCount());
                info.maxValueNameLength = static_cast<uint32_t>(key->GetMaxValueNameLength());
                info.maxValueDataLength = static_cast<uint32_t>(key->GetMaxValueDataLength());
            }
            if (added) {
                ++info.subKeyCount;
                info.maxSubKeyNameLength =
                    std::max(info.maxSubKeyNameLength, static_cast<uint32_t>(match.child.size()));
            }
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return info;
    }

    ErrorCode Flush() override { return m_file.Flush(); }

private:
    /// The value NAME of this key in IMAGE, or why there is none.
    ErrorCode FindStoredValue(const RegistryImage& image, const MountMatch& match, std::u16string_view name,
        const RegistryValue*& value) const
    {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return MountedKeyBelow(match) ? ERROR_FILE_NOT_FOUND_CODE : ERROR_KEY_DELETED_CODE;
        }
        value = key->FindValue(name);
        return value ? ERROR_SUCCESS_CODE : ERROR_FILE_NOT_FOUND_CODE;
    }

    HiveFile& m_file;
    const RegistryHive m_hive;
    const RegistryKeyNames m_names;
};

/// The driver key, mounted on the driver's ini file.
class DriverFileKey final : public RegistryKeyHandle {
public:
    explicit DriverFileKey(DriverConfigurationFile& file) : m_file(file) {}

    ErrorCode SetValue(const RegistryValue& value) override
    {
        const auto text = ConfigurationText(m_file, value);
        if (!text) {
            // A value saved as it was needs no line of its own, even one the
            // file would refuse as new (put there by hand, say): a save of
            // everything the dialog shows must not fail for it.
            return HoldsAlready(m_file, value) ? ERROR_SUCCESS_CODE : text.GetError();
        }
        if (const ErrorCode read = ExpectMountedKey(m_file, ERROR_KEY_DELETED_CODE); read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return m_file.Make([&](IniSectionChanges& changes) { changes.SetValue(value.name, *text); });
    }

    ErrorOr<RegistryValue> QueryValue(std::u16string_view name) const override
    {
        RegistryValue result;
        const ErrorCode read = m_file.Read([&](const DriverKeyState& view) {
            if (!view.Exists()) {
                return ERROR_KEY_DELETED_CODE;
            }
            const IniEntry* entry = view.Find(name);
            if (!entry) {
                return ERROR_FILE_NOT_FOUND_CODE;
            }
            result = StringValue(*entry);
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return result;
    }

    ErrorCode DeleteValue(std::u16string_view name) override
    {
        std::u16string stored;
        const ErrorCode read = m_file.Read([&](const DriverKeyState& view) {
            if (!view.Exists()) {
                return ERROR_KEY_DELETED_CODE;
            }
            const IniEntry* entry = view.Find(name);
            if (!entry) {
                return ERROR_FILE_NOT_FOUND_CODE;
            }
            stored = entry->name;
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return m_file.Make([&](IniSectionChanges& changes) { changes.DeleteValue(stored); });
    }

    ErrorOr<RegistryValue> EnumValue(uint32_t index) const override
    {
        RegistryValue result;
        const auto reader = [&](const DriverKeyState& view) {
            if (!view.Exists()) {
                return ERROR_KEY_DELETED_CODE;
            }
            if (index >= view.GetEntries().size()) {
                return ERROR_NO_MORE_ITEMS_CODE;
            }
            result = StringValue(view.GetEntries()[index]);
            return ERROR_SUCCESS_CODE;
        };
        // An enumeration looks at the disk at its start only.
        const ErrorCode read = index == 0 ? m_file.Read(reader) : m_file.ReadAsLastRead(reader);
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return result;
    }

    ErrorOr<std::u16string> EnumSubKey(uint32_t) const override
    {
        // The file holds the driver key's values, and no keys below it.
        return m_file.Read([](const DriverKeyState& view) {
            return view.Exists() ? ERROR_NO_MORE_ITEMS_CODE : ERROR_KEY_DELETED_CODE;
        });
    }

    ErrorOr<RegistryKeyInfo> QueryInfo() const override
    {
        RegistryKeyInfo info;
        const ErrorCode read = m_file.Read([&](const DriverKeyState& view) {
            if (!view.Exists()) {
                return ERROR_KEY_DELETED_CODE;
            }
            info.valueCount = static_cast<uint32_t>(view.GetEntries().size());
            for (const IniEntry& entry : view.GetEntries()) {
                info.maxValueNameLength = std::max(info.maxValueNameLength, static_cast<uint32_t>(entry.name.size()));
                info.maxValueDataLength =
                    std::max(info.maxValueDataLength, static_cast<uint32_t>(2 * (entry.value.size() + 1)));
            }
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        return info;
    }

    // Every change reaches the file flushed, or with the transaction's Commit.
    ErrorCode Flush() override { return ERROR_SUCCESS_CODE; }

private:
    DriverConfigurationFile& m_file;
};

std::unique_ptr<RegistryKeyHandle> Handle(std::unique_ptr<RegistryKeyHandle> handle)
{
    return handle;
}

} // namespace

ErrorOr<std::unique_ptr<RegistryKeyHandle>> RegistryStore::CreateKey(RegistryHive hive, const RegistryKeyNames& names)
{
    const MountMatch match = MatchMount(hive, names);
    if (match.kind == MountMatch::Kind::Below) {
        return RefuseKeyBelow(match);
    }
    if (match.kind == MountMatch::Kind::Key) {
        DriverConfigurationFile& file = match.File();
        if (const ErrorCode writable = file.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
        bool exists = false;
        const ErrorCode read = file.Read([&](const DriverKeyState& view) {
            exists = view.Exists();
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
        if (!exists) {
            if (const ErrorCode made = file.Make([](IniSectionChanges& changes) { changes.CreateSection(); });
                made != ERROR_SUCCESS_CODE) {
                return made;
            }
        }
        return Handle(std::make_unique<DriverFileKey>(file));
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
        return writable;
    }
    bool exists = false;
    const ErrorCode read = hiveFile.Read([&](const RegistryImage& image) {
        exists = image.FindKey(names) != nullptr;
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    if (!exists) {
        const ErrorCode written = hiveFile.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
            if (!image.FindKey(names)) {
                changes.push_back(MakeChange(RegistryChange::Kind::CreateKey, hive, image.GetStoredPath(names)));
            }
            return ERROR_SUCCESS_CODE;
        });
        if (written != ERROR_SUCCESS_CODE) {
            return written;
        }
    }
    return Handle(std::make_unique<HiveKey>(hiveFile, hive, names));
}

ErrorOr<std::unique_ptr<RegistryKeyHandle>> RegistryStore::OpenKey(
    RegistryHive hive, const RegistryKeyNames& names, RegistryAccess access)
{
    const MountMatch match = MatchMount(hive, names);
    if (match.kind == MountMatch::Kind::Below) {
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    if (match.kind == MountMatch::Kind::Key) {
        DriverConfigurationFile& file = match.File();
        const ErrorCode usable = access == RegistryAccess::Full
            ? ExpectWritableMountedKey(file, ERROR_FILE_NOT_FOUND_CODE)
            : ExpectMountedKey(file, ERROR_FILE_NOT_FOUND_CODE);
        if (usable != ERROR_SUCCESS_CODE) {
            return usable;
        }
        return Handle(std::make_unique<DriverFileKey>(file));
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    const ErrorCode read = hiveFile.Read([&](const RegistryImage& image) {
        return image.FindKey(names) || MountedKeyBelow(match) ? ERROR_SUCCESS_CODE : ERROR_FILE_NOT_FOUND_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    if (access == RegistryAccess::Full) {
        if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
    }
    return Handle(std::make_unique<HiveKey>(hiveFile, hive, names));
}

namespace {

ErrorCode RemoveMountedKey(DriverConfigurationFile& file)
{
    return file.Make([](IniSectionChanges& changes) { changes.RemoveSection(); });
}

} // namespace

ErrorCode RegistryStore::DeleteKey(RegistryHive hive, const RegistryKeyNames& names, bool withSubKeys)
{
    const MountMatch match = MatchMount(hive, names);
    if (match.kind == MountMatch::Kind::Below) {
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    if (match.kind == MountMatch::Kind::Key) {
        DriverConfigurationFile& file = match.File();
        if (const ErrorCode usable = ExpectWritableMountedKey(file, ERROR_FILE_NOT_FOUND_CODE);
            usable != ERROR_SUCCESS_CODE) {
            return usable;
        }
        return RemoveMountedKey(file);
    }
    const bool mountedBelow = MountedKeyBelow(match);
    if (mountedBelow && !withSubKeys) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
        return writable;
    }
    if (mountedBelow) {
        if (const ErrorCode writable = match.File().CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
    }
    // A key above the driver key may be in the file alone: the hive is not
    // even made then.
    bool inHive = true;
    if (mountedBelow) {
        const ErrorCode read = hiveFile.Read([&](const RegistryImage& image) {
            inHive = image.FindKey(names) != nullptr;
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
    }
    if (inHive) {
        const ErrorCode deleted = hiveFile.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
            const RegistryImageKey* key = image.FindKey(names);
            if (!key) {
                return mountedBelow ? ERROR_SUCCESS_CODE : ERROR_FILE_NOT_FOUND_CODE;
            }
            if (!withSubKeys && key->GetSubKeyCount() > 0) {
                return ERROR_ACCESS_DENIED_CODE;
            }
            changes.push_back(MakeChange(RegistryChange::Kind::DeleteTree, hive, image.GetStoredPath(names)));
            return ERROR_SUCCESS_CODE;
        });
        if (deleted != ERROR_SUCCESS_CODE || !mountedBelow) {
            return deleted;
        }
    }
    return RemoveMountedKey(match.File());
}

namespace {

/// One change of an import that goes to a driver configuration file.
struct FileChange {
    RegistryChange::Kind kind;
    std::u16string name;
    std::u16string text;
};

} // namespace

ErrorCode RegistryStore::ApplyChanges(const std::vector<RegistryChange>& changes)
{
    // Each change goes to the file that holds its key; a key deleted above
    // the driver key takes the driver key with it. Everything is checked
    // before anything is written.
    std::map<RegistryHive, std::vector<RegistryChange>> byHive;
    std::map<std::string, std::pair<DriverConfigurationFile*, std::vector<FileChange>>> byFile;
    for (const RegistryChange& change : changes) {
        const MountMatch match = MatchMount(change.hive, *SplitRegistryPath(change.keyPath));
        if (match.kind == MountMatch::Kind::None
            || (match.kind == MountMatch::Kind::Above && change.kind != RegistryChange::Kind::DeleteTree)) {
            byHive[change.hive].push_back(change);
            continue;
        }
        if (match.kind == MountMatch::Kind::Below) {
            if (change.kind == RegistryChange::Kind::CreateKey || change.kind == RegistryChange::Kind::SetValue) {
                return RefuseKeyBelow(match);
            }
            continue;
        }
        auto& [file, fileChanges] = byFile[match.place->path];
        file = &match.File();
        if (match.kind == MountMatch::Kind::Above) {
            byHive[change.hive].push_back(change);
            fileChanges.push_back(FileChange{RegistryChange::Kind::DeleteTree, {}, {}});
            continue;
        }
        FileChange fileChange{change.kind, change.value.name, {}};
        if (change.kind == RegistryChange::Kind::SetValue) {
            const auto text = ConfigurationText(*file, change.value);
            if (!text) {
                return text.GetError();
            }
            fileChange.text = *text;
        }
        fileChanges.push_back(std::move(fileChange));
    }
    for (const auto& entry : byHive) {
        if (const ErrorCode writable = HiveFile::Get(entry.first).CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
    }
    for (auto& [path, entry] : byFile) {
        DriverConfigurationFile& file = *entry.first;
        if (const ErrorCode read = file.Read([](const DriverKeyState&) { return ERROR_SUCCESS_CODE; });
            read != ERROR_SUCCESS_CODE) {
            return read;
        }
        if (const ErrorCode writable = file.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
    }
    for (auto& [path, entry] : byFile) {
        const std::vector<FileChange>& fileChanges = entry.second;
        const ErrorCode written = entry.first->Make([&](IniSectionChanges& section) {
            for (const FileChange& change : fileChanges) {
                switch (change.kind) {
                case RegistryChange::Kind::CreateKey:
                    section.CreateSection();
                    break;
                case RegistryChange::Kind::DeleteTree:
                    section.RemoveSection();
                    break;
                case RegistryChange::Kind::SetValue:
                    section.SetValue(change.name, change.text);
                    break;
                case RegistryChange::Kind::DeleteValue:
                    section.DeleteValue(change.name);
                    break;
                }
            }
        });
        if (written != ERROR_SUCCESS_CODE) {
            return written;
        }
    }
    for (const auto& entry : byHive) {
        const std::vector<RegistryChange>& hiveChanges = entry.second;
        const ErrorCode written =
            HiveFile::Get(entry.first).Write([&](const RegistryImage&, std::vector<RegistryChange>& planned) {
                planned = hiveChanges;
                return ERROR_SUCCESS_CODE;
            });
        if (written != ERROR_SUCCESS_CODE) {
            return written;
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorOr<std::string> RegistryStore::ExportTree(RegistryHive hive, const RegistryKeyNames& names)
{
    const MountMatch match = MatchMount(hive, names);
    if (match.kind == MountMatch::Kind::Below) {
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    std::string text;
    RegistryFileWriter writer(text);
    writer.WriteHeader();
    bool found = false;
    if (match.kind != MountMatch::Kind::Key) {
        const ErrorCode read = HiveFile::Get(hive).Read([&](const RegistryImage& image) {
            if (const RegistryImageKey* key = image.FindKey(names)) {
                writer.WriteTree(*key, hive, image.GetStoredPath(names));
                found = true;
            }
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
    }
    // The driver key, from its file, after the keys of the hive.
    if (match.kind == MountMatch::Kind::Key || MountedKeyBelow(match)) {
        const ErrorCode read = match.File().Read([&](const DriverKeyState& view) {
            if (!view.Exists()) {
                return ERROR_SUCCESS_CODE;
            }
            RegistryImageKey key(match.place->keyNames.back());
            for (const IniEntry& entry : view.GetEntries()) {
                key.SetValue(StringValue(entry));
            }
            writer.WriteTree(key, hive, JoinRegistryPath(match.place->keyNames));
            found = true;
            return ERROR_SUCCESS_CODE;
        });
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
    }
    if (!found) {
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    return text;
}

std::string RegistryStore::KeyFilePath(RegistryHive hive, const RegistryKeyNames& names)
{
    if (const MountMatch match = MatchMount(hive, names); match.kind == MountMatch::Kind::Key) {
        return match.place->path;
    }
    return GetHiveFilePath(hive);
}

std::optional<std::string> RegistryStore::WhyKeyCannotHoldValueName(
    RegistryHive hive, const RegistryKeyNames& names, std::u16string_view name)
{
    if (const MountMatch match = MatchMount(hive, names); match.kind == MountMatch::Kind::Key) {
        return WhyIniCannotHoldName(name);
    }
    return std::nullopt;
}

ErrorCode RegistryStore::CheckKeyWritable(RegistryHive hive, const RegistryKeyNames& names)
{
    if (const MountMatch match = MatchMount(hive, names); match.kind == MountMatch::Kind::Key) {
        return match.File().CheckWritable();
    }
    return HiveFile::Get(hive).CheckWritable();
}

ErrorCode RegistryStore::CheckHiveWritable(RegistryHive hive)
{
    return HiveFile::Get(hive).CheckWritable();
}

std::optional<std::string> WhyNotRegistryRoot(const std::string& directory)
{
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return "--registry-root: the directory " + directory + " does not exist";
        }
        return "--registry-root: the directory " + directory + " cannot be used: " + std::strerror(error);
    }
    if (!S_ISDIR(status.st_mode)) {
        return "--registry-root: " + directory + " is not a directory";
    }
    return std::nullopt;
}

void DiscardRegistryCache()
{
    HiveFile::DiscardAll();
    DriverConfigurationFile::DiscardAll();
}

} // namespace Dravo::OS

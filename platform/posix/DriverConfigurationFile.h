// The driver's ini file as the POSIX registry keeps a mounted driver key in
// it, with the parsed file this process keeps. Private to the POSIX registry.
//
// A save reaches the file as one replace by the durable file engine
// (DurableFile.h), from the file as it is under the writers' lock; a file
// reached through a symbolic link is replaced at its target.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/IniFile.h"
#include "platform/IniSectionChanges.h"
#include "platform/RegistryTypes.h"
#include "platform/SystemError.h"
#include "platform/posix/DurableFile.h"
#include "platform/posix/RegistryFileSupport.h"

namespace Dravo::OS {

/// Where a hive's driver key is kept when the driver configuration is mounted.
struct DriverConfigurationPlace {
    /// The driver key below the hive.
    std::vector<std::u16string> keyNames;
    std::string path;
    /// The key's last name, which names the section.
    std::u16string section;
};

/// The place of the hive's driver key now, or nothing when none is mounted.
std::optional<DriverConfigurationPlace> FindDriverConfigurationPlace(RegistryHive hive);

/// The text a value is kept as in the file (strings as they are, 32- and
/// 64-bit numbers in decimal); nothing, with the reason, when the file cannot
/// hold the value so that it reads back the same.
std::optional<std::u16string> ConfigurationTextOf(const RegistryValue& value, std::string& why);

/// The section as the file holds it, indexed by name.
class DriverKeyView {
public:
    DriverKeyView() = default;
    DriverKeyView(bool exists, std::vector<IniEntry> entries);

    [[nodiscard]] bool Exists() const { return m_exists; }
    [[nodiscard]] const std::vector<IniEntry>& GetEntries() const { return m_entries; }
    [[nodiscard]] const IniEntry* Find(std::u16string_view name) const;

private:
    bool m_exists = false;
    std::vector<IniEntry> m_entries;
    /// Folded name -> index.
    std::unordered_map<std::u16string, size_t> m_index;
};

class DriverConfigurationFile;

/// The driver key as a reader sees it: the file's section with the changes
/// of an open transaction made. Lookups cost no more for the changes; the
/// whole list is put together only when asked for.
class DriverKeyState {
public:
    [[nodiscard]] bool Exists() const;
    /// The value of a name in any case, or nullptr; valid until the next call.
    [[nodiscard]] const IniEntry* Find(std::u16string_view name) const;
    /// Every value, in order.
    [[nodiscard]] const std::vector<IniEntry>& GetEntries() const;

private:
    friend class DriverConfigurationFile;
    DriverKeyState(DriverConfigurationFile& file, const IniSectionChanges* pending) : m_file(&file), m_pending(pending)
    {
    }

    DriverConfigurationFile* m_file;
    const IniSectionChanges* m_pending;
    mutable IniEntry m_changed;
};

/// The changes held back by the open transaction, if any.
class PendingConfigurationChanges {
public:
    /// True while a transaction is open; the first caller owns it.
    static bool Begin();
    static bool IsOpen();
    /// The changes to the file at path, created on first use; nullptr when no
    /// transaction is open.
    static IniSectionChanges* For(const std::string& path);
    static const IniSectionChanges* Find(const std::string& path);
    /// Ends the transaction, handing over what it holds by path.
    static std::vector<std::pair<std::string, IniSectionChanges>> End();
    /// Counts transactions, so that what was built for one is not taken for another's.
    static uint64_t Serial();
};

class DriverConfigurationFile {
public:
    using Reader = std::function<ErrorCode(const DriverKeyState&)>;
    using Change = std::function<void(IniSectionChanges&)>;

    /// The process-wide object for the file at the place's path.
    static DriverConfigurationFile& Get(const DriverConfigurationPlace& place);
    /// The object made for a path earlier, or nullptr.
    static DriverConfigurationFile* Existing(const std::string& path);
    /// Forgets every parsed file.
    static void DiscardAll();

    DriverConfigurationFile(std::string path, std::u16string section);
    DriverConfigurationFile(const DriverConfigurationFile&) = delete;
    DriverConfigurationFile& operator=(const DriverConfigurationFile&) = delete;

    [[nodiscard]] const std::string& GetPath() const { return m_path; }

    /// Runs the reader on the section as it is on disk (as it was at the
    /// transaction's first read, while one is open), with the changes of an
    /// open transaction made.
    ErrorCode Read(const Reader& reader);
    /// Runs the reader on what the last read saw, which looked at the disk:
    /// the later steps of an enumeration walk one state of the section, not
    /// a section that another writer changes under them, and need not look
    /// at the disk again for each value.
    ErrorCode ReadAsLastRead(const Reader& reader);
    /// Makes one change: held back by an open transaction, or written now.
    ErrorCode Make(const Change& change);
    /// Writes the changes as one replace of the file.
    ErrorCode Commit(const IniSectionChanges& changes);
    /// ERROR_ACCESS_DENIED (or another code) when this user could not replace
    /// the file, found without changing anything. While a transaction is open
    /// its commit finds out instead.
    ErrorCode CheckWritable();
    void Discard();

private:
    friend class DriverKeyState;

    /// The section with the changes made, built once for each state of both.
    const std::vector<IniEntry>& EntriesWith(const IniSectionChanges& pending);

    using Identity = FileIdentity;

    ErrorCode Refresh();
    /// Read and ReadAsLastRead: LOOK_AT_DISK false reads what was loaded,
    /// when something was.
    ErrorCode ReadAfterLooking(const Reader& reader, bool lookAtDisk);
    /// Takes the file's bytes as the parsed state of the file identified.
    ErrorCode Load(std::string bytes, const Identity& identity);

    const std::string m_path;
    const std::u16string m_section;
    const DurableFile m_durable;

    std::mutex m_mutex;
    bool m_loaded = false;
    Identity m_identity;
    IniFile m_file;
    /// Set while the file as identified cannot be read.
    std::string m_loadError;
    ErrorCode m_loadErrorCode = ERROR_SUCCESS_CODE;
    DriverKeyView m_base;
    /// The view with the open transaction's changes, and what it was built from.
    DriverKeyView m_view;
    /// The transaction this file was last read for.
    uint64_t m_readSerial = 0;
    uint64_t m_viewSerial = 0;
    uint64_t m_viewRevision = 0;
    uint64_t m_baseGeneration = 0;
    uint64_t m_viewGeneration = 0;
};

} // namespace Dravo::OS

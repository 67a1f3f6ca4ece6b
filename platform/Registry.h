// Registry keys and values with the semantics of the Windows registry API
// (RegCreateKeyW, RegOpenKeyExW, RegSetValueExW, RegQueryValueExW,
// RegDeleteValueW, RegDeleteKeyW, RegEnumValueW, RegEnumKeyExW,
// RegQueryInfoKeyW, RegFlushKey, RegCloseKey) and its error codes. Key and
// value names compare without regard to case and keep the spelling they were
// created with; values enumerate in creation order, subkeys in case-insensitive
// order; creating a key creates the missing keys above it.
//
// What each system promises beyond the API's semantics:
// - POSIX systems: each hive is a text file in the registry export format
//   (docs/registry.md); every change is atomic, and several processes may
//   read and write at once. The driver key of both hives may be mounted on
//   the driver's own ini file instead (MountDriverConfiguration, and
//   docs/configuration-file.md). An import (ApplyRegistryChanges) lands in
//   each file whole or not at all.
// - Windows: the calls go to advapi32, and the system's registry promises
//   what it promises. An import is applied change by change: one the system
//   refuses stops the rest, and those before it stay.
// Both systems check every argument the same way first (Registry.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ErrorOr.h"
#include "platform/RegistryTypes.h"
#include "platform/SystemError.h"

namespace Dravo::OS {

class RegistryKeyHandle;

enum class RegistryAccess {
    /// Query and enumerate; changes give ERROR_ACCESS_DENIED.
    Read,
    /// Everything; opening fails with ERROR_ACCESS_DENIED when the user may not
    /// write the hive.
    Full,
};

struct RegistryKeyInfo {
    uint32_t subKeyCount = 0;
    /// In UTF-16 units, without a terminating NUL.
    uint32_t maxSubKeyNameLength = 0;
    uint32_t valueCount = 0;
    uint32_t maxValueNameLength = 0;
    /// In bytes.
    uint32_t maxValueDataLength = 0;
};

/// An open key; closed when it goes away. Every call sees the hive as it is on
/// disk at that moment, including the changes of other processes.
class RegistryKey {
public:
    RegistryKey() noexcept;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    /// Opens the key with full access, creating it and every missing key above
    /// it (RegCreateKeyW).
    static ErrorOr<RegistryKey> Create(RegistryHive hive, std::u16string_view path);
    /// Opens an existing key (RegOpenKeyExW); ERROR_FILE_NOT_FOUND when it is not there.
    static ErrorOr<RegistryKey> Open(
        RegistryHive hive, std::u16string_view path, RegistryAccess access = RegistryAccess::Read);

    [[nodiscard]] bool IsOpen() const noexcept { return m_handle != nullptr; }
    [[nodiscard]] RegistryHive GetHive() const noexcept { return m_hive; }
    /// The path as it was given, without a trailing backslash.
    [[nodiscard]] std::u16string GetPath() const;

    /// Stores the bytes as given, under any type (RegSetValueExW). An empty
    /// name is the default value.
    [[nodiscard]] ErrorCode SetValue(std::u16string_view name, RegistryValueType type, std::span<const uint8_t> data);
    /// A REG_SZ value with its terminating NUL.
    [[nodiscard]] ErrorCode SetStringValue(std::u16string_view name, std::u16string_view text);
    [[nodiscard]] ErrorOr<RegistryValue> QueryValue(std::u16string_view name) const;
    [[nodiscard]] ErrorCode DeleteValue(std::u16string_view name);
    /// The value at a position in creation order; ERROR_NO_MORE_ITEMS past the end.
    [[nodiscard]] ErrorOr<RegistryValue> EnumValue(uint32_t index) const;
    /// The name of the subkey at a position; ERROR_NO_MORE_ITEMS past the end.
    [[nodiscard]] ErrorOr<std::u16string> EnumSubKey(uint32_t index) const;
    [[nodiscard]] ErrorOr<RegistryKeyInfo> QueryInfo() const;

    /// Makes every change made so far to this key's hive durable (RegFlushKey).
    /// Changes are atomic without it, but only a flush waits for the disk.
    [[nodiscard]] ErrorCode Flush();
    /// Closing never waits for the disk, as on Windows.
    void Close() noexcept;

private:
    RegistryKey(
        std::unique_ptr<RegistryKeyHandle> handle, RegistryHive hive, std::u16string path, RegistryAccess access);

    /// The store's key (RegistryStore.h).
    std::unique_ptr<RegistryKeyHandle> m_handle;
    RegistryHive m_hive = RegistryHive::LocalMachine;
    std::u16string m_path;
    RegistryAccess m_access = RegistryAccess::Read;
};

/// Deletes a key that has no subkeys (RegDeleteKeyW): ERROR_ACCESS_DENIED when
/// it has some, or for a hive's root key.
[[nodiscard]] ErrorCode DeleteRegistryKey(RegistryHive hive, std::u16string_view path);
/// Deletes a key with everything below it; not a hive's root key.
[[nodiscard]] ErrorCode DeleteRegistryTree(RegistryHive hive, std::u16string_view path);
/// Applies parsed changes (an imported file) in order, every one checked
/// before the first is made. On POSIX systems all changes to one file land
/// at once or not at all; on Windows one the system refuses stops the rest.
[[nodiscard]] ErrorCode ApplyRegistryChanges(const std::vector<RegistryChange>& changes);
/// A key and everything below it in the registry file format ("Windows
/// Registry Editor Version 5.00", UTF-8, "\r\n").
ErrorOr<std::string> ExportRegistryTree(RegistryHive hive, std::u16string_view path);

/// What the last failed registry call of this thread had to say beyond its
/// code, in UTF-8: for a hive that does not parse, its file and line; for a
/// file that cannot be opened, its name and why. Empty when there is nothing.
std::string GetRegistryDiagnostic();

/// Whether this user could change the hive, found without changing anything:
/// ERROR_ACCESS_DENIED or ERROR_WRITE_PROTECT when writes would be refused,
/// with GetRegistryDiagnostic naming the file or directory. A hive that does
/// not exist yet counts as writable when its file could be created.
ErrorCode CheckRegistryHiveWritable(RegistryHive hive);

/// The file that holds a hive (see docs/registry.md for how it is chosen).
std::string GetHiveFilePath(RegistryHive hive);
/// The file that holds a key: the driver configuration file for a mounted
/// driver key, the hive's file otherwise (on Windows, the key's full name).
std::string GetRegistryKeyFilePath(RegistryHive hive, std::u16string_view path);
/// Why a value of this name could not be stored in the key so that it reads
/// back the same (in the driver's configuration file, a name with "=" or
/// blanks at either end, say); nothing when it can. Changes nothing.
[[nodiscard]] std::optional<std::string> WhyRegistryKeyCannotHoldValueName(
    RegistryHive hive, std::u16string_view path, std::u16string_view name);
/// Whether this user could change the key, as CheckRegistryHiveWritable
/// does for the file that holds it.
ErrorCode CheckRegistryKeyWritable(RegistryHive hive, std::u16string_view path);

/// What a driver that reads an ini file instead of the registry calls its
/// configuration: the driver key's path below both hives, the environment
/// variable that may name the file, and the user's file name (".name.ini").
struct DriverConfigurationNames {
    std::u16string driverKeyPath;
    std::string environmentVariable;
    std::string userFileName;
};
/// Keeps the driver key of both hives in the driver's configuration file
/// (the "[<last key name>]" section; see docs/configuration-file.md) instead
/// of the hive files, for this process: the file the environment variable
/// names (for both hives), else with a registry root "ROOT/name.ini" and
/// "ROOT/.name.ini", else "/etc/name.ini" and "$HOME/.name.ini". Every other
/// key stays in the hives. Does nothing on Windows, where the driver reads
/// the registry.
void MountDriverConfiguration(const DriverConfigurationNames& names);
/// Back to the hive files for every key.
void UnmountDriverConfiguration();
/// Puts both hives in a directory, taking precedence over DRAVO_REGISTRY_ROOT
/// (on Windows, below a key of the user's own hive named after the directory;
/// nothing else moves the registry there); an empty text goes back to the
/// usual places.
void SetRegistryRoot(const std::string& directory);
/// Why a directory given to a program as its registry root cannot be one
/// (it does not exist, or is no directory), in words every program says the
/// same way; nothing when it can be. A root is never made: the driver's file
/// and the hives belong where they were asked for. Always nothing on Windows,
/// where the root names a key.
[[nodiscard]] std::optional<std::string> WhyNotRegistryRoot(const std::string& directory);
/// The same for the root in force: SetRegistryRoot's, else DRAVO_REGISTRY_ROOT's,
/// the text naming which; nothing when the hives are in their usual places.
[[nodiscard]] std::optional<std::string> WhyRegistryRootInForceCannotBeUsed();
/// Forgets the parsed hives, so that the next call reads the files afresh.
void DiscardRegistryCache();

} // namespace Dravo::OS

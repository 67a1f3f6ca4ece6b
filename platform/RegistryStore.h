// The narrow interface each system's registry store implements below the
// portable registry API (Registry.h): open and make keys, read and change an
// open key's values, remove keys, apply and export whole trees. Registry.cpp
// checks every argument (paths, value names, handles, access) and clears the
// thread's diagnostic once, so the stores see only calls that are well
// formed. Private to platform/.
//
// posix/RegistryStore.cpp keeps the hives in files (the driver key in the
// driver's own ini file when one is mounted); win32/RegistryStore.cpp is the
// system's registry through advapi32.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ErrorOr.h"
#include "platform/Registry.h"
#include "platform/RegistryTypes.h"
#include "platform/SystemError.h"

namespace Dravo::OS {

/// One open key of a store.
class RegistryKeyHandle {
public:
    RegistryKeyHandle() = default;
    RegistryKeyHandle(const RegistryKeyHandle&) = delete;
    RegistryKeyHandle& operator=(const RegistryKeyHandle&) = delete;
    virtual ~RegistryKeyHandle() = default;

    [[nodiscard]] virtual ErrorCode SetValue(const RegistryValue& value) = 0;
    [[nodiscard]] virtual ErrorOr<RegistryValue> QueryValue(std::u16string_view name) const = 0;
    [[nodiscard]] virtual ErrorCode DeleteValue(std::u16string_view name) = 0;
    [[nodiscard]] virtual ErrorOr<RegistryValue> EnumValue(uint32_t index) const = 0;
    [[nodiscard]] virtual ErrorOr<std::u16string> EnumSubKey(uint32_t index) const = 0;
    [[nodiscard]] virtual ErrorOr<RegistryKeyInfo> QueryInfo() const = 0;
    [[nodiscard]] virtual ErrorCode Flush() = 0;
};

/// A key path split into its names, each checked; empty for a hive's root.
using RegistryKeyNames = std::vector<std::u16string>;

/// The store of this system.
namespace RegistryStore {

[[nodiscard]] ErrorOr<std::unique_ptr<RegistryKeyHandle>> CreateKey(RegistryHive hive, const RegistryKeyNames& names);
[[nodiscard]] ErrorOr<std::unique_ptr<RegistryKeyHandle>> OpenKey(
    RegistryHive hive, const RegistryKeyNames& names, RegistryAccess access);
/// A key other than a hive's root, with its subkeys or only without any.
[[nodiscard]] ErrorCode DeleteKey(RegistryHive hive, const RegistryKeyNames& names, bool withSubKeys);
/// Changes that passed CheckRegistryChanges.
[[nodiscard]] ErrorCode ApplyChanges(const std::vector<RegistryChange>& changes);
[[nodiscard]] ErrorOr<std::string> ExportTree(RegistryHive hive, const RegistryKeyNames& names);
[[nodiscard]] std::string KeyFilePath(RegistryHive hive, const RegistryKeyNames& names);
[[nodiscard]] ErrorCode CheckKeyWritable(RegistryHive hive, const RegistryKeyNames& names);
[[nodiscard]] ErrorCode CheckHiveWritable(RegistryHive hive);

} // namespace RegistryStore

} // namespace Dravo::OS

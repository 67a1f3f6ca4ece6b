// The vocabulary of the registry: hives, value types, values and the changes
// that a hive file records. Portable; no OS header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Dravo::OS {

enum class RegistryHive { LocalMachine, CurrentUser };

/// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
std::u16string_view GetHiveName(RegistryHive hive);

using RegistryValueType = uint32_t;
inline constexpr RegistryValueType REG_NONE_TYPE = 0;
inline constexpr RegistryValueType REG_SZ_TYPE = 1;
inline constexpr RegistryValueType REG_EXPAND_SZ_TYPE = 2;
inline constexpr RegistryValueType REG_BINARY_TYPE = 3;
inline constexpr RegistryValueType REG_DWORD_TYPE = 4;
inline constexpr RegistryValueType REG_DWORD_BIG_ENDIAN_TYPE = 5;
inline constexpr RegistryValueType REG_LINK_TYPE = 6;
inline constexpr RegistryValueType REG_MULTI_SZ_TYPE = 7;
inline constexpr RegistryValueType REG_QWORD_TYPE = 11;

/// Longest key name (one path element) and value name, in UTF-16 units.
inline constexpr size_t MAX_REGISTRY_KEY_NAME = 255;
inline constexpr size_t MAX_REGISTRY_VALUE_NAME = 16383;
/// Deepest key below a hive, as on Windows.
inline constexpr size_t MAX_REGISTRY_DEPTH = 512;

struct RegistryValue {
    /// Empty for the key's default value.
    std::u16string name;
    RegistryValueType type = REG_NONE_TYPE;
    std::vector<uint8_t> data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

/// REG_SZ data as Windows stores it: UTF-16LE units and one terminating NUL.
std::vector<uint8_t> MakeRegistryStringData(std::u16string_view text);
/// REG_MULTI_SZ data: every string with its NUL, then one more NUL.
std::vector<uint8_t> MakeRegistryMultiStringData(const std::vector<std::u16string>& texts);
std::vector<uint8_t> MakeRegistryDwordData(uint32_t number);
std::vector<uint8_t> MakeRegistryQwordData(uint64_t number);
/// The UTF-16 units of string data up to the first NUL (or all of them); an odd
/// trailing byte is dropped.
std::u16string GetRegistryStringText(const std::vector<uint8_t>& data);

/// One step of a change to a hive, as a registry file states it: a key section
/// creates the key and its parents, "[-key]" deletes the key with everything
/// below it, "name"=data sets a value and "name"=- deletes it.
struct RegistryChange {
    enum class Kind { CreateKey, DeleteTree, SetValue, DeleteValue };

    Kind kind = Kind::CreateKey;
    RegistryHive hive = RegistryHive::LocalMachine;
    /// Below the hive, elements separated by backslashes; empty for the hive's root.
    std::u16string keyPath;
    /// For SetValue the whole value; for DeleteValue only its name.
    RegistryValue value;

    friend bool operator==(const RegistryChange&, const RegistryChange&) = default;
};

} // namespace Dravo::OS

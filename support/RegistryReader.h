// Reads every value of one registry key as text: the source of the support
// settings cache and of the snapshot of the driver key.
#pragma once

#include <string>
#include <vector>

#include "support/SettingsReader.h"
#include "support/WideString.h"

namespace Dravo::Support {

struct RegistryEntry {
    WideString name;
    WideString value;
};

class RegistryReader : public ISettingsReader {
public:
    /// The hive name "HKEY_LOCAL_MACHINE" reads that hive only; "" reads
    /// HKEY_CURRENT_USER, or HKEY_LOCAL_MACHINE when the key cannot be opened
    /// there; any other name reads HKEY_CURRENT_USER only.
    static constexpr const char* LOCAL_MACHINE = "HKEY_LOCAL_MACHINE";

    /// Names and texts in UTF-8; see ReadValues.
    bool ReadKey(const std::string& hive, const WideString& keyPath, SettingsMap& values) override;

    /// The values in their enumeration order. Left out: names whose upper-case
    /// form is "DRIVER" or a leading part of it (the default value included),
    /// and every type but REG_SZ (its text up to the first NUL), REG_DWORD and
    /// REG_QWORD (unsigned decimal text of well-sized data). False when no key
    /// could be opened (entries untouched); ProductException "RegKeyNotFound"
    /// (component 3) when the opened key cannot be queried.
    static bool ReadValues(const std::string& hive, const WideString& keyPath, std::vector<RegistryEntry>& entries);
};

} // namespace Dravo::Support

// The source the support settings cache loads from: one registry key read
// whole into a name -> text map. The registry-backed reader lives beside the
// registry code; tests give the cache a reader of their own.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "support/WideString.h"

namespace Dravo::Support {

/// Orders narrow setting names without regard to ASCII case, as registry
/// value names compare.
struct SettingNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

using SettingsMap = std::map<std::string, std::string, SettingNameLess>;

class ISettingsReader {
public:
    ISettingsReader() = default;
    ISettingsReader(const ISettingsReader&) = delete;
    ISettingsReader& operator=(const ISettingsReader&) = delete;
    virtual ~ISettingsReader() = default;

    /// Reads every value of keyPath into values (names and texts in UTF-8;
    /// strings as they are, 32- and 64-bit numbers as unsigned decimal text,
    /// other types and the values that IsDriverValueName names left out).
    /// hive "HKEY_LOCAL_MACHINE" reads that hive only; "" tries
    /// HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE; any other name tries
    /// HKEY_CURRENT_USER only. Returns false when no key could be opened;
    /// raises ProductException "RegKeyNotFound" when an opened key cannot be
    /// queried.
    virtual bool ReadKey(const std::string& hive, const WideString& keyPath, SettingsMap& values) = 0;
};

/// True for a value name that is never a setting: "DRIVER" or any leading
/// part of it, without regard to case, the unnamed default value included.
bool IsDriverValueName(const std::string& name);

/// The reader the settings cache uses unless it is given another: the
/// registry (RegistryReader).
std::shared_ptr<ISettingsReader> CreateDefaultSettingsReader();

} // namespace Dravo::Support

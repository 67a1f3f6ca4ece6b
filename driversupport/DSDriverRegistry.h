// Where the driver-wide configuration lives and how one value of it is read
// or written: named values of HKEY_LOCAL_MACHINE\SOFTWARE\<vendor>\<driver>\Driver,
// every value this library writes a REG_SZ.
#pragma once

#include <map>

#include "platform/SystemError.h"
#include "support/WideString.h"

namespace Dravo::DriverSupport {

/// Value name -> text, names compared without regard to case as the registry does.
using DSRegistryValueMap = std::map<Support::WideString, Support::WideString, Support::WideStringCaseInsensitiveLess>;

class DSDriverRegistry {
public:
    DSDriverRegistry() = delete;

    /// "SOFTWARE\" + vendor + "\" + driver + "\Driver"; an empty vendor is "Dravo".
    [[nodiscard]] static Support::WideString BuildDriverKeyPath(
        const Support::WideString& vendorName, const Support::WideString& driverName);
    /// The path for the product identity's vendor and driver, built afresh.
    [[nodiscard]] static Support::WideString GetDriverKeyPath();

    /// Creates the key (and every missing key above it) and stores the value
    /// as a REG_SZ with its terminating NUL. The Windows error code, 0 on success.
    [[nodiscard]] static OS::ErrorCode WriteValue(const Support::WideString& name, const Support::WideString& value);
    /// Every value of the driver key as text (strings, and 32- and 64-bit
    /// numbers in decimal; other types left out). A key that cannot be opened
    /// or read gives an empty map.
    [[nodiscard]] static DSRegistryValueMap ReadValues();
};

} // namespace Dravo::DriverSupport

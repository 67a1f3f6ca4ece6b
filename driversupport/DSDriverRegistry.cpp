#include "driversupport/DSDriverRegistry.h"

#include <vector>

#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "support/ErrorException.h"
#include "support/RegistryReader.h"

namespace Dravo::DriverSupport {

using Support::WideString;

WideString DSDriverRegistry::BuildDriverKeyPath(const WideString& vendorName, const WideString& driverName)
{
    WideString path(u"SOFTWARE\\");
    path += vendorName.IsEmpty() ? WideString(u"Dravo") : vendorName;
    path += WideString(u"\\");
    path += driverName;
    path += WideString(u"\\Driver");
    return path;
}

WideString DSDriverRegistry::GetDriverKeyPath()
{
    return BuildDriverKeyPath(VezurAVUZ::GetVendorName(), VezurAVUZ::GetDriverName());
}

OS::ErrorCode DSDriverRegistry::WriteValue(const WideString& name, const WideString& value)
{
    auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, GetDriverKeyPath().GetAsU16String());
    if (!key) {
        return key.GetError();
    }
    return key->SetStringValue(name.GetAsU16String(), value.GetAsU16String());
}

DSRegistryValueMap DSDriverRegistry::ReadValues()
{
    DSRegistryValueMap values;
    std::vector<Support::RegistryEntry> entries;
    try {
        Support::RegistryReader::ReadValues(Support::RegistryReader::LOCAL_MACHINE, GetDriverKeyPath(), entries);
    } catch (const Support::ErrorException&) {
        // A key that opens but cannot be read counts as absent: every caller
        // has a default for each value.
        return values;
    }
    for (Support::RegistryEntry& entry : entries) {
        values.emplace(std::move(entry.name), std::move(entry.value));
    }
    return values;
}

} // namespace Dravo::DriverSupport

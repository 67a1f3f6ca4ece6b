// Names derived from the product identity and the product attributes. Each is
// computed on first use under its own lock and then fixed for the process, so
// attribute values seen at that first use decide it.
#pragma once

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// Attribute "vendor-name", else "Dravo".
[[nodiscard]] const Support::WideString& GetVendorName();
/// Attribute "driver-name", else the identity's driver name.
[[nodiscard]] const Support::WideString& GetDriverName();
/// Attribute "version-number", else the identity's version.
[[nodiscard]] const Support::WideString& GetVersionString();
/// The driver name without the characters that cannot stand in a file name.
[[nodiscard]] const Support::WideString& GetCompactDriverName();
/// vendor + "\" + driver: the support settings' registry branch.
[[nodiscard]] const Support::WideString& GetVendorDriverPath();
/// "SOFTWARE\" + vendor + "\" + driver + "\Driver" under the machine hive. A
/// registry path, so its separators stay backslashes on every system.
[[nodiscard]] const Support::WideString& GetDriverKeyPath();
/// The program's directory, ending with the system's path separator.
[[nodiscard]] const Support::WideString& GetModuleDirectory();
/// compact driver name + "_DriverConfig.log".
[[nodiscard]] const Support::WideString& GetToolLogFileName();

/// Removes every occurrence of the 22 characters that driver names may hold
/// but file names may not.
[[nodiscard]] Support::WideString MakeCompactDriverName(const Support::WideString& driverName);

} // namespace Dravo::VezurAVUZ

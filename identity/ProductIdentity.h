// The process-wide product identity: the few names from which the registry
// location of the configuration, the tool's log file name and the support
// library's settings location are derived (ProductNames.h), and the product
// attributes of the optional product description file beside the program.
#pragma once

#include <optional>
#include <string>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

struct ProductIdentity {
    Support::WideString descriptionFileName;
    Support::WideString driverName;
    Support::WideString version;
    /// Not read by this tool; kept for other users of the same identity.
    std::string vendorProductName;
    Support::WideString configEnvironmentVariable;
    Support::WideString userConfigFileName;
};

/// The values this program identifies itself with.
[[nodiscard]] const ProductIdentity& GetBuiltInProductIdentity();

/// Stores the built-in identity, fixes the vendor and driver names, points
/// the support settings cache at "vendor\driver" with subkey "Driver", and
/// has the registry keep the driver key in the driver's configuration file
/// where the driver reads one (OS::MountDriverConfiguration, with the
/// identity's environment variable and user file name). Every start-up (the
/// program, dravo-reg, the setup library) makes this call first. Only the
/// first call of either overload has any effect.
void SetProductIdentity();
void SetProductIdentity(const ProductIdentity& identity);
/// Unset again, and the product description file read again, once the
/// process state is forgotten.
[[nodiscard]] bool IsProductIdentitySet();
/// The stored identity; the built-in one before SetProductIdentity.
[[nodiscard]] ProductIdentity GetProductIdentity();

/// The module directory followed by the identity's description file name;
/// empty when the program's own path cannot be read, so that no file is ever
/// looked for in the current directory instead.
[[nodiscard]] const Support::WideString& GetProductDescriptionFilePath();
/// The value of a product attribute (exact, case-sensitive name), or an empty
/// text when the file or the attribute is absent. The file is read on the
/// first call and never again.
[[nodiscard]] Support::WideString GetProductAttribute(const Support::WideString& name);
/// The same, telling an absent attribute (nullopt) from an empty one.
[[nodiscard]] std::optional<Support::WideString> FindProductAttribute(const Support::WideString& name);

} // namespace Dravo::VezurAVUZ

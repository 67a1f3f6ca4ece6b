// Where a driver finds the certificate authorities it trusts when its
// settings name no file: the default the SSL options offer.
#pragma once

#include <string>
#include <string_view>

namespace Dravo::OS {

/// The trusted-certificates file a driver of this name uses by default. On
/// Windows "cacerts.pem" in programDirectory (which ends with a separator):
/// the program is installed beside the driver, which keeps the file there.
/// Elsewhere the program is not: "cacerts.pem" beside the driver library the
/// ODBC installer has registered for driverName, when that file exists, else
/// the system's certificate bundle.
std::u16string GetDefaultTrustedCertificatesFile(std::u16string_view driverName, std::u16string_view programDirectory);

} // namespace Dravo::OS

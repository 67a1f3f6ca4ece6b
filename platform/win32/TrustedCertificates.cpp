#include "platform/TrustedCertificates.h"

namespace Dravo::OS {

std::u16string GetDefaultTrustedCertificatesFile(std::u16string_view driverName, std::u16string_view programDirectory)
{
    (void)driverName;
    return std::u16string(programDirectory) + u"cacerts.pem";
}

} // namespace Dravo::OS

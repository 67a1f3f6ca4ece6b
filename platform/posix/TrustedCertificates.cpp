#include "platform/TrustedCertificates.h"

#include <array>

#include <sys/stat.h>

#include "platform/OdbcInstaller.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

/// The bundles the distributions' CA packages make, Debian's first.
constexpr std::array<const char*, 4> SYSTEM_BUNDLES = {
    "/etc/ssl/certs/ca-certificates.crt",
    "/etc/pki/tls/certs/ca-bundle.crt",
    "/etc/ssl/ca-bundle.pem",
    "/etc/ssl/cert.pem",
};

bool IsRegularFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::u16string Utf16(const std::string& path)
{
    std::u16string text;
    (void)AppendUtf16FromUtf8(path, text);
    return text;
}

} // namespace

std::u16string GetDefaultTrustedCertificatesFile(std::u16string_view driverName, std::u16string_view programDirectory)
{
    (void)programDirectory;
    if (const std::optional<std::u16string> library = OdbcInstaller::FindRegisteredDriverLibrary(driverName)) {
        std::string path;
        // A bare file name is found by the loader's search, in no folder of its own.
        if (AppendUtf8FromUtf16(*library, path) && path.starts_with('/')) {
            const std::string beside = path.substr(0, path.find_last_of('/') + 1) + "cacerts.pem";
            if (IsRegularFile(beside)) {
                return Utf16(beside);
            }
        }
    }
    for (const char* bundle : SYSTEM_BUNDLES) {
        if (IsRegularFile(bundle)) {
            return Utf16(bundle);
        }
    }
    return Utf16(SYSTEM_BUNDLES.front());
}

} // namespace Dravo::OS

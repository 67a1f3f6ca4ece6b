// What the TLS step reads from the server's certificate, with libcrypto only,
// so that every build judges a certificate the same way whatever made the
// handshake.
#pragma once

#include <openssl/x509.h>

#include <string>

#include "driversupport/TlsSession.h"

namespace Dravo::DriverSupport {

/// HOST is a numeric address rather than a name.
[[nodiscard]] bool IsNumericAddress(const std::string& host);

/// OpenSSL's reason for the last error on this thread.
[[nodiscard]] std::string LastOpenSslReason();

/// Fills the subject, issuer, names, dates, expiry and the name check of
/// OUTCOME from the server's CERTIFICATE, reached as HOST.
void DescribeServerCertificate(X509* certificate, const std::string& host, TlsHandshakeOutcome& outcome);

/// Verifies CERTIFICATE with the certificates the server sent beside it
/// (UNTRUSTED, may be null) against the authorities in TRUSTED_FILE (a PEM
/// file; none when empty), and sets OUTCOME's verify code, text and
/// self-signed mark as OpenSSL's own handshake would. False with ERROR set
/// when the file cannot be used.
[[nodiscard]] bool VerifyServerChain(X509* certificate, STACK_OF(X509) * untrusted, const std::string& trustedFile,
    TlsHandshakeOutcome& outcome, std::string& error);

} // namespace Dravo::DriverSupport

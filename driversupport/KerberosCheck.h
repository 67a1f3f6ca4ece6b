// The Kerberos part of the connection diagnosis: the ticket-granting ticket
// in the credential cache, its lifetime and the clock's skew against the KDC,
// and a service ticket for the server's principal, got through the system's
// GSS-API as the driver gets it. MIT Kerberos is loaded when it is first
// needed, so that the program runs where it is not installed.
#pragma once

#include <functional>
#include <string>

#include "driversupport/DiagnosisStep.h"
#include "platform/NetworkConnection.h"

namespace Dravo::DriverSupport {

struct KerberosCheckRequest {
    /// KrbServiceName, KrbHostFQDN and KrbRealm; an empty realm is the
    /// default realm of krb5.conf.
    std::string serviceName;
    std::string hostName;
    std::string realm;
    /// True for the token of HTTP's Negotiate (SPNEGO), false for the
    /// Kerberos token that SASL's GSSAPI starts with.
    bool negotiate = false;
};

struct KerberosCheckResult {
    DiagnosisStatus status = DiagnosisStatus::Failed;
    std::string detail;
    std::string hint;
    /// The first token of the security context when a service ticket was
    /// had; empty otherwise.
    std::string token;
    /// Takes the server's answer to TOKEN and says, empty, that it completes
    /// the context: the server holds the service's key, since only it can
    /// read the ticket it answers. Otherwise the GSS-API's words. Unset where
    /// the system's library keeps no context for it.
    std::function<std::string(const std::string& answer)> confirmServer;
};

/// Asks the credential cache and the KDC; gives up at the deadline.
[[nodiscard]] KerberosCheckResult CheckKerberos(const KerberosCheckRequest& request, OS::NetworkDeadline deadline);

} // namespace Dravo::DriverSupport

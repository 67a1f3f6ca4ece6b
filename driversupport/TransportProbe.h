// The Thrift transport as the server speaks it, tried over an open channel:
// an HTTP request to the data source's path, the SASL start, or a binary
// call. Each reports what the server answered, judged by the settings.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "driversupport/ByteChannel.h"
#include "driversupport/DiagnosisStep.h"

namespace Dravo::DriverSupport {

struct HttpProbeRequest {
    std::string host;
    uint16_t port = 0;
    std::string path;
    /// Extra header fields, name and value.
    std::vector<std::pair<std::string, std::string>> headers;
    /// Basic credentials when there is a user name.
    std::string user;
    std::string password;
    bool sendBasic = false;
    /// The Kerberos (SPNEGO) token for "Negotiate", when there is one.
    std::string negotiateToken;
};

/// Fills STEP's status, detail and hint from what the server answered.
void ProbeHttp(
    ByteChannel& channel, const HttpProbeRequest& request, OS::NetworkDeadline deadline, DiagnosisStep& step);

/// The SASL start with MECHANISM ("PLAIN") and, for PLAIN, the initial
/// response carrying USER and PASSWORD.
void ProbeSasl(ByteChannel& channel, const std::string& mechanism, const std::string& user, const std::string& password,
    OS::NetworkDeadline deadline, DiagnosisStep& step);

/// The SASL start with GSSAPI and the Kerberos TOKEN for PRINCIPAL. Where
/// CONFIRM_SERVER is set, the server's answer must complete the context with
/// it: a server that says yes without the service's key is refused.
void ProbeSaslGssapi(ByteChannel& channel, const std::string& token, const std::string& principal,
    const std::function<std::string(const std::string&)>& confirmServer, OS::NetworkDeadline deadline,
    DiagnosisStep& step);

/// A binary Thrift call of a method no server has: a Thrift server answers it
/// with an exception message, which tells it speaks neither SASL nor HTTP.
void ProbeBinary(ByteChannel& channel, OS::NetworkDeadline deadline, DiagnosisStep& step);

/// What a channel received until the deadline, the peer's close, or LIMIT
/// bytes, whichever comes first; STATUS says which ended it.
struct ReceivedBytes {
    std::string bytes;
    OS::NetworkIoStatus status = OS::NetworkIoStatus::Done;
    std::string error;
};

} // namespace Dravo::DriverSupport

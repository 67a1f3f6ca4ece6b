#include "driversupport/TransportProbe.h"

#include <openssl/evp.h>

#include <algorithm>
#include <functional>

#include "driversupport/HttpResponseHead.h"
#include "driversupport/ThriftSaslFrame.h"

namespace Dravo::DriverSupport {
namespace {

/// Reads until DONE says the bytes are enough, the peer closes, or the
/// deadline passes.
ReceivedBytes ReceiveUntil(ByteChannel& channel, OS::NetworkDeadline deadline,
    const std::function<bool(const std::string&)>& done, size_t limit)
{
    ReceivedBytes received;
    char buffer[4096];
    while (received.bytes.size() < limit && !done(received.bytes)) {
        const OS::NetworkIoResult result = channel.Receive(buffer, sizeof buffer, deadline);
        if (result.status != OS::NetworkIoStatus::Done) {
            received.status = result.status;
            received.error = result.error;
            return received;
        }
        received.bytes.append(buffer, result.count);
    }
    return received;
}

std::string Base64(const std::string& text)
{
    std::string encoded(4 * ((text.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    encoded.resize(static_cast<size_t>(std::max(0, length)));
    return encoded;
}

/// The first bytes as a reader would want them quoted: printable ASCII
/// as it is, anything else as \xNN.
std::string Quote(std::string_view bytes, size_t longest = 40)
{
    static const char* const DIGITS = "0123456789abcdef";
    std::string text;
    for (const char byte : bytes.substr(0, longest)) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x20 && value < 0x7f) {
            text.push_back(byte);
        } else {
            text += "\\x";
            text.push_back(DIGITS[value >> 4]);
            text.push_back(DIGITS[value & 15]);
        }
    }
    return "\"" + text + (bytes.size() > longest ? "...\"" : "\"");
}

bool LooksLikeHttp(std::string_view bytes)
{
    return bytes.starts_with("HTTP/");
}

bool LooksLikeTls(std::string_view bytes)
{
    return bytes.size() >= 2 && (bytes[0] == '\x15' || bytes[0] == '\x16') && bytes[1] == '\x03';
}

void Fail(DiagnosisStep& step, std::string detail, std::string hint)
{
    step.status = DiagnosisStatus::Failed;
    step.detail = std::move(detail);
    step.hint = std::move(hint);
}

/// A receive that got no answer: closed, timed out or failed.
void NoAnswer(DiagnosisStep& step, const ReceivedBytes& received, const std::string& what, const std::string& hint)
{
    if (received.status == OS::NetworkIoStatus::TimedOut) {
        Fail(step, "no answer to " + what + " in time", hint);
    } else if (received.status == OS::NetworkIoStatus::Closed) {
        Fail(step,
            "the server closed the connection at " + what
                + (received.bytes.empty() ? "" : " after " + Quote(received.bytes)),
            hint);
    } else {
        Fail(step, what + " failed: " + received.error, hint);
    }
}

} // namespace

void ProbeHttp(ByteChannel& channel, const HttpProbeRequest& request, OS::NetworkDeadline deadline, DiagnosisStep& step)
{
    const std::string path = request.path.empty() ? "/" : (request.path.front() == '/' ? "" : "/") + request.path;
    std::string text = "POST " + path + " HTTP/1.1\r\nHost: " + request.host + ":" + std::to_string(request.port)
        + "\r\nContent-Type: application/x-thrift\r\nContent-Length: 0\r\nConnection: close\r\n";
    if (!request.negotiateToken.empty()) {
        text += "Authorization: Negotiate " + Base64(request.negotiateToken) + "\r\n";
    } else if (request.sendBasic) {
        text += "Authorization: Basic " + Base64(request.user + ":" + request.password) + "\r\n";
    }
    for (const auto& [name, value] : request.headers) {
        // A header that would break the request line up is not sent.
        if (name.find_first_of("\r\n:") == std::string::npos && value.find_first_of("\r\n") == std::string::npos) {
            text += name + ": " + value + "\r\n";
        }
    }
    text += "\r\n";
    const OS::NetworkIoResult sent = channel.Send(text, deadline);
    if (sent.status != OS::NetworkIoStatus::Done) {
        Fail(step, "the request could not be sent: " + (sent.error.empty() ? "closed" : sent.error),
            "check Host, Port and SSL");
        return;
    }
    HttpResponseHead head;
    HttpHeadState state = HttpHeadState::Incomplete;
    const ReceivedBytes received = ReceiveUntil(
        channel, deadline,
        [&](const std::string& bytes) {
            state = ReadHttpResponseHead(bytes, head);
            return state != HttpHeadState::Incomplete;
        },
        LONGEST_HTTP_HEAD + 1);
    if (state == HttpHeadState::Incomplete && !received.bytes.empty()) {
        state = ReadHttpResponseHead(received.bytes, head);
    }
    if (state == HttpHeadState::Malformed || (state == HttpHeadState::Incomplete && !received.bytes.empty())) {
        if (LooksLikeTls(received.bytes)) {
            Fail(step, "the server answered with TLS, not HTTP", "SSL=1");
            return;
        }
        Fail(step, "the server does not answer as an HTTP server: it sent " + Quote(received.bytes),
            "ThriftTransport=1 (SASL) or 0 (binary), as the server is set up");
        return;
    }
    if (state != HttpHeadState::Complete) {
        NoAnswer(step, received, "the HTTP request to " + path,
            "check that HTTPPath and Port name the server's HTTP endpoint");
        return;
    }
    const std::string status = std::to_string(head.status) + (head.reason.empty() ? "" : " " + head.reason);
    step.detail = "POST " + path + ": " + status;
    if (head.status == 404) {
        step.status = DiagnosisStatus::Failed;
        step.hint = "HTTPPath: the path the server serves Thrift at (now \"" + request.path + "\")";
    } else if (head.status == 401 || head.status == 403) {
        step.status = DiagnosisStatus::Failed;
        if (head.authenticate) {
            step.detail += " (the server asks for " + *head.authenticate + ")";
        }
        step.hint = !request.negotiateToken.empty()
            ? "the server refused the Kerberos ticket: KrbServiceName and KrbHostFQDN as the server's keytab has them"
            : request.sendBasic ? "UID and the password: the server refused them"
                                : "AuthMech, UID and the password: the server wants credentials";
    } else if (head.status >= 300 && head.status < 400) {
        step.status = DiagnosisStatus::Failed;
        step.detail += head.location ? " to " + *head.location : " without a Location";
        step.hint = head.location && head.location->starts_with("https:")
            ? "SSL=1, and HTTPPath as the redirect says"
            : "HTTPPath (and Host, Port) as the redirect says";
    } else if (head.status >= 500) {
        step.status = DiagnosisStatus::Warning;
        step.hint = "the server's own log says why it failed";
    } else {
        step.status = DiagnosisStatus::Ok;
    }
}

namespace {

/// The SASL start with MECHANISM and its first response, as USER; HINT is
/// what to change when the server refuses.
void StartSasl(ByteChannel& channel, const std::string& mechanism, const std::string& response, const std::string& user,
    const std::string& refusedHint, OS::NetworkDeadline deadline, DiagnosisStep& step, std::string* answer = nullptr)
{
    const std::string start = EncodeThriftSaslFrame(ThriftSaslStatus::Start, mechanism)
        + EncodeThriftSaslFrame(ThriftSaslStatus::Ok, response);
    const OS::NetworkIoResult sent = channel.Send(start, deadline);
    if (sent.status != OS::NetworkIoStatus::Done) {
        Fail(step, "the SASL start could not be sent: " + (sent.error.empty() ? "closed" : sent.error),
            "check Host, Port and SSL");
        return;
    }
    ThriftSaslFrame frame;
    ThriftSaslFrameState state = ThriftSaslFrameState::Incomplete;
    const ReceivedBytes received = ReceiveUntil(
        channel, deadline,
        [&](const std::string& bytes) {
            state = ReadThriftSaslFrame(bytes, frame);
            return state != ThriftSaslFrameState::Incomplete || LooksLikeHttp(bytes);
        },
        LONGEST_SASL_PAYLOAD + 6);
    if (LooksLikeHttp(received.bytes)) {
        Fail(step,
            "the server answered the SASL start as an HTTP server: "
                + Quote(received.bytes.substr(0, received.bytes.find('\r'))),
            "ThriftTransport=2 (HTTP), with HTTPPath");
        return;
    }
    if (LooksLikeTls(received.bytes)) {
        Fail(step, "the server answered the SASL start with TLS", "SSL=1");
        return;
    }
    if (state == ThriftSaslFrameState::Malformed) {
        Fail(step, "the server's answer is no SASL frame: " + Quote(received.bytes),
            "ThriftTransport=0 (binary), if the server takes no SASL");
        return;
    }
    if (state != ThriftSaslFrameState::Complete) {
        NoAnswer(step, received, "the SASL start (" + mechanism + ")",
            received.status == OS::NetworkIoStatus::Closed
                ? "ThriftTransport=0 (binary), if the server takes no SASL"
                : "check Port, and that the server takes SASL (ThriftTransport=1)");
        return;
    }
    const std::string said = frame.payload.empty() ? "" : ": " + Quote(frame.payload, 200);
    if (answer) {
        *answer = frame.payload;
    }
    switch (frame.status) {
    case ThriftSaslStatus::Complete:
        step.status = DiagnosisStatus::Ok;
        step.detail = "the server accepted " + mechanism + (user.empty() ? "" : " for " + user);
        break;
    case ThriftSaslStatus::Ok:
        step.status = DiagnosisStatus::Ok;
        step.detail = mechanism == "GSSAPI" ? "the server took the Kerberos ticket for " + user + " and goes on"
                                            : "the server took the " + mechanism + " start and asks for more";
        break;
    case ThriftSaslStatus::Bad:
    case ThriftSaslStatus::Error:
        Fail(step, "the server refused " + mechanism + (user.empty() ? "" : " for " + user) + said, refusedHint);
        break;
    case ThriftSaslStatus::Start:
        Fail(
            step, "the server answered with a SASL start of its own" + said, "ThriftTransport as the server is set up");
        break;
    }
}

} // namespace

void ProbeSasl(ByteChannel& channel, const std::string& mechanism, const std::string& user, const std::string& password,
    OS::NetworkDeadline deadline, DiagnosisStep& step)
{
    StartSasl(channel, mechanism, std::string(1, '\0') + user + '\0' + password, user,
        "UID and the password, or AuthMech as the server wants it", deadline, step);
}

void ProbeSaslGssapi(ByteChannel& channel, const std::string& token, const std::string& principal,
    const std::function<std::string(const std::string&)>& confirmServer, OS::NetworkDeadline deadline,
    DiagnosisStep& step)
{
    std::string answer;
    StartSasl(channel, "GSSAPI", token, principal,
        "KrbServiceName and KrbHostFQDN as the server's keytab has them, or AuthMech as the server wants it", deadline,
        step, &answer);
    if (step.status != DiagnosisStatus::Ok || !confirmServer) {
        return;
    }
    // The ticket asked the server to prove itself: its answer is readable
    // only by one that holds the service's key, and one that merely says yes
    // would take the driver's queries without being the server.
    const std::string refused = answer.empty() ? "it sent nothing back" : confirmServer(answer);
    if (!refused.empty()) {
        Fail(step,
            "the server said yes to the Kerberos ticket for " + principal
                + " but did not prove it is that server: " + refused,
            "Host and Port: they lead to a server that is not " + principal);
        return;
    }
    step.detail = "the server took the Kerberos ticket for " + principal + " and proved it is that server";
}

void ProbeBinary(ByteChannel& channel, OS::NetworkDeadline deadline, DiagnosisStep& step)
{
    // A strict binary call: version and type CALL, the name, the sequence
    // number, an empty argument struct.
    const std::string name = "dravo_probe";
    std::string call("\x80\x01\x00\x01", 4);
    for (int shift = 24; shift >= 0; shift -= 8) {
        call.push_back(static_cast<char>((name.size() >> shift) & 0xFF));
    }
    call += name;
    call += std::string("\x00\x00\x00\x01\x00", 5);
    const OS::NetworkIoResult sent = channel.Send(call, deadline);
    if (sent.status != OS::NetworkIoStatus::Done) {
        Fail(step, "the binary call could not be sent: " + (sent.error.empty() ? "closed" : sent.error),
            "check Host, Port and SSL");
        return;
    }
    const ReceivedBytes received = ReceiveUntil(
        channel, deadline, [](const std::string& bytes) { return bytes.size() >= 6; }, 4096);
    const std::string& bytes = received.bytes;
    if (LooksLikeHttp(bytes)) {
        Fail(step, "the server answers as an HTTP server: " + Quote(bytes.substr(0, bytes.find('\r'))),
            "ThriftTransport=2 (HTTP), with HTTPPath");
    } else if (LooksLikeTls(bytes)) {
        Fail(step, "the server answered the binary call with TLS", "SSL=1");
    } else if (bytes.size() >= 2 && bytes[0] == '\x80' && bytes[1] == '\x01') {
        step.status = DiagnosisStatus::Ok;
        step.detail = "the server answers binary Thrift calls";
    } else if (bytes.size() >= 5 && (bytes[0] == '\x03' || bytes[0] == '\x04')) {
        Fail(step, "the server answered with a SASL frame: it expects SASL", "ThriftTransport=1 (SASL)");
    } else if (!bytes.empty()) {
        Fail(step, "the server's answer is no Thrift message: " + Quote(bytes),
            "ThriftTransport as the server is set up");
    } else {
        NoAnswer(step, received, "a binary Thrift call",
            received.status == OS::NetworkIoStatus::Closed ? "ThriftTransport=1 (SASL), if the server expects it"
                                                           : "ThriftTransport as the server is set up");
    }
}

} // namespace Dravo::DriverSupport

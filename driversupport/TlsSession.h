// A TLS client session over a TCP connection, for the connection diagnosis.
// The handshake verifies nothing on its own: it records what OpenSSL found
// (chain, dates, names, a client certificate asked for or refused) so that
// the caller can judge it by the data source's settings and say which one to
// change, instead of stopping at the first error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driversupport/ByteChannel.h"

namespace Dravo::DriverSupport {

struct TlsClientSettings {
    /// The certificate authorities to trust (a PEM file).
    std::string trustedCertificates;
    /// The name the server is reached by, for SNI and the name check.
    std::string hostName;
    /// Two-way TLS: PEM files and the key's (deciphered) password.
    bool twoWay = false;
    std::string clientCertificate;
    std::string clientKey;
    std::string clientKeyPassword;
};

struct TlsHandshakeOutcome {
    enum class Result {
        /// The handshake finished; the fields below describe the server.
        Done,
        /// A setting could not be used before anything was sent (a file).
        SettingUnusable,
        /// The server answered with bytes that are no TLS record.
        NotTls,
        /// The server closed the connection, or sent an alert, during the handshake.
        Refused,
        TimedOut,
        Failed,
        /// This build cannot check TLS itself; ERROR says why.
        Unavailable
    };
    Result result = Result::Failed;
    /// OpenSSL's or the system's reason, for anything but Done.
    std::string error;
    /// Which setting SettingUnusable is about.
    std::string setting;
    /// The first bytes the server sent, when it sent any.
    std::string firstBytes;

    std::string protocol;
    /// The chain as verified against the trusted certificates: 0 when it
    /// verifies, else OpenSSL's code and text.
    long verifyCode = 0;
    std::string verifyText;
    bool selfSigned = false;
    bool expired = false;
    bool notYetValid = false;
    /// Whole days until the server's certificate expires.
    int daysLeft = 0;
    std::string subject;
    std::string issuer;
    std::vector<std::string> names;
    std::string notBefore;
    std::string notAfter;
    bool nameMatches = false;
    /// The server asked for a client certificate.
    bool clientCertificateRequested = false;
    /// What the server said after the handshake about the client's
    /// certificate (TLS 1.3 says it then), when it refused it.
    std::string clientCertificateRefusal;
};

class TlsSession final : public ByteChannel {
public:
    /// Runs the handshake over CONNECTION before the deadline; the session
    /// when it finished, else nullptr. OUTCOME says what happened.
    static std::unique_ptr<TlsSession> Handshake(std::unique_ptr<OS::NetworkConnection> connection,
        const TlsClientSettings& settings, OS::NetworkDeadline deadline, TlsHandshakeOutcome& outcome);

    ~TlsSession() override;
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    OS::NetworkIoResult Send(std::string_view data, OS::NetworkDeadline deadline) override;
    OS::NetworkIoResult Receive(char* buffer, size_t size, OS::NetworkDeadline deadline) override;

    struct State;

private:
    explicit TlsSession(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace Dravo::DriverSupport

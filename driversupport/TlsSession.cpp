#include "driversupport/TlsSession.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>

#include "driversupport/TlsCertificate.h"
#include "support/OpenSslStart.h"

namespace Dravo::DriverSupport {

/// OpenSSL talks to two memory buffers; this pumps them through the TCP
/// connection, so that every wait is the connection's, with its deadline.
struct TlsSession::State {
    std::unique_ptr<OS::NetworkConnection> connection;
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    BIO* incoming = nullptr;
    BIO* outgoing = nullptr;
    std::string firstBytes;
    std::string password;
    bool certificateRequested = false;
    /// Application bytes read while looking for a refusal after the handshake.
    std::string pending;
    /// SSL_get_error of the last failed call, and OpenSSL's reason.
    int lastError = SSL_ERROR_NONE;
    std::string lastReason;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        if (ssl) {
            SSL_free(ssl);
        }
        if (context) {
            SSL_CTX_free(context);
        }
        OPENSSL_cleanse(password.data(), password.size());
    }

    OS::NetworkIoResult Flush(OS::NetworkDeadline deadline)
    {
        char buffer[16384];
        for (;;) {
            const int count = BIO_read(outgoing, buffer, sizeof buffer);
            if (count <= 0) {
                return {};
            }
            const OS::NetworkIoResult sent =
                connection->Send(std::string_view(buffer, static_cast<size_t>(count)), deadline);
            if (sent.status != OS::NetworkIoStatus::Done) {
                return sent;
            }
        }
    }

    OS::NetworkIoResult Fill(OS::NetworkDeadline deadline)
    {
        char buffer[16384];
        const OS::NetworkIoResult received = connection->Receive(buffer, sizeof buffer, deadline);
        if (received.status == OS::NetworkIoStatus::Done) {
            if (firstBytes.size() < 16) {
                firstBytes.append(buffer, std::min<size_t>(received.count, 16 - firstBytes.size()));
            }
            (void)BIO_write(incoming, buffer, static_cast<int>(received.count));
        }
        return received;
    }

    /// Runs OPERATION until it is done or fails: its result (> 0 done), with
    /// IO telling why the connection stopped it, if it did.
    template <class Operation> int Drive(Operation operation, OS::NetworkDeadline deadline, OS::NetworkIoResult& io)
    {
        for (;;) {
            ERR_clear_error();
            const int result = operation();
            lastError = result > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl, result);
            if (lastError == SSL_ERROR_SSL || lastError == SSL_ERROR_SYSCALL) {
                char text[256] = {};
                ERR_error_string_n(ERR_peek_last_error(), text, sizeof text);
                const char* reason = ERR_reason_error_string(ERR_peek_last_error());
                lastReason = reason ? reason : text;
            }
            io = Flush(deadline);
            if (io.status != OS::NetworkIoStatus::Done) {
                return -1;
            }
            if (lastError == SSL_ERROR_WANT_READ) {
                io = Fill(deadline);
                if (io.status != OS::NetworkIoStatus::Done) {
                    return -1;
                }
                continue;
            }
            if (lastError == SSL_ERROR_WANT_WRITE) {
                continue;
            }
            return result;
        }
    }
};

namespace {

int GivePassword(char* buffer, int size, int /*writing*/, void* data)
{
    const std::string& password = static_cast<TlsSession::State*>(data)->password;
    const int length = std::min(size, static_cast<int>(password.size()));
    std::copy_n(password.data(), length, buffer);
    return length;
}

int NoteCertificateRequest(SSL* ssl, X509** /*certificate*/, EVP_PKEY** /*key*/)
{
    static_cast<TlsSession::State*>(SSL_get_app_data(ssl))->certificateRequested = true;
    return 0;
}

} // namespace

TlsSession::TlsSession(std::unique_ptr<State> state) : m_state(std::move(state)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Handshake(std::unique_ptr<OS::NetworkConnection> connection,
    const TlsClientSettings& settings, OS::NetworkDeadline deadline, TlsHandshakeOutcome& outcome)
{
    Support::StartOpenSslWithoutConfigFile();
    (void)OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
    auto state = std::make_unique<State>();
    state->connection = std::move(connection);
    state->context = SSL_CTX_new(TLS_client_method());
    if (!state->context) {
        outcome.result = TlsHandshakeOutcome::Result::Failed;
        outcome.error = LastOpenSslReason();
        return nullptr;
    }
    SSL_CTX_set_verify(state->context, SSL_VERIFY_NONE, nullptr);
    const auto unusable = [&outcome](const char* setting, const std::string& file) {
        outcome.result = TlsHandshakeOutcome::Result::SettingUnusable;
        outcome.setting = setting;
        outcome.error = file + ": " + LastOpenSslReason();
        return nullptr;
    };
    if (!settings.trustedCertificates.empty()
        && SSL_CTX_load_verify_locations(state->context, settings.trustedCertificates.c_str(), nullptr) != 1) {
        return unusable("TrustedCerts", settings.trustedCertificates);
    }
    if (settings.twoWay) {
        state->password = settings.clientKeyPassword;
        SSL_CTX_set_default_passwd_cb(state->context, GivePassword);
        SSL_CTX_set_default_passwd_cb_userdata(state->context, state.get());
        if (SSL_CTX_use_certificate_chain_file(state->context, settings.clientCertificate.c_str()) != 1) {
            return unusable("ClientCert", settings.clientCertificate);
        }
        if (SSL_CTX_use_PrivateKey_file(state->context, settings.clientKey.c_str(), SSL_FILETYPE_PEM) != 1) {
            return unusable("ClientPrivateKey", settings.clientKey);
        }
        if (SSL_CTX_check_private_key(state->context) != 1) {
            return unusable("ClientPrivateKey", settings.clientKey);
        }
    }
    SSL_CTX_set_client_cert_cb(state->context, NoteCertificateRequest);
    state->ssl = SSL_new(state->context);
    state->incoming = BIO_new(BIO_s_mem());
    state->outgoing = BIO_new(BIO_s_mem());
    if (!state->ssl || !state->incoming || !state->outgoing) {
        BIO_free(state->incoming);
        BIO_free(state->outgoing);
        outcome.result = TlsHandshakeOutcome::Result::Failed;
        outcome.error = LastOpenSslReason();
        return nullptr;
    }
    SSL_set_bio(state->ssl, state->incoming, state->outgoing);
    SSL_set_app_data(state->ssl, state.get());
    SSL_set_connect_state(state->ssl);
    if (!IsNumericAddress(settings.hostName)) {
        (void)SSL_set_tlsext_host_name(state->ssl, settings.hostName.c_str());
    }

    OS::NetworkIoResult io;
    SSL* ssl = state->ssl;
    const int done = state->Drive([ssl] { return SSL_do_handshake(ssl); }, deadline, io);
    outcome.firstBytes = state->firstBytes;
    const bool plainAnswer = !state->firstBytes.empty()
        && (static_cast<unsigned char>(state->firstBytes[0]) < 0x14
            || static_cast<unsigned char>(state->firstBytes[0]) > 0x17);
    if (done != 1) {
        if (plainAnswer) {
            outcome.result = TlsHandshakeOutcome::Result::NotTls;
            outcome.error = "the server answered with bytes that are no TLS record";
        } else if (io.status == OS::NetworkIoStatus::TimedOut) {
            outcome.result = TlsHandshakeOutcome::Result::TimedOut;
            outcome.error = state->firstBytes.empty() ? "no answer to the TLS hello in time"
                                                      : "the handshake did not finish in time";
        } else if (io.status == OS::NetworkIoStatus::Closed) {
            outcome.result = TlsHandshakeOutcome::Result::Refused;
            outcome.error = "the server closed the connection during the handshake";
        } else if (io.status == OS::NetworkIoStatus::Failed) {
            outcome.result = TlsHandshakeOutcome::Result::Failed;
            outcome.error = io.error;
        } else {
            outcome.result = state->lastReason.find("alert") != std::string::npos ? TlsHandshakeOutcome::Result::Refused
                                                                                  : TlsHandshakeOutcome::Result::Failed;
            outcome.error = state->lastReason.empty() ? "the handshake failed" : state->lastReason;
        }
        outcome.clientCertificateRequested = state->certificateRequested;
        return nullptr;
    }

    outcome.result = TlsHandshakeOutcome::Result::Done;
    outcome.protocol = SSL_get_version(ssl);
    outcome.verifyCode = SSL_get_verify_result(ssl);
    outcome.verifyText = X509_verify_cert_error_string(outcome.verifyCode);
    outcome.selfSigned = outcome.verifyCode == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
        || outcome.verifyCode == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN;
    if (X509* certificate = SSL_get1_peer_certificate(ssl)) {
        DescribeServerCertificate(certificate, settings.hostName, outcome);
        X509_free(certificate);
    }
    outcome.clientCertificateRequested = state->certificateRequested || settings.twoWay;
    // TLS 1.3 servers judge the client's certificate after the client has
    // finished its handshake: their refusal arrives as the first record.
    if (outcome.clientCertificateRequested && SSL_version(ssl) >= TLS1_3_VERSION) {
        const auto shortly = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(300));
        char buffer[4096];
        const int read = state->Drive([ssl, &buffer] { return SSL_read(ssl, buffer, sizeof buffer); }, shortly, io);
        if (read > 0) {
            state->pending.assign(buffer, static_cast<size_t>(read));
        } else if (io.status == OS::NetworkIoStatus::Closed) {
            outcome.clientCertificateRefusal = "the server closed the connection after the handshake";
        } else if (io.status != OS::NetworkIoStatus::TimedOut) {
            outcome.clientCertificateRefusal =
                state->lastReason.empty() ? "the server ended the session" : state->lastReason;
        }
    }
    return std::unique_ptr<TlsSession>(new TlsSession(std::move(state)));
}

OS::NetworkIoResult TlsSession::Send(std::string_view data, OS::NetworkDeadline deadline)
{
    OS::NetworkIoResult io;
    SSL* ssl = m_state->ssl;
    const int written = m_state->Drive(
        [ssl, data] { return SSL_write(ssl, data.data(), static_cast<int>(data.size())); }, deadline, io);
    if (written > 0) {
        io.count = static_cast<size_t>(written);
        return io;
    }
    if (io.status == OS::NetworkIoStatus::Done) {
        io.status = OS::NetworkIoStatus::Failed;
        io.error = m_state->lastReason.empty() ? "the TLS session failed" : m_state->lastReason;
    }
    return io;
}

OS::NetworkIoResult TlsSession::Receive(char* buffer, size_t size, OS::NetworkDeadline deadline)
{
    OS::NetworkIoResult io;
    if (!m_state->pending.empty()) {
        io.count = std::min(size, m_state->pending.size());
        std::copy_n(m_state->pending.data(), io.count, buffer);
        m_state->pending.erase(0, io.count);
        return io;
    }
    SSL* ssl = m_state->ssl;
    const int read = m_state->Drive(
        [ssl, buffer, size] { return SSL_read(ssl, buffer, static_cast<int>(std::min<size_t>(size, 1 << 20))); },
        deadline, io);
    if (read > 0) {
        io.count = static_cast<size_t>(read);
        return io;
    }
    if (io.status == OS::NetworkIoStatus::Done) {
        if (m_state->lastError == SSL_ERROR_ZERO_RETURN) {
            io.status = OS::NetworkIoStatus::Closed;
        } else {
            io.status = OS::NetworkIoStatus::Failed;
            io.error = m_state->lastReason.empty() ? "the TLS session failed" : m_state->lastReason;
        }
    }
    return io;
}

} // namespace Dravo::DriverSupport

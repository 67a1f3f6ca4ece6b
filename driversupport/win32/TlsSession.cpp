// TLS on Windows: the handshake is the system's (Schannel, through SSPI), told
// to take any certificate, so that libcrypto judges the one the server sent
// against TrustedCerts exactly as the other systems do, and every setting at
// fault is named instead of the first error. Every wait is the TCP
// connection's, with its deadline.
#include "driversupport/TlsSession.h"

#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "driversupport/TlsCertificate.h"
#include "platform/SystemError.h"
#include "platform/Utf8.h"
#include "support/OpenSslStart.h"

namespace Dravo::DriverSupport {
namespace {

std::string StatusText(SECURITY_STATUS status)
{
    std::string text = OS::Utf8OrPlaceholder(OS::GetSystemErrorMessage(static_cast<OS::ErrorCode>(status)));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    char code[16];
    (void)std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return text.empty() ? std::string("Schannel error ") + code : text + " (" + code + ")";
}

std::wstring Wide(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    (void)::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ProtocolName(DWORD protocol)
{
    if (protocol & (SP_PROT_TLS1_3_CLIENT | SP_PROT_TLS1_3_SERVER)) {
        return "TLSv1.3";
    }
    if (protocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_2_SERVER)) {
        return "TLSv1.2";
    }
    if (protocol & (SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_1_SERVER)) {
        return "TLSv1.1";
    }
    if (protocol & (SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_0_SERVER)) {
        return "TLSv1";
    }
    return "TLS";
}

int GivePassword(char* buffer, int size, int /*writing*/, void* data)
{
    const std::string& password = *static_cast<const std::string*>(data);
    const int length = std::min(size, static_cast<int>(password.size()));
    std::copy_n(password.data(), length, buffer);
    return length;
}

} // namespace

struct TlsSession::State {
    std::unique_ptr<OS::NetworkConnection> connection;
    CredHandle credentials{};
    bool haveCredentials = false;
    CtxtHandle context{};
    bool haveContext = false;
    HCERTSTORE clientStore = nullptr;
    PCCERT_CONTEXT clientCertificate = nullptr;
    SecPkgContext_StreamSizes sizes{};
    std::wstring target;
    /// Received and not yet deciphered.
    std::string incoming;
    /// Deciphered and not yet taken.
    std::string pending;
    std::string firstBytes;
    bool closed = false;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        if (haveContext) {
            (void)::DeleteSecurityContext(&context);
        }
        if (haveCredentials) {
            (void)::FreeCredentialsHandle(&credentials);
        }
        if (clientCertificate) {
            (void)::CertFreeCertificateContext(clientCertificate);
        }
        if (clientStore) {
            (void)::CertCloseStore(clientStore, 0);
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
            incoming.append(buffer, received.count);
        }
        return received;
    }

    /// Sends the token Schannel wrote into BUFFER, and frees it.
    OS::NetworkIoResult SendToken(SecBuffer& buffer, OS::NetworkDeadline deadline)
    {
        OS::NetworkIoResult sent;
        if (buffer.pvBuffer && buffer.cbBuffer > 0) {
            sent = connection->Send(
                std::string_view(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer), deadline);
        }
        if (buffer.pvBuffer) {
            (void)::FreeContextBuffer(buffer.pvBuffer);
            buffer.pvBuffer = nullptr;
        }
        return sent;
    }

    /// Runs InitializeSecurityContextW until the handshake is done: SEC_E_OK,
    /// or its error. IO tells when the connection stopped it; REQUESTED
    /// whether the server asked for a client certificate.
    SECURITY_STATUS Negotiate(OS::NetworkDeadline deadline, OS::NetworkIoResult& io, bool& requested)
    {
        const DWORD wanted = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY
            | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR | ISC_REQ_MANUAL_CRED_VALIDATION
            | ISC_REQ_USE_SUPPLIED_CREDS;
        bool needInput = haveContext;
        for (;;) {
            if (needInput && incoming.empty()) {
                io = Fill(deadline);
                if (io.status != OS::NetworkIoStatus::Done) {
                    return SEC_E_INTERNAL_ERROR;
                }
            }
            // Only a call with a context takes the server's bytes.
            const bool hadContext = haveContext;
            SecBuffer input[2] = {};
            input[0].BufferType = SECBUFFER_TOKEN;
            input[0].pvBuffer = incoming.data();
            input[0].cbBuffer = static_cast<unsigned long>(incoming.size());
            input[1].BufferType = SECBUFFER_EMPTY;
            SecBufferDesc inputs{SECBUFFER_VERSION, 2, input};
            SecBuffer output[2] = {};
            output[0].BufferType = SECBUFFER_TOKEN;
            output[1].BufferType = SECBUFFER_ALERT;
            SecBufferDesc outputs{SECBUFFER_VERSION, 2, output};
            DWORD granted = 0;
            const SECURITY_STATUS status = ::InitializeSecurityContextW(&credentials, hadContext ? &context : nullptr,
                target.empty() ? nullptr : target.data(), wanted, 0, 0, hadContext ? &inputs : nullptr, 0,
                hadContext ? nullptr : &context, &outputs, &granted, nullptr);
            if (!hadContext
                && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS
                    || status == SEC_E_INCOMPLETE_MESSAGE)) {
                haveContext = true;
            }
            if (output[1].pvBuffer) {
                (void)::FreeContextBuffer(output[1].pvBuffer);
            }
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                io = Fill(deadline);
                if (io.status != OS::NetworkIoStatus::Done) {
                    return SEC_E_INTERNAL_ERROR;
                }
                continue;
            }
            // Whatever Schannel has to say (a flight, or an alert) goes out.
            io = SendToken(output[0], deadline);
            if (io.status != OS::NetworkIoStatus::Done) {
                return SEC_E_INTERNAL_ERROR;
            }
            if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
                // Asked for a certificate without one given: go on without.
                requested = true;
                needInput = false;
                continue;
            }
            if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
                return status;
            }
            if (hadContext && input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0) {
                incoming.erase(0, incoming.size() - input[1].cbBuffer);
            } else if (hadContext) {
                incoming.clear();
            }
            if (status == SEC_E_OK) {
                return status;
            }
            needInput = true;
        }
    }
};

TlsSession::TlsSession(std::unique_ptr<State> state) : m_state(std::move(state)) {}

TlsSession::~TlsSession() = default;

namespace {

/// The client's certificate and deciphered key, as a certificate context
/// that holds its key for this process only: read with libcrypto, then given
/// to the system as PKCS #12 in memory.
bool LoadClientCertificate(const TlsClientSettings& settings, TlsSession::State& state, TlsHandshakeOutcome& outcome)
{
    const auto unusable = [&outcome](const char* setting, const std::string& reason) {
        outcome.result = TlsHandshakeOutcome::Result::SettingUnusable;
        outcome.setting = setting;
        outcome.error = reason;
        return false;
    };
    ERR_clear_error();
    const std::unique_ptr<BIO, decltype(&BIO_free)> certificateFile(
        BIO_new_file(settings.clientCertificate.c_str(), "r"), BIO_free);
    X509* certificate = certificateFile ? PEM_read_bio_X509(certificateFile.get(), nullptr, nullptr, nullptr) : nullptr;
    const std::unique_ptr<X509, decltype(&X509_free)> certificateOwner(certificate, X509_free);
    if (!certificate) {
        return unusable("ClientCert", settings.clientCertificate + ": " + LastOpenSslReason());
    }
    ERR_clear_error();
    std::string password = settings.clientKeyPassword;
    const std::unique_ptr<BIO, decltype(&BIO_free)> keyFile(BIO_new_file(settings.clientKey.c_str(), "r"), BIO_free);
    EVP_PKEY* key = keyFile ? PEM_read_bio_PrivateKey(keyFile.get(), nullptr, GivePassword, &password) : nullptr;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> keyOwner(key, EVP_PKEY_free);
    if (!key || X509_check_private_key(certificate, key) != 1) {
        OPENSSL_cleanse(password.data(), password.size());
        return unusable("ClientPrivateKey", settings.clientKey + ": " + LastOpenSslReason());
    }
    // A passphrase of its own for the moment the bundle exists; the older
    // ciphers, as systems before Windows 10 1709 import no AES bundle.
    static const char bundlePassword[] = "dravo";
    PKCS12* bundle = PKCS12_create(bundlePassword, nullptr, key, certificate, nullptr,
        NID_pbe_WithSHA1And3_Key_TripleDES_CBC, NID_pbe_WithSHA1And3_Key_TripleDES_CBC, 0, 0, 0);
    OPENSSL_cleanse(password.data(), password.size());
    if (!bundle) {
        return unusable("ClientPrivateKey", settings.clientKey + ": " + LastOpenSslReason());
    }
    unsigned char* bytes = nullptr;
    const int length = i2d_PKCS12(bundle, &bytes);
    PKCS12_free(bundle);
    if (length <= 0) {
        return unusable("ClientPrivateKey", settings.clientKey + ": " + LastOpenSslReason());
    }
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(length), bytes};
    state.clientStore = ::PFXImportCertStore(&blob, L"dravo", PKCS12_NO_PERSIST_KEY);
    const DWORD importError = ::GetLastError();
    OPENSSL_cleanse(bytes, static_cast<size_t>(length));
    OPENSSL_free(bytes);
    if (!state.clientStore) {
        return unusable("ClientCert",
            settings.clientCertificate
                + ": the system does not take it: " + StatusText(static_cast<SECURITY_STATUS>(importError)));
    }
    state.clientCertificate = ::CertFindCertificateInStore(
        state.clientStore, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, nullptr);
    if (!state.clientCertificate) {
        return unusable("ClientCert", settings.clientCertificate + ": the system does not take it");
    }
    return true;
}

/// Judges the certificate the server sent, with those it sent beside it.
bool JudgeServerCertificate(TlsSession::State& state, const TlsClientSettings& settings, TlsHandshakeOutcome& outcome)
{
    PCCERT_CONTEXT remote = nullptr;
    if (::QueryContextAttributesW(&state.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote) != SEC_E_OK || !remote) {
        outcome.verifyCode = X509_V_ERR_UNSPECIFIED;
        outcome.verifyText = "the server sent no certificate";
        return true;
    }
    const unsigned char* bytes = remote->pbCertEncoded;
    X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(remote->cbCertEncoded));
    STACK_OF(X509)* untrusted = sk_X509_new_null();
    if (remote->hCertStore && untrusted) {
        PCCERT_CONTEXT other = nullptr;
        while ((other = ::CertEnumCertificatesInStore(remote->hCertStore, other)) != nullptr) {
            if (::CertCompareCertificate(X509_ASN_ENCODING, remote->pCertInfo, other->pCertInfo)) {
                continue;
            }
            const unsigned char* otherBytes = other->pbCertEncoded;
            if (X509* decoded = d2i_X509(nullptr, &otherBytes, static_cast<long>(other->cbCertEncoded))) {
                if (sk_X509_push(untrusted, decoded) <= 0) {
                    X509_free(decoded);
                }
            }
        }
    }
    (void)::CertFreeCertificateContext(remote);
    bool usable = true;
    if (certificate) {
        DescribeServerCertificate(certificate, settings.hostName, outcome);
        std::string error;
        if (!VerifyServerChain(certificate, untrusted, settings.trustedCertificates, outcome, error)) {
            outcome.result = TlsHandshakeOutcome::Result::SettingUnusable;
            outcome.setting = "TrustedCerts";
            outcome.error = error;
            usable = false;
        }
        X509_free(certificate);
    } else {
        outcome.verifyCode = X509_V_ERR_UNSPECIFIED;
        outcome.verifyText = "the server's certificate cannot be read";
    }
    sk_X509_pop_free(untrusted, X509_free);
    return usable;
}

} // namespace

std::unique_ptr<TlsSession> TlsSession::Handshake(std::unique_ptr<OS::NetworkConnection> connection,
    const TlsClientSettings& settings, OS::NetworkDeadline deadline, TlsHandshakeOutcome& outcome)
{
    Support::StartOpenSslWithoutConfigFile();
    auto state = std::make_unique<State>();
    state->connection = std::move(connection);
    if (!settings.trustedCertificates.empty()) {
        // An unreadable trust file is told before anything is sent.
        ERR_clear_error();
        const std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
        if (!store || X509_STORE_load_file(store.get(), settings.trustedCertificates.c_str()) != 1) {
            outcome.result = TlsHandshakeOutcome::Result::SettingUnusable;
            outcome.setting = "TrustedCerts";
            outcome.error = settings.trustedCertificates + ": " + LastOpenSslReason();
            return nullptr;
        }
    }
    if (settings.twoWay && !LoadClientCertificate(settings, *state, outcome)) {
        return nullptr;
    }

    SCHANNEL_CRED credentials{};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    if (state->clientCertificate) {
        credentials.cCreds = 1;
        credentials.paCred = &state->clientCertificate;
    }
    wchar_t package[] = UNISP_NAME_W;
    const SECURITY_STATUS acquired = ::AcquireCredentialsHandleW(
        nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credentials, nullptr, nullptr, &state->credentials, nullptr);
    if (acquired != SEC_E_OK) {
        outcome.result = TlsHandshakeOutcome::Result::Failed;
        outcome.error = "the system's TLS (Schannel) is not available: " + StatusText(acquired);
        return nullptr;
    }
    state->haveCredentials = true;
    // The name goes out for SNI; an address is no name to send.
    if (!IsNumericAddress(settings.hostName)) {
        state->target = Wide(settings.hostName);
    }

    OS::NetworkIoResult io;
    bool requested = false;
    const SECURITY_STATUS status = state->Negotiate(deadline, io, requested);
    outcome.firstBytes = state->firstBytes;
    outcome.clientCertificateRequested = requested || settings.twoWay;
    const bool plainAnswer = !state->firstBytes.empty()
        && (static_cast<unsigned char>(state->firstBytes[0]) < 0x14
            || static_cast<unsigned char>(state->firstBytes[0]) > 0x17);
    if (status != SEC_E_OK) {
        outcome.clientCertificateRequested = requested;
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
            // An alert from the server shows as an illegal or refused message.
            outcome.result = status == SEC_E_ILLEGAL_MESSAGE || status == SEC_E_CERT_UNKNOWN
                    || status == SEC_E_CERT_EXPIRED || status == SEC_E_UNTRUSTED_ROOT
                ? TlsHandshakeOutcome::Result::Refused
                : TlsHandshakeOutcome::Result::Failed;
            outcome.error = StatusText(status);
        }
        return nullptr;
    }
    if (::QueryContextAttributesW(&state->context, SECPKG_ATTR_STREAM_SIZES, &state->sizes) != SEC_E_OK) {
        outcome.result = TlsHandshakeOutcome::Result::Failed;
        outcome.error = "the system's TLS session gives no sizes";
        return nullptr;
    }
    SecPkgContext_ConnectionInfo information{};
    outcome.protocol = ::QueryContextAttributesW(&state->context, SECPKG_ATTR_CONNECTION_INFO, &information) == SEC_E_OK
        ? ProtocolName(information.dwProtocol)
        : "TLS";
    outcome.result = TlsHandshakeOutcome::Result::Done;
    if (!JudgeServerCertificate(*state, settings, outcome)) {
        return nullptr;
    }
    auto session = std::unique_ptr<TlsSession>(new TlsSession(std::move(state)));
    // TLS 1.3 servers judge the client's certificate after the client has
    // finished its handshake: their refusal arrives as the first record.
    if (outcome.clientCertificateRequested && outcome.protocol == "TLSv1.3") {
        const auto shortly = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(300));
        char buffer[4096];
        const OS::NetworkIoResult read = session->Receive(buffer, sizeof buffer, shortly);
        if (read.status == OS::NetworkIoStatus::Done) {
            session->m_state->pending.insert(0, buffer, read.count);
        } else if (read.status == OS::NetworkIoStatus::Closed) {
            outcome.clientCertificateRefusal = "the server closed the connection after the handshake";
        } else if (read.status != OS::NetworkIoStatus::TimedOut) {
            outcome.clientCertificateRefusal = read.error.empty() ? "the server ended the session" : read.error;
        }
    }
    return session;
}

OS::NetworkIoResult TlsSession::Send(std::string_view data, OS::NetworkDeadline deadline)
{
    State& state = *m_state;
    OS::NetworkIoResult result;
    const size_t most = std::max<size_t>(state.sizes.cbMaximumMessage, 1);
    size_t done = 0;
    while (done < data.size()) {
        const size_t part = std::min(most, data.size() - done);
        std::string record(state.sizes.cbHeader + part + state.sizes.cbTrailer, '\0');
        std::copy_n(data.data() + done, part, record.data() + state.sizes.cbHeader);
        SecBuffer buffers[4] = {};
        buffers[0] = {state.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
        buffers[1] = {static_cast<unsigned long>(part), SECBUFFER_DATA, record.data() + state.sizes.cbHeader};
        buffers[2] = {state.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + state.sizes.cbHeader + part};
        buffers[3].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = ::EncryptMessage(&state.context, 0, &description, 0);
        if (status != SEC_E_OK) {
            return {OS::NetworkIoStatus::Failed, done, StatusText(status)};
        }
        const size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        const OS::NetworkIoResult sent = state.connection->Send(std::string_view(record.data(), length), deadline);
        if (sent.status != OS::NetworkIoStatus::Done) {
            return {sent.status, done, sent.error};
        }
        done += part;
    }
    result.count = done;
    return result;
}

OS::NetworkIoResult TlsSession::Receive(char* buffer, size_t size, OS::NetworkDeadline deadline)
{
    State& state = *m_state;
    for (;;) {
        if (!state.pending.empty()) {
            OS::NetworkIoResult io;
            io.count = std::min(size, state.pending.size());
            std::copy_n(state.pending.data(), io.count, buffer);
            state.pending.erase(0, io.count);
            return io;
        }
        if (state.closed) {
            return {OS::NetworkIoStatus::Closed, 0, ""};
        }
        if (state.incoming.empty()) {
            const OS::NetworkIoResult filled = state.Fill(deadline);
            if (filled.status != OS::NetworkIoStatus::Done) {
                return filled;
            }
        }
        SecBuffer buffers[4] = {};
        buffers[0] = {static_cast<unsigned long>(state.incoming.size()), SECBUFFER_DATA, state.incoming.data()};
        buffers[1].BufferType = SECBUFFER_EMPTY;
        buffers[2].BufferType = SECBUFFER_EMPTY;
        buffers[3].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = ::DecryptMessage(&state.context, &description, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            const OS::NetworkIoResult filled = state.Fill(deadline);
            if (filled.status != OS::NetworkIoStatus::Done) {
                return filled;
            }
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
            return {OS::NetworkIoStatus::Failed, 0, StatusText(status)};
        }
        std::string extra;
        for (const SecBuffer& part : buffers) {
            if (part.BufferType == SECBUFFER_DATA && part.pvBuffer) {
                state.pending.append(static_cast<const char*>(part.pvBuffer), part.cbBuffer);
            } else if (part.BufferType == SECBUFFER_EXTRA && part.pvBuffer) {
                extra.assign(static_cast<const char*>(part.pvBuffer), part.cbBuffer);
            }
        }
        state.incoming = std::move(extra);
        if (status == SEC_I_CONTEXT_EXPIRED) {
            state.closed = true;
        } else if (status == SEC_I_RENEGOTIATE) {
            // TLS 1.3's messages after the handshake (tickets, a key update)
            // go back to the handshake function.
            OS::NetworkIoResult io;
            bool requested = false;
            const SECURITY_STATUS renewed = state.Negotiate(deadline, io, requested);
            if (renewed != SEC_E_OK) {
                return io.status != OS::NetworkIoStatus::Done
                    ? io
                    : OS::NetworkIoResult{OS::NetworkIoStatus::Failed, 0, StatusText(renewed)};
            }
        }
    }
}

} // namespace Dravo::DriverSupport

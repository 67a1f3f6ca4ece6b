// TLS on Windows: the build has no TLS library of its own, and the system's
// (Schannel) is not used yet, so the step is reported as not taken rather
// than guessed at.
#include "driversupport/TlsSession.h"

namespace Dravo::DriverSupport {

struct TlsSession::State {};

TlsSession::TlsSession(std::unique_ptr<State> state) : m_state(std::move(state)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Handshake(std::unique_ptr<OS::NetworkConnection> /*connection*/,
    const TlsClientSettings& /*settings*/, OS::NetworkDeadline /*deadline*/, TlsHandshakeOutcome& outcome)
{
    outcome.result = TlsHandshakeOutcome::Result::Unavailable;
    outcome.error = "this Windows build does not check TLS itself yet";
    return nullptr;
}

OS::NetworkIoResult TlsSession::Send(std::string_view /*data*/, OS::NetworkDeadline /*deadline*/)
{
    return {OS::NetworkIoStatus::Failed, 0, "no TLS session"};
}

OS::NetworkIoResult TlsSession::Receive(char* /*buffer*/, size_t /*size*/, OS::NetworkDeadline /*deadline*/)
{
    return {OS::NetworkIoStatus::Failed, 0, "no TLS session"};
}

} // namespace Dravo::DriverSupport

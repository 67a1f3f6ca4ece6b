// A connection the diagnosis talks over: the plain TCP connection, or a TLS
// session on top of it. Every call ends at its deadline.
#pragma once

#include <memory>
#include <string_view>

#include "platform/NetworkConnection.h"

namespace Dravo::DriverSupport {

class ByteChannel {
public:
    virtual ~ByteChannel() = default;
    virtual OS::NetworkIoResult Send(std::string_view data, OS::NetworkDeadline deadline) = 0;
    virtual OS::NetworkIoResult Receive(char* buffer, size_t size, OS::NetworkDeadline deadline) = 0;
};

/// The TCP connection itself, as a channel.
class PlainChannel final : public ByteChannel {
public:
    explicit PlainChannel(std::unique_ptr<OS::NetworkConnection> connection) : m_connection(std::move(connection)) {}
    OS::NetworkIoResult Send(std::string_view data, OS::NetworkDeadline deadline) override
    {
        return m_connection->Send(data, deadline);
    }
    OS::NetworkIoResult Receive(char* buffer, size_t size, OS::NetworkDeadline deadline) override
    {
        return m_connection->Receive(buffer, size, deadline);
    }

private:
    std::unique_ptr<OS::NetworkConnection> m_connection;
};

} // namespace Dravo::DriverSupport

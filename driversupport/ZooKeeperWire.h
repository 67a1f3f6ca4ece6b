// The few ZooKeeper client requests the diagnosis sends (open a session, list
// a node's children, close the session) and the replies to them, in
// ZooKeeper's wire format: every packet is a four-byte length in network
// order and the record, whose integers are big-endian and whose strings and
// buffers are a four-byte length and the bytes. Replies come from a server
// under test, so every length is believed only up to a bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Dravo::DriverSupport {

/// The longest reply packet read; ZooKeeper's own default bound is 1 MB.
inline constexpr uint32_t LONGEST_ZOOKEEPER_PACKET = 4u << 20;

/// ZooKeeper's error codes that the diagnosis tells apart.
inline constexpr int32_t ZOOKEEPER_NO_NODE = -101;
inline constexpr int32_t ZOOKEEPER_NO_AUTH = -102;

[[nodiscard]] std::string EncodeZooKeeperConnect(int32_t sessionTimeoutMilliseconds);
[[nodiscard]] std::string EncodeZooKeeperGetChildren(int32_t xid, std::string_view path);
[[nodiscard]] std::string EncodeZooKeeperClose(int32_t xid);

enum class ZooKeeperReplyState { Incomplete, Complete, Malformed };

struct ZooKeeperSession {
    int32_t protocolVersion = 0;
    int32_t timeoutMilliseconds = 0;
    int64_t sessionId = 0;
};

/// The server's answer to the session request: the first packet received.
[[nodiscard]] ZooKeeperReplyState ReadZooKeeperConnectReply(std::string_view received, ZooKeeperSession& session);

struct ZooKeeperChildren {
    int32_t xid = 0;
    int64_t zxid = 0;
    /// 0, or a ZooKeeper error code (then there are no children).
    int32_t error = 0;
    std::vector<std::string> children;
};

/// The first packet of RECEIVED as the reply to a children request; USED is
/// how many bytes it took, so that a packet before it (a notification) can
/// be passed over.
[[nodiscard]] ZooKeeperReplyState ReadZooKeeperChildren(
    std::string_view received, ZooKeeperChildren& reply, size_t& used);

/// ZooKeeper's name for an error code ("NoNode"), or the number.
[[nodiscard]] std::string DescribeZooKeeperError(int32_t error);

struct DiscoveredServer {
    std::string host;
    uint16_t port = 0;
};

/// The server a child node names: "serverUri=HOST:PORT;version=...;..." as
/// servers register themselves, or a bare "HOST:PORT".
[[nodiscard]] std::optional<DiscoveredServer> ReadDiscoveredServer(std::string_view childName);

} // namespace Dravo::DriverSupport

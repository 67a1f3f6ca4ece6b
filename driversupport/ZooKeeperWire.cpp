#include "driversupport/ZooKeeperWire.h"

#include <algorithm>
#include <charconv>

namespace Dravo::DriverSupport {
namespace {

constexpr int32_t GET_CHILDREN = 8;
constexpr int32_t CLOSE_SESSION = -11;
/// A session password is sixteen bytes; a reply's is believed up to this.
constexpr uint32_t LONGEST_PASSWORD = 64;

void PutInt(std::string& out, uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::string Packet(const std::string& record)
{
    std::string packet;
    PutInt(packet, record.size(), 4);
    return packet + record;
}

/// Reads big-endian fields from one packet's record; any read past its end
/// marks the record bad.
class RecordReader {
public:
    explicit RecordReader(std::string_view bytes) : m_bytes(bytes) {}

    uint64_t Int(int bytes)
    {
        if (m_bytes.size() - m_offset < static_cast<size_t>(bytes)) {
            m_bad = true;
            m_offset = m_bytes.size();
            return 0;
        }
        uint64_t value = 0;
        for (int index = 0; index < bytes; ++index) {
            value = (value << 8) | static_cast<uint8_t>(m_bytes[m_offset++]);
        }
        return value;
    }

    int32_t Int32() { return static_cast<int32_t>(static_cast<uint32_t>(Int(4))); }
    int64_t Int64() { return static_cast<int64_t>(Int(8)); }

    /// A length and the bytes; a length of -1 is "none".
    std::string Bytes(uint32_t longest)
    {
        const int32_t length = Int32();
        if (length == -1) {
            return {};
        }
        if (length < 0 || static_cast<uint32_t>(length) > longest
            || m_bytes.size() - m_offset < static_cast<size_t>(length)) {
            m_bad = true;
            m_offset = m_bytes.size();
            return {};
        }
        std::string text(m_bytes.substr(m_offset, static_cast<size_t>(length)));
        m_offset += static_cast<size_t>(length);
        return text;
    }

    [[nodiscard]] bool Bad() const { return m_bad; }
    [[nodiscard]] size_t Left() const { return m_bytes.size() - m_offset; }

private:
    std::string_view m_bytes;
    size_t m_offset = 0;
    bool m_bad = false;
};

/// The first packet's record, once it is all there.
ZooKeeperReplyState FirstPacket(std::string_view received, std::string_view& record)
{
    if (received.size() < 4) {
        return ZooKeeperReplyState::Incomplete;
    }
    RecordReader header(received.substr(0, 4));
    const auto length = static_cast<uint32_t>(header.Int(4));
    if (length > LONGEST_ZOOKEEPER_PACKET) {
        return ZooKeeperReplyState::Malformed;
    }
    if (received.size() - 4 < length) {
        return ZooKeeperReplyState::Incomplete;
    }
    record = received.substr(4, length);
    return ZooKeeperReplyState::Complete;
}

} // namespace

std::string EncodeZooKeeperConnect(int32_t sessionTimeoutMilliseconds)
{
    std::string record;
    PutInt(record, 0, 4); // protocol version
    PutInt(record, 0, 8); // last zxid seen
    PutInt(record, static_cast<uint32_t>(sessionTimeoutMilliseconds), 4);
    PutInt(record, 0, 8); // a new session
    PutInt(record, 16, 4);
    record.append(16, '\0');
    record.push_back('\0'); // not read-only
    return Packet(record);
}

std::string EncodeZooKeeperGetChildren(int32_t xid, std::string_view path)
{
    std::string record;
    PutInt(record, static_cast<uint32_t>(xid), 4);
    PutInt(record, static_cast<uint32_t>(GET_CHILDREN), 4);
    PutInt(record, path.size(), 4);
    record.append(path);
    record.push_back('\0'); // no watch
    return Packet(record);
}

std::string EncodeZooKeeperClose(int32_t xid)
{
    std::string record;
    PutInt(record, static_cast<uint32_t>(xid), 4);
    PutInt(record, static_cast<uint32_t>(CLOSE_SESSION), 4);
    return Packet(record);
}

ZooKeeperReplyState ReadZooKeeperConnectReply(std::string_view received, ZooKeeperSession& session)
{
    std::string_view record;
    if (const ZooKeeperReplyState state = FirstPacket(received, record); state != ZooKeeperReplyState::Complete) {
        return state;
    }
    RecordReader reader(record);
    ZooKeeperSession read;
    read.protocolVersion = reader.Int32();
    read.timeoutMilliseconds = reader.Int32();
    read.sessionId = reader.Int64();
    (void)reader.Bytes(LONGEST_PASSWORD);
    // The read-only flag follows on newer servers; older ones end here.
    if (reader.Bad() || reader.Left() > 1) {
        return ZooKeeperReplyState::Malformed;
    }
    session = read;
    return ZooKeeperReplyState::Complete;
}

ZooKeeperReplyState ReadZooKeeperChildren(std::string_view received, ZooKeeperChildren& reply, size_t& used)
{
    std::string_view record;
    if (const ZooKeeperReplyState state = FirstPacket(received, record); state != ZooKeeperReplyState::Complete) {
        return state;
    }
    RecordReader reader(record);
    ZooKeeperChildren read;
    read.xid = reader.Int32();
    read.zxid = reader.Int64();
    read.error = reader.Int32();
    if (reader.Bad()) {
        return ZooKeeperReplyState::Malformed;
    }
    // A notification or an error carries no list.
    if (read.error == 0 && read.xid >= 0) {
        const int32_t count = reader.Int32();
        // Each child takes at least its four length bytes.
        if (count < 0 || static_cast<size_t>(count) > reader.Left() / 4) {
            return ZooKeeperReplyState::Malformed;
        }
        for (int32_t index = 0; index < count; ++index) {
            read.children.push_back(reader.Bytes(LONGEST_ZOOKEEPER_PACKET));
        }
        if (reader.Bad()) {
            return ZooKeeperReplyState::Malformed;
        }
    }
    reply = std::move(read);
    used = 4 + record.size();
    return ZooKeeperReplyState::Complete;
}

std::string DescribeZooKeeperError(int32_t error)
{
    switch (error) {
    case 0:
        return "OK";
    case -4:
        return "ConnectionLoss";
    case -7:
        return "OperationTimeout";
    case -8:
        return "BadArguments";
    case -101:
        return "NoNode";
    case -102:
        return "NoAuth";
    case -112:
        return "SessionExpired";
    case -115:
        return "AuthFailed";
    default:
        return "error " + std::to_string(error);
    }
}

std::optional<DiscoveredServer> ReadDiscoveredServer(std::string_view childName)
{
    std::string_view address = childName;
    if (childName.find('=') != std::string_view::npos) {
        address = {};
        size_t start = 0;
        while (start <= childName.size()) {
            const size_t end = std::min(childName.find(';', start), childName.size());
            const std::string_view field = childName.substr(start, end - start);
            if (field.starts_with("serverUri=")) {
                address = field.substr(10);
            }
            start = end + 1;
        }
    }
    const size_t colon = address.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::string_view host = address.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::string_view port = address.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535 || host.empty()
        || host.find_first_of(" /\\;=") != std::string_view::npos) {
        return std::nullopt;
    }
    return DiscoveredServer{std::string(host), static_cast<uint16_t>(value)};
}

} // namespace Dravo::DriverSupport

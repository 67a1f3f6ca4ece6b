// A ZooKeeper server's replies: any bytes give a verdict, a complete reply
// takes no more than the bytes, and the server names read from its children
// keep a usable port and no separator.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driversupport/ZooKeeperWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Dravo::DriverSupport;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ZooKeeperSession session;
    (void)ReadZooKeeperConnectReply(bytes, session);
    ZooKeeperChildren reply;
    size_t used = 0;
    if (ReadZooKeeperChildren(bytes, reply, used) == ZooKeeperReplyState::Complete) {
        if (used < 20 || used > size || (reply.error != 0 && !reply.children.empty())) {
            __builtin_trap();
        }
        size_t total = 0;
        for (const auto& child : reply.children) {
            total += child.size() + 4;
            if (const auto server = ReadDiscoveredServer(child)) {
                if (server->port == 0 || server->host.empty() || server->host.find(';') != std::string::npos) {
                    __builtin_trap();
                }
            }
        }
        if (total > used) {
            __builtin_trap();
        }
    }
    (void)ReadDiscoveredServer(bytes);
    return 0;
}

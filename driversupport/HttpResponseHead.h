// The head of an HTTP response as it arrives from a server under test: the
// status line and the few header fields the diagnosis judges by. Bytes come
// from the network, so anything may arrive; a head that does not end within
// a bounded size is refused rather than waited for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Dravo::DriverSupport {

struct HttpResponseHead {
    int status = 0;
    std::string reason;
    /// Where a redirect points.
    std::optional<std::string> location;
    /// What a 401 asks for ("Basic realm=...", "Negotiate").
    std::optional<std::string> authenticate;
};

enum class HttpHeadState {
    /// The head has not ended yet: receive more.
    Incomplete,
    Complete,
    /// Not an HTTP response, or a head longer than LONGEST_HTTP_HEAD.
    Malformed
};

inline constexpr size_t LONGEST_HTTP_HEAD = 16384;

/// Reads the bytes received so far; fills HEAD when they hold a whole head.
[[nodiscard]] HttpHeadState ReadHttpResponseHead(std::string_view received, HttpResponseHead& head);

} // namespace Dravo::DriverSupport

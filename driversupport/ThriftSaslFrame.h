// The frames of the Thrift SASL negotiation: one status byte, the payload's
// length as four bytes in network order, the payload. The reader takes bytes
// from a server under test, so a length is believed only up to a bound.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Dravo::DriverSupport {

enum class ThriftSaslStatus : uint8_t { Start = 1, Ok = 2, Bad = 3, Error = 4, Complete = 5 };

/// The longest payload a server's answer is expected to carry (a message or
/// a challenge); a longer one is not a SASL answer.
inline constexpr uint32_t LONGEST_SASL_PAYLOAD = 65536;

[[nodiscard]] std::string EncodeThriftSaslFrame(ThriftSaslStatus status, std::string_view payload);

enum class ThriftSaslFrameState { Incomplete, Complete, Malformed };

struct ThriftSaslFrame {
    ThriftSaslStatus status = ThriftSaslStatus::Start;
    std::string payload;
};

/// Reads the first frame of the bytes received so far.
[[nodiscard]] ThriftSaslFrameState ReadThriftSaslFrame(std::string_view received, ThriftSaslFrame& frame);

} // namespace Dravo::DriverSupport
